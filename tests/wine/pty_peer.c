/* The far end of a COM port for tests of the Windows build under Wine.
 *
 * Opens a pseudo-terminal, puts it in raw mode, points LINK (a Wine
 * dosdevices/comN entry) at its slave, and then echoes every byte the
 * Windows side writes, in the chunks it arrives in. It holds the slave open
 * itself so that the Windows side opening and closing the port never leaves
 * the master without a peer (reads would then fail with EIO).
 *
 * Usage: pty_peer LINK READYFILE
 * READYFILE receives the slave's path once LINK is in place. SIGTERM or
 * SIGINT removes LINK and ends the peer. */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <termios.h>
#include <unistd.h>

static volatile sig_atomic_t stop;

static void on_signal(int sig) {
  (void)sig;
  stop = 1;
}

static int write_all(int fd, const char *p, size_t n) {
  while (n > 0) {
    ssize_t w = write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    p += w;
    n -= (size_t)w;
  }
  return 0;
}

int main(int argc, char **argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: %s LINK READYFILE\n", argv[0]);
    return 2;
  }
  const char *link = argv[1];
  const char *ready = argv[2];
  int master, slave;
  char name[256];
  struct termios raw;
  cfmakeraw(&raw);
  cfsetispeed(&raw, B115200);
  cfsetospeed(&raw, B115200);
  if (openpty(&master, &slave, name, &raw, NULL) != 0) {
    perror("openpty");
    return 1;
  }
  unlink(link);
  if (symlink(name, link) != 0) {
    perror("symlink");
    return 1;
  }
  char tmp[4096];
  snprintf(tmp, sizeof(tmp), "%s.tmp", ready);
  FILE *f = fopen(tmp, "w");
  if (!f || fprintf(f, "%s\n", name) < 0 || fclose(f) != 0 ||
      rename(tmp, ready) != 0) {
    perror("ready file");
    unlink(link);
    return 1;
  }

  struct sigaction sa;
  memset(&sa, 0, sizeof(sa));
  sa.sa_handler = on_signal;
  sigaction(SIGTERM, &sa, NULL);
  sigaction(SIGINT, &sa, NULL);
  signal(SIGHUP, SIG_IGN);

  char buf[4096];
  while (!stop) {
    struct pollfd p = {master, POLLIN, 0};
    int r = poll(&p, 1, 500);
    if (r < 0) {
      if (errno == EINTR) continue;
      perror("poll");
      break;
    }
    if (r == 0) continue;
    ssize_t n = read(master, buf, sizeof(buf));
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN || errno == EIO) continue;
      perror("read");
      break;
    }
    if (n > 0 && write_all(master, buf, (size_t)n) != 0) {
      perror("write");
      break;
    }
  }
  unlink(link);
  close(slave);
  close(master);
  return 0;
}
