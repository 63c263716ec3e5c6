/* LD_PRELOAD shim for running the Windows build under Wine against a
 * pseudo-terminal: the modem-control ioctls (TIOCMGET, TIOCMSET, TIOCMBIS,
 * TIOCMBIC) fail on a pty, and Wine's comm code then never reports received
 * characters to WaitCommEvent. On a pty descriptor this shim makes them
 * succeed, with DTR, RTS, CTS, DSR and CD reported as raised. Every other
 * call goes to the C library untouched.
 *
 * Test infrastructure only; never shipped. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdarg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>

typedef int (*ioctl_fn)(int, unsigned long, ...);

/* Unix98 pty slaves (136-143) and the master multiplexer (5:2). */
static int is_pty(int fd) {
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return 0;
  unsigned int maj = major(st.st_rdev);
  return (maj >= 136 && maj <= 143) || (maj == 5 && minor(st.st_rdev) == 2);
}

int ioctl(int fd, unsigned long request, ...) {
  static ioctl_fn real;
  va_list ap;
  va_start(ap, request);
  void *arg = va_arg(ap, void *);
  va_end(ap);
  if (!real) real = (ioctl_fn)dlsym(RTLD_NEXT, "ioctl");
  if (!real) {
    errno = ENOSYS;
    return -1;
  }
  int saved = errno;
  int r = real(fd, request, arg);
  if (r == -1 &&
      (request == TIOCMGET || request == TIOCMSET || request == TIOCMBIS ||
       request == TIOCMBIC) &&
      is_pty(fd)) {
    if (request == TIOCMGET && arg)
      *(int *)arg = TIOCM_DTR | TIOCM_RTS | TIOCM_CTS | TIOCM_DSR | TIOCM_CD;
    errno = saved;
    return 0;
  }
  return r;
}
