// The standalone cardsim program: registers a card, serves it, unregisters on
// SIGTERM; its example scenarios parse.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>

#include "keystore.h"
#include "pty_client.h"
#include "scenario.h"

namespace cardsim {
namespace {

// Reads the child's stdout until |lines| lines have come or 5 s pass.
std::string ReadLines(int fd, int lines) {
  std::string out;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (std::count(out.begin(), out.end(), '\n') < lines) {
    int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                    deadline - std::chrono::steady_clock::now())
                                    .count());
    pollfd p{fd, POLLIN, 0};
    if (left <= 0 || poll(&p, 1, left) <= 0) break;
    char buf[256];
    ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  return out;
}

TEST(Program, ServesACardUntilSigterm) {
  cardsim_test::TempRoot root;
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    dup2(pipeFds[1], 1);
    close(pipeFds[0]);
    execl(CARDSIM_PROGRAM, CARDSIM_PROGRAM, "--root", root.Path().c_str(), "--dual-port",
          "--no-audio", "--com-base", "7", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipeFds[1]);
  std::string out = ReadLines(pipeFds[0], 3);
  EXPECT_EQ(out.substr(0, 8), "AT COM7 ") << out;
  EXPECT_NE(out.find("\nMODEM COM8 /dev/pts/"), std::string::npos) << out;
  EXPECT_NE(out.find("\nVIDEO COM9 /dev/pts/"), std::string::npos) << out;

  cardsim_test::PtyClient client;
  ASSERT_TRUE(client.Open(root.Link(7)));
  EXPECT_EQ(client.Command("AT+CSQ"), "\r\n+CSQ: 20,99\r\n\r\nOK\r\n");

  ASSERT_EQ(kill(pid, SIGTERM), 0);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  std::string data;
  EXPECT_FALSE(root.ReadValue("\\Device\\QCUSB_COM7", &data));
  EXPECT_NE(access(root.Link(7).c_str(), F_OK), 0);
  close(pipeFds[0]);
}

TEST(Program, CleanRemovesEntriesOfAKilledCard) {
  cardsim_test::TempRoot root;
  {
    KeyStore keys(root.Path());
    ASSERT_TRUE(keys.EnsureLayout());
    ASSERT_TRUE(keys.WriteValue(CardValueName(3), "COM3"));
    ASSERT_EQ(keys.CreateLowestLink("/dev/pts/999", 3), 3);
    ASSERT_TRUE(keys.WriteValue("\\Device\\Serial0", "COM1"));  // not the card's
  }
  EXPECT_EQ(KeyStore(root.Path()).RemoveCardEntries(), 1);
  std::string data;
  EXPECT_FALSE(root.ReadValue("\\Device\\QCUSB_COM3", &data));
  EXPECT_NE(access(root.Link(3).c_str(), F_OK), 0);
  struct stat st;
  EXPECT_NE(lstat(root.Link(3).c_str(), &st), 0);
  EXPECT_TRUE(root.ReadValue("\\Device\\Serial0", &data));
}

TEST(Program, RefusesBadArguments) {
  struct Case {
    const char* name;
    std::vector<const char*> args;
  } cases[] = {
      {"no root", {}},
      {"unknown option", {"--root", "/tmp", "--bogus"}},
      {"bad base", {"--root", "/tmp", "--com-base", "0"}},
      {"missing scenario", {"--root", "/tmp", "--scenario", "/nonexistent.scn"}},
  };
  for (const Case& c : cases) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int devnull = open("/dev/null", O_WRONLY);
      dup2(devnull, 2);
      std::vector<const char*> argv = {CARDSIM_PROGRAM};
      argv.insert(argv.end(), c.args.begin(), c.args.end());
      argv.push_back(nullptr);
      unsetenv("MODLINK_ROOT");
      execv(CARDSIM_PROGRAM, const_cast<char* const*>(argv.data()));
      _exit(127);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status)) << c.name;
    EXPECT_EQ(WEXITSTATUS(status), 2) << c.name;
  }
}

TEST(Program, ExampleScenariosParse) {
  DIR* dir = opendir(CARDSIM_EXAMPLES);
  ASSERT_NE(dir, nullptr);
  int seen = 0;
  while (dirent* e = readdir(dir)) {
    std::string name = e->d_name;
    if (name.size() < 4 || name.compare(name.size() - 4, 4, ".scn") != 0) continue;
    std::ifstream in(std::string(CARDSIM_EXAMPLES) + "/" + name);
    std::stringstream text;
    text << in.rdbuf();
    Scenario s;
    std::string error;
    EXPECT_TRUE(ParseScenario(text.str(), &s, &error)) << name << ": " << error;
    ++seen;
  }
  closedir(dir);
  EXPECT_GE(seen, 1);
}

}  // namespace
}  // namespace cardsim
