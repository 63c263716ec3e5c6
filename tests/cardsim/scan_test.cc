// A client's port scan run against the card: the key store is enumerated, every
// port of the card is probed the way the library's scan does it (probe, 10 ms,
// purge, probe, 10 ms, one read that ends 10 ms after the last byte), and the
// answers are classified by the library's rules. The library gives a silent port
// 2.1 s; the card answers within milliseconds, so 300 ms keeps the suite quick.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "cardsim.h"
#include "pty_client.h"

namespace cardsim {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<int> CardPorts(const cardsim_test::TempRoot& root) {
  std::vector<int> ports;
  DIR* dir = opendir(root.ValueDir().c_str());
  if (!dir) return ports;
  while (dirent* e = readdir(dir)) {
    std::string name = e->d_name;
    std::string data;
    if (name[0] == '.' || name.find("QCUSB") == std::string::npos) continue;
    if (!root.ReadValue(name, &data) || data.compare(0, 3, "COM") != 0) continue;
    ports.push_back(std::atoi(data.c_str() + 3));
  }
  closedir(dir);
  return ports;
}

// One probe exchange; returns the bytes read (at most 200).
std::string Probe(const std::string& path, const std::string& probe) {
  cardsim_test::PtyClient port;
  if (!port.Open(path)) return "";
  tcflush(port.Fd(), TCIOFLUSH);
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  port.Write(probe);
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  tcflush(port.Fd(), TCIFLUSH);
  port.Write(probe);
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::string answer;
  auto deadline = Clock::now() + std::chrono::milliseconds(300);
  while (answer.size() < 200) {
    int wait = answer.empty()
                   ? static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          deadline - Clock::now())
                                          .count())
                   : 10;  // interval time-out once bytes have come
    if (wait <= 0) break;
    pollfd p{port.Fd(), POLLIN, 0};
    if (poll(&p, 1, wait) <= 0) break;
    char buf[200];
    ssize_t n = read(port.Fd(), buf, 200 - answer.size());
    if (n <= 0) break;
    answer.append(buf, static_cast<size_t>(n));
  }
  return answer;
}

struct ScanResult {
  bool found = false;
  bool dual = false;
  int atPort = -1, modemPort = -1, videoPort = -1;
};

ScanResult Scan(const cardsim_test::TempRoot& root) {
  ScanResult r;
  int counted = 0, needed = 1;
  for (int com : CardPorts(root)) {
    std::string a = Probe(root.Link(com), "AT\r\n");
    if (a.find("OK") != std::string::npos) {
      r.atPort = com;
      r.dual = false;
      r.found = true;
      break;
    }
    if (a.find("+CINQP: MODEM PORT,2") != std::string::npos) {
      r.dual = true;
      r.atPort = com;
      if (++counted == 2) {
        r.found = true;
        break;
      }
      continue;
    }
    size_t m = a.find("+CINQP: MODEM PORT");
    if (m != std::string::npos) {
      char c = m + 19 < a.size() ? a[m + 19] : '\0';
      if (c == '1' || c == '\n') {
        r.modemPort = com;
        needed = 2;
      } else {
        r.atPort = com;
        r.dual = false;
      }
      if (++counted == needed) {
        r.found = true;
        break;
      }
    }
  }
  const std::string probe("AT\0\0\x03\0\0\0\0\0\0", 11);
  std::string expected = probe;
  expected[8] = 0x01;
  for (int com : CardPorts(root)) {
    if (com == r.atPort) continue;
    if (Probe(root.Link(com), probe).compare(0, 11, expected) == 0) {
      r.videoPort = com;
      break;
    }
  }
  return r;
}

TEST(PortScan, FindsTheSinglePortCard) {
  cardsim_test::TempRoot root;
  Card card(root.Path());
  ASSERT_TRUE(card.Plug());
  ASSERT_TRUE(RegisterForeignPort(root.Path(), "\\Device\\Serial0", 1));  // ignored by the scan
  ScanResult r = Scan(root);
  EXPECT_TRUE(r.found);
  EXPECT_FALSE(r.dual);
  EXPECT_EQ(r.atPort, card.AtPort());
  EXPECT_EQ(r.videoPort, card.VideoPort());
}

TEST(PortScan, FindsBothPortsOfTheDualPortCard) {
  cardsim_test::TempRoot root;
  CardOptions options;
  options.dualPort = true;
  Card card(root.Path(), options);
  ASSERT_TRUE(card.Plug());
  ScanResult r = Scan(root);
  EXPECT_TRUE(r.found);
  EXPECT_TRUE(r.dual);
  EXPECT_EQ(r.atPort, card.AtPort());
  EXPECT_EQ(r.modemPort, card.ModemPort());
  EXPECT_EQ(r.videoPort, card.VideoPort());
}

TEST(PortScan, FindsTheCardAgainAfterAReplug) {
  cardsim_test::TempRoot root;
  Card card(root.Path());
  ASSERT_TRUE(card.Plug());
  ASSERT_EQ(Scan(root).atPort, card.AtPort());
  ASSERT_TRUE(card.Replug());
  ScanResult r = Scan(root);
  EXPECT_TRUE(r.found);
  EXPECT_EQ(r.atPort, card.AtPort());
  EXPECT_EQ(CardPorts(root).size(), 3u);  // the old values are gone
}

}  // namespace
}  // namespace cardsim
