// The simulated card as a client sees it: through the port map and real ptys.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <regex>

#include "cardsim.h"
#include "keystore.h"
#include "pty_client.h"
#include "sms_pdu.h"

namespace cardsim {
namespace {

using cardsim_test::PtyClient;
using cardsim_test::TempRoot;

const std::string kOk = "\r\nOK\r\n";
std::string Info(const std::string& line) { return "\r\n" + line + "\r\n" + kOk; }

std::string LinkTarget(const std::string& link) {
  char buf[256] = {};
  ssize_t n = readlink(link.c_str(), buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, static_cast<size_t>(n)) : "";
}

class CardTest : public ::testing::Test {
 protected:
  void Start(CardOptions options = {}) {
    card = std::make_unique<Card>(root.Path(), options);
    ASSERT_TRUE(card->Plug());
  }
  void Connect(PtyClient& client, int com, PortKind kind) {
    ASSERT_TRUE(client.Open(root.Link(com))) << root.Link(com);
    ASSERT_TRUE(card->WaitForClient(kind, true, 2000));
  }
  // Opens the AT port and returns the client.
  PtyClient& At() {
    if (!at.IsOpen()) Connect(at, card->AtPort(), PortKind::kAt);
    return at;
  }

  TempRoot root;
  std::unique_ptr<Card> card;
  PtyClient at;
};

// --- Key store and port map ----------------------------------------------------

std::vector<std::string> ReadEvents(int fd, int portsWatch) {
  std::vector<std::string> events;
  alignas(inotify_event) char buf[8192];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0) break;
    for (char* p = buf; p < buf + n;) {
      auto* e = reinterpret_cast<inotify_event*>(p);
      std::string name = e->len ? e->name : "";
      if (!name.empty() && name[0] != '.') {
        std::string where = e->wd == portsWatch ? "link " : "value ";
        std::string op = (e->mask & IN_DELETE) ? "-" : "+";
        events.push_back(op + where + name);
      }
      p += sizeof(inotify_event) + e->len;
    }
  }
  return events;
}

size_t IndexOf(const std::vector<std::string>& v, const std::string& s) {
  for (size_t i = 0; i < v.size(); ++i)
    if (v[i] == s) return i;
  return v.size();
}

TEST_F(CardTest, PlugWritesLinkBeforeValueAndUnplugRemovesValueBeforeLink) {
  KeyStore keys(root.Path());
  ASSERT_TRUE(keys.EnsureLayout());
  int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(fd, 0);
  int portsWatch = inotify_add_watch(fd, keys.PortsDir().c_str(), IN_CREATE | IN_DELETE);
  inotify_add_watch(fd, keys.SerialCommDir().c_str(), IN_MOVED_TO | IN_CREATE | IN_DELETE);

  CardOptions options;
  options.dualPort = true;
  Start(options);
  std::vector<std::string> plug = ReadEvents(fd, portsWatch);
  int coms[] = {card->AtPort(), card->ModemPort(), card->VideoPort(), card->AudioPort()};
  EXPECT_EQ(coms[0], 3);
  EXPECT_EQ(coms[1], 4);
  EXPECT_EQ(coms[2], 5);
  EXPECT_EQ(coms[3], 6);
  for (int com : coms) {
    std::string n = std::to_string(com);
    size_t link = IndexOf(plug, "+link COM" + n);
    size_t value = IndexOf(plug, "+value \\Device\\QCUSB_COM" + n);
    ASSERT_LT(link, plug.size());
    ASSERT_LT(value, plug.size());
    EXPECT_LT(link, value) << "COM" << n;
    std::string data;
    ASSERT_TRUE(root.ReadValue("\\Device\\QCUSB_COM" + n, &data));
    EXPECT_EQ(data, "COM" + n);  // no terminator
  }
  EXPECT_EQ(LinkTarget(root.Link(coms[0])), card->DevicePath(PortKind::kAt));
  EXPECT_EQ(card->DevicePath(PortKind::kAt).rfind("/dev/pts/", 0), 0u);

  card->Unplug();
  std::vector<std::string> unplug = ReadEvents(fd, portsWatch);
  for (int com : coms) {
    std::string n = std::to_string(com);
    size_t value = IndexOf(unplug, "-value \\Device\\QCUSB_COM" + n);
    size_t link = IndexOf(unplug, "-link COM" + n);
    ASSERT_LT(value, unplug.size());
    ASSERT_LT(link, unplug.size());
    EXPECT_LT(value, link) << "COM" << n;
  }
  EXPECT_EQ(card->AtPort(), -1);
  close(fd);
}

TEST_F(CardTest, PortsTakeTheLowestFreeNumbersFromTheBase) {
  KeyStore keys(root.Path());
  ASSERT_TRUE(keys.EnsureLayout());
  ASSERT_EQ(symlink("/dev/null", root.Link(4).c_str()), 0);  // another device holds COM4
  CardOptions options;
  options.audioPort = false;
  Start(options);
  EXPECT_EQ(card->AtPort(), 3);
  EXPECT_EQ(card->VideoPort(), 5);
  EXPECT_EQ(card->AudioPort(), -1);
  EXPECT_EQ(card->ModemPort(), 3);  // single-port card: the AT port carries data
  EXPECT_EQ(LinkTarget(root.Link(4)), "/dev/null");
  card->Unplug();
  EXPECT_EQ(LinkTarget(root.Link(4)), "/dev/null");  // not ours, left alone

  Card other(root.Path(), [] {
    CardOptions o;
    o.comBase = 10;
    o.videoPort = o.audioPort = false;
    return o;
  }());
  ASSERT_TRUE(other.Plug());
  EXPECT_EQ(other.AtPort(), 10);
}

TEST_F(CardTest, ReplugMovesToNewNumbersAndHangsUpTheOldPort) {
  Start();
  int oldAt = card->AtPort();
  PtyClient& client = At();
  EXPECT_EQ(client.Command("AT"), kOk);
  ASSERT_TRUE(card->Replug());
  EXPECT_TRUE(client.WaitHangup(2000));
  int newAt = card->AtPort();
  EXPECT_GT(newAt, card->AudioPort() - 3);
  EXPECT_NE(newAt, oldAt);
  std::string data;
  EXPECT_FALSE(root.ReadValue("\\Device\\QCUSB_COM" + std::to_string(oldAt), &data));
  struct stat st;
  EXPECT_NE(lstat(root.Link(oldAt).c_str(), &st), 0);
  ASSERT_TRUE(root.ReadValue("\\Device\\QCUSB_COM" + std::to_string(newAt), &data));
  EXPECT_EQ(data, "COM" + std::to_string(newAt));
  PtyClient fresh;
  Connect(fresh, newAt, PortKind::kAt);
  EXPECT_EQ(fresh.Command("AT"), kOk);
}

TEST_F(CardTest, PortCanBeReopenedAfterTheClientClosesIt) {
  Start();
  for (int round = 0; round < 3; ++round) {
    PtyClient client;
    Connect(client, card->AtPort(), PortKind::kAt);
    EXPECT_EQ(client.Command("AT+CSQ"), Info("+CSQ: 20,99")) << round;
    client.Close();
    ASSERT_TRUE(card->WaitForClient(PortKind::kAt, false, 2000));
  }
}

TEST_F(CardTest, ExclusiveFlagOfAClosedClientDoesNotOutliveIt) {
  // An unprivileged client could not reopen a pty whose last user left TIOCEXCL
  // set; the card clears it when the client goes (checked here with TIOCGEXCL).
  Start();
  PtyClient first;
  Connect(first, card->AtPort(), PortKind::kAt);
  int excl = 0;
  ASSERT_EQ(ioctl(first.Fd(), TIOCGEXCL, &excl), 0);
  EXPECT_EQ(excl, 1);
  first.Close();
  ASSERT_TRUE(card->WaitForClient(PortKind::kAt, false, 2000));
  int fd = open(root.Link(card->AtPort()).c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ioctl(fd, TIOCGEXCL, &excl), 0);
  EXPECT_EQ(excl, 0);
  close(fd);
}

TEST_F(CardTest, ForeignPortIsRegisteredWithoutTheCardMarker) {
  EXPECT_TRUE(RegisterForeignPort(root.Path(), "\\Device\\Serial0", 1));
  std::string data;
  ASSERT_TRUE(root.ReadValue("\\Device\\Serial0", &data));
  EXPECT_EQ(data, "COM1");
  EXPECT_FALSE(RegisterForeignPort(root.Path(), "\\Device\\QCUSB_COM1", 1));
  EXPECT_FALSE(RegisterForeignPort(root.Path(), ".hidden", 1));
  EXPECT_TRUE(UnregisterForeignPort(root.Path(), "\\Device\\Serial0"));
  EXPECT_FALSE(root.ReadValue("\\Device\\Serial0", &data));
}

// --- Port probes ----------------------------------------------------------------

const std::string kVideoProbe("AT\0\0\x03\0\0\0\0\0\0", 11);

TEST_F(CardTest, SinglePortCardAnswersTheProbesOnTheirPorts) {
  Start();
  PtyClient& atPort = At();
  PtyClient video;
  Connect(video, card->VideoPort(), PortKind::kVideo);

  // The AT probe twice, as a port scan sends it.
  ASSERT_TRUE(atPort.Write("AT\r\n"));
  ASSERT_TRUE(atPort.Write("AT\r\n"));
  EXPECT_EQ(atPort.ReadCount(12), kOk + kOk);

  // The video port ignores the AT probe: the video answer is the first thing it sends.
  ASSERT_TRUE(video.Write("AT\r\n"));
  ASSERT_TRUE(card->WaitForReceived("AT\r\n", 2000, PortKind::kVideo));
  ASSERT_TRUE(video.Write(kVideoProbe));
  std::string answer = video.ReadCount(11);
  ASSERT_EQ(answer.size(), 11u);
  std::string expected = kVideoProbe;
  expected[8] = 0x01;
  EXPECT_EQ(answer, expected);

  // The AT port ignores the video probe (binary, no command); AT after it is answered.
  ASSERT_TRUE(atPort.Write(kVideoProbe));
  EXPECT_EQ(atPort.Command("AT"), kOk);
}

TEST_F(CardTest, DualPortCardAnswersBareAtWithItsPortRole) {
  CardOptions options;
  options.dualPort = true;
  options.modem.modemPortDigit = 3;
  Start(options);
  PtyClient& atPort = At();
  PtyClient modem;
  Connect(modem, card->ModemPort(), PortKind::kModem);

  const std::string modemLine = "\r\n+CINQP: MODEM PORT,1\r\n";
  ASSERT_TRUE(modem.Write("AT\r\n"));
  std::string m = modem.ReadUntil(modemLine);
  EXPECT_EQ(m, modemLine);
  size_t pos = m.find("+CINQP: MODEM PORT");
  EXPECT_EQ(m[pos + 19], '1');  // the digit a scan looks at
  EXPECT_EQ(m.find("OK"), std::string::npos);

  ASSERT_TRUE(atPort.Write("AT\r\n"));
  std::string a = atPort.ReadUntil("PORT,2,3\r\n");
  EXPECT_EQ(a, "\r\n+CINQP: MODEM PORT,2,3\r\n");
  // Other commands still get their final result on both ports.
  EXPECT_EQ(atPort.Command("AT+CSQ"), Info("+CSQ: 20,99"));
  EXPECT_EQ(modem.Command("ATE0"), kOk);
}

// --- Command table ---------------------------------------------------------------

struct CommandCase {
  const char* command;
  std::string expected;
  bool prefixOnly = false;
};

TEST_F(CardTest, CommandTableThroughThePty) {
  Start();
  PtyClient& client = At();
  const std::string cme50 = "\r\n+CME ERROR: incorrect parameters\r\n";
  // In order: later rows depend on state set by earlier ones.
  const CommandCase cases[] = {
      {"AT", kOk},
      {"ATI",
       "\r\nManufacturer: Modlink Simulated Devices\r\nModel: CARDSIM-3G\r\n"
       "Revision: CS1.0.0\r\nIMEI: 351234567890123\r\n" +
           kOk},
      {"AT+CGSN", Info("+CGSN: 351234567890123")},
      {"AT+CIMI", Info("+CIMI: 460011234567890")},
      {"AT+CINQSWRV?", Info("+CINQSWRV: CARDSIM_FW_1.0")},
      {"AT+CSQ", Info("+CSQ: 20,99")},
      {"AT+CREG?", Info("+CREG: 0,1")},
      {"AT+CGREG=2", kOk},
      {"AT+CGREG?", Info("+CGREG: 2,1,\"1A2B\",\"00C3D4E5\"")},
      {"AT+CREG=3", cme50},
      {"AT*CNTI?", Info("*CNTI: 0,UMTS")},
      {"AT+COPS?", Info("+COPS: 0,0,\"Simulated Mobile\",2")},
      {"AT+COPS=3,2", kOk},
      {"AT+COPS?", Info("+COPS: 0,2,\"46000\",2")},
      {"AT+COPS=5,2,\"46099\",0", "\r\n+CME ERROR: operation not allowed\r\n"},
      {"AT+COPS=5,2,\"46001\",2", kOk},
      {"AT+COPS?", Info("+COPS: 5,2,\"46001\",2")},
      {"AT+CNMP=13", kOk},
      {"AT+CNMP?", Info("+CNMP: 13")},
      {"AT+CNBP=0x0002000000000380", kOk},
      {"AT+CNBP?", Info("+CNBP: 0x0002000000000380")},
      {"AT+CNBP=0xZZ", cme50},
      {"AT+CNRP=FF", kOk},
      {"AT+CNRP?", Info("+CNRP: FF")},
      {"AT+CNAOP=2", kOk},
      {"AT+CNAOP?", Info("+CNAOP: 2")},
      {"AT+CNSDP?", Info("+CNSDP: 2")},
      {"AT+CFUN?", Info("+CFUN: 1")},
      {"AT+CCLK=2014-08-30,08:05:34", kOk},
      {"AT+CCLK?", "\r\n+CCLK: 2014-08-30,08:05:3", true},
      {"AT+CCLK=2014-13-30,08:05:34", cme50},
      {"AT+CPSI?", "\r\n+CPSI: WCDMA,Online,460-01,0x1A2B,", true},
      {"AT+CHSDPACAT=12", Info("+CHSDPACAT: SUCCESS")},
      {"AT+CHSDPACAT=7", Info("+CHSDPACAT: FAIL")},
      {"AT+CHSDPACAT?", Info("+CHSDPACAT: 12")},
      {"AT+CSWITCHDM=1,\"0000\"", Info("+CSWITCHDM: INCORRECT PASSWORD")},
      {"AT+CSWITCHDM=1,\"12345678\"", Info("+CSWITCHDM: SUCCEED")},
      {"AT+CSWITCHDM?", Info("+CSWITCHDM: 1")},
      {"AT+AUTOANSWER?", Info("+AUTOANSWER: 0")},
      {"AT+CMODEMSTATE?", Info("modem active")},
      {"AT+VGR=4", kOk},
      {"AT+VGR?", Info("+VGR: 4")},
      {"AT+VGR=5", cme50},
      {"AT+MICG=3", kOk},
      {"AT+MICG?", Info("+MICG: 003")},
      {"AT+EARKEY", Info("+EARKEY: 0")},
      {"AT+CMUT=1", kOk},
      {"AT+CMGF?", Info("+CMGF: 0")},
      {"AT+CSCA?", Info("+CSCA: \"002B0038003600310033003800300030003100300030003500300030\",145")},
      {"AT+CSCA=\"002B0031003200330034\"", kOk},
      {"AT+CSCA?", Info("+CSCA: \"002B0031003200330034\",145")},
      {"AT+CPMS=\"ME\",\"ME\",\"\"", Info("+CPMS: 0,100,0,100,0,20")},
      {"AT+CPMS?", Info("+CPMS: \"ME\",0,100,\"ME\",0,100,\"SM\",0,20")},
      {"AT+CPMS=\"XX\"", "\r\n+CMS ERROR: 302\r\n"},
      {"AT+CMGRO=1", "\r\n+CMS ERROR: 321\r\n"},
      {"AT+CMGL=?", Info("+CMGL: (0-4)")},
      {"AT+CMGL=4", kOk},
      {"AT+CMGRF?", Info("+CMGRF: 0")},
      {"AT+CMVP=167,1,2,3", kOk},
      {"AT+CMVP?", Info("+CMVP: 167,1,2,3")},
      {"AT+CGSMS=5", cme50},
      {"AT+CPBS=\"SM\"", kOk},
      {"AT+CPBS?", Info("+CPBS: \"SM\",0,250")},
      {"AT+CPBR=?", Info("+CPBR: (1-250),40,14")},
      {"AT+CPBR=251", "\r\n+CME ERROR: invalid index\r\n"},
      {"AT+CNUM", Info("+CNUM: \"\",\"13800138000\",129")},
      {"AT+CPIN?", Info("+CPIN: READY")},
      {"AT+SPIC", Info("+SPIC: 3,10,3,10")},
      {"AT+CLCK=\"SC\",2", Info("+CLCK: 0")},
      {"AT+CLCK=\"PN\",1,\"12345678\"", Info("+CLCK: SUCCESS")},
      {"AT+CLCK=\"PN\",2", Info("+CLCK: 1")},
      {"AT+CLCK=\"PN\",0,\"1\"", "\r\n+CLCK: FAIL\r\n\r\n+CME ERROR: incorrect password\r\n"},
      {"AT+CSIMLOCK?", Info("+CSIMLOCK: 0,0,0,0,0")},
      {"AT+CSIMLOCK=\"UCK\",\"SIM\"", Info("+CSIMLOCK: 12345678")},
      {"AT+CSIMLOCK=\"DCK\",\"NW\",\"0\",\"1\"", "\r\n+CSIMLOCK: INCORRECT PASSWORD\r\n"},
      {"AT+CSLWCODE=\"NW\"", Info("+CSLWCODE: IS EMPTY")},
      {"AT+CSLWCODE=\"NW\", \"1234\"", Info("+CSLWCODE: 1,\"1234\"")},
      {"AT+CSLWCODE=\"NW\", \"1234\"", Info("+CSLWCODE: IS EXIST")},
      {"AT+CSLDCODE=\"NW\", \"9999\"", Info("+CSLDCODE: IS NOT EXIST")},
      {"AT+CSLDCODE=\"NW\", \"1234\"", Info("+CSLDCODE: IS EMPTY")},
      {"AT+CFDN=1", "\r\n+CFDN: FAIL\r\n\r\n+CME ERROR: SIM PIN2 required\r\n"},
      {"AT+CPIN=\"FD\",\"5678\"", kOk},
      {"AT+CFDN=1", Info("+CFDN: SUCCESS")},
      {"AT+CCWA=0,1", kOk},
      {"AT+CCWA=0,2", Info("+CCWA: 1,1")},
      {"AT+CCFC=0,3,\"+123\",145,1", kOk},
      {"AT+CCFC=0,2,\"\",129,1", Info("+CCFC: 1,1,\"+123\",145,,,20")},
      {"AT+CCFC=1,2,\"\",129,1", Info("+CCFC: 0,7")},
      {"AT+CCFC=6,2,\"\",129,1", cme50},
      {"ATD12a;", "\r\n+CME ERROR: invalid characters in dial string\r\n"},
      {"AT+CHUP", kOk},
      {"ATA", "\r\nNO CARRIER\r\n"},
      {"AT+BOGUS", "\r\nERROR\r\n"},
      {"ATX", "\r\nERROR\r\n"},
      {"at+csq", Info("+CSQ: 20,99")},
      {"AT+CMEE=1", kOk},
      {"AT+VGR=9", "\r\n+CME ERROR: 50\r\n"},
  };
  for (const CommandCase& c : cases) {
    std::string got = client.Command(c.command);
    if (c.prefixOnly) {
      EXPECT_EQ(got.substr(0, c.expected.size()), c.expected)
          << c.command << " -> " << Printable(got);
      EXPECT_TRUE(cardsim_test::HasFinalResult(got)) << c.command;
    } else {
      EXPECT_EQ(got, c.expected) << c.command << " -> " << Printable(got);
    }
  }
  EXPECT_EQ(card->ReceivedLineCount(PortKind::kAt), std::size(cases));
}

TEST_F(CardTest, EchoIsOffByDefaultAndFollowsAte) {
  Start();
  PtyClient& client = At();
  EXPECT_EQ(client.Command("ATE1"), kOk);  // echo switches on after this line
  // The command is echoed up to its CR; the answer follows (CR CR LF on the wire).
  EXPECT_EQ(client.Command("AT+CSQ"), "AT+CSQ\r" + Info("+CSQ: 20,99"));
  EXPECT_EQ(client.Command("ATE0"), "ATE0\r" + kOk);
  EXPECT_EQ(client.Command("AT"), kOk);
}

TEST_F(CardTest, SplitLinesAndBackspaceAreAssembled) {
  Start();
  PtyClient& client = At();
  ASSERT_TRUE(client.Write("AT+C"));
  ASSERT_TRUE(card->WaitForReceived("AT+C", 2000));
  EXPECT_EQ(client.Command("SX\bQ"), Info("+CSQ: 20,99"));
  // Text before "AT" is not part of the command.
  EXPECT_EQ(client.Command("xyzAT"), kOk);
}

// --- Scenario controls -----------------------------------------------------------

TEST_F(CardTest, RulesAnswerBeforeTheEngine) {
  Start();
  PtyClient& client = At();
  card->AddRule("AT+CSQ", "\r\n+CSQ: 5,0\r\n\r\nOK\r\n", 1);
  card->AddRegexRule("AT\\+FOO=[0-9]+", "\r\n+FOO: matched\r\n\r\nOK\r\n");
  card->AddRule("AT+MUTE", "");  // answered with nothing
  EXPECT_EQ(client.Command("AT+CSQ"), Info("+CSQ: 5,0"));
  EXPECT_EQ(client.Command("AT+CSQ"), Info("+CSQ: 20,99"));  // the once-rule is gone
  EXPECT_EQ(client.Command("AT+FOO=12"), Info("+FOO: matched"));
  EXPECT_EQ(client.Command("AT+FOO=x"), "\r\nERROR\r\n");  // regex must match the whole line
  ASSERT_TRUE(client.Write("AT+MUTE\r\n"));
  ASSERT_TRUE(card->WaitForReceived("AT+MUTE\r\n", 2000));
  EXPECT_EQ(client.Command("AT"), kOk);  // nothing came before this answer
  card->ClearRules();
  EXPECT_EQ(client.Command("AT+FOO=12"), "\r\nERROR\r\n");
  EXPECT_THROW(card->AddRegexRule("AT(", "x"), std::regex_error);
}

TEST_F(CardTest, SplitAndLateAnswersShowInTheTranscript) {
  Start();
  PtyClient& client = At();
  card->SplitNextResponse(4, 150);
  EXPECT_EQ(client.Command("AT+CSQ"), Info("+CSQ: 20,99"));
  card->SetAnswerDelay(200);
  EXPECT_EQ(client.Command("AT"), kOk);
  card->SetAnswerDelay(0);

  std::vector<TranscriptEntry> sent, received;
  for (const TranscriptEntry& e : card->Transcript()) {
    if (e.port != PortKind::kAt) continue;
    if (e.direction == Direction::kSent) sent.push_back(e);
    if (e.direction == Direction::kReceived) received.push_back(e);
  }
  ASSERT_EQ(sent.size(), 3u);
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(sent[0].bytes, "\r\n+C");
  EXPECT_EQ(sent[1].bytes, "SQ: 20,99\r\n" + kOk);
  EXPECT_GE(sent[1].time - sent[0].time, std::chrono::milliseconds(150));
  EXPECT_EQ(sent[2].bytes, kOk);
  EXPECT_GE(sent[2].time - received[1].time, std::chrono::milliseconds(200));
}

TEST_F(CardTest, SilentCardReceivesButAnswersNothing) {
  Start();
  PtyClient& client = At();
  card->SetSilent(true);
  card->SendUnsolicited("\r\nRING\r\n");
  ASSERT_TRUE(client.Write("AT+CSQ\r\n"));
  ASSERT_TRUE(card->WaitForReceived("AT+CSQ\r\n", 2000));
  card->SetSilent(false);
  EXPECT_EQ(client.Command("AT"), kOk);  // first bytes after the silence
}

TEST_F(CardTest, UnsolicitedLinesReachTheClientInOrder) {
  Start();
  PtyClient& client = At();
  card->SendUnsolicited("\r\nRING\r\n");
  card->SendUnsolicited("\r\n+CLIP: \"10086\",129\r\n", PortKind::kAt, 50);
  EXPECT_EQ(client.ReadUntil("129\r\n"), "\r\nRING\r\n\r\n+CLIP: \"10086\",129\r\n");
}

TEST_F(CardTest, UnsolicitedBytesWithoutAClientAreDroppedAndRecorded) {
  Start();
  card->SendUnsolicited("\r\nRING\r\n");
  bool dropped = false;
  for (const TranscriptEntry& e : card->Transcript())
    dropped |= e.direction == Direction::kEvent && e.bytes.find("dropped (no client)") == 0;
  EXPECT_TRUE(dropped);
  PtyClient& client = At();
  EXPECT_EQ(client.Command("AT"), kOk);  // the RING was not kept for the next client
}

TEST_F(CardTest, TranscriptStaysWithinItsLimit) {
  CardOptions options;
  options.transcriptLimitBytes = 4096;
  Start(options);
  PtyClient& client = At();
  size_t next = 0;
  for (int i = 0; i < 200; ++i) ASSERT_EQ(client.Command("AT+CSQ"), Info("+CSQ: 20,99"));
  std::vector<TranscriptEntry> all = card->TranscriptFrom(0, &next);
  size_t kept = 0;
  for (const TranscriptEntry& e : all) kept += e.bytes.size();
  EXPECT_LE(kept, 4096u);
  EXPECT_GE(next, 400u);  // positions count every entry, dropped ones included
  EXPECT_LT(all.size(), next);
  EXPECT_TRUE(card->TranscriptFrom(next, &next).empty());
  EXPECT_EQ(card->ReceivedLineCount(PortKind::kAt), 200u);
  EXPECT_LE(card->Received(PortKind::kAt).size(), 4096u);
}

// --- Network events and calls -----------------------------------------------------

TEST_F(CardTest, RegistrationSignalAndTechnologyReports) {
  Start();
  PtyClient& client = At();
  for (const char* line : {"AT+CREG=1", "AT+CGREG=1", "AT+AUTOCSQ=1", "AT+CNSMOD=1"})
    ASSERT_EQ(client.Command(line), kOk) << line;
  card->SetRegistration(5);
  card->SetPacketRegistration(5);
  card->SetSignal(9, 99);
  card->SetAccessTechnology("HSDPA");
  card->SetModemState("modem background");
  EXPECT_EQ(client.ReadUntil("modem background\r\n"),
            "\r\n+CREG: 5\r\n\r\n+CGREG: 5\r\n\r\n+CSQ: 9,99\r\n\r\n*CNTI: 0,HSDPA\r\n"
            "\r\nmodem background\r\n");
  EXPECT_EQ(client.Command("AT+CFUN=4"), kOk);
  EXPECT_EQ(client.ReadUntil("+CGREG: 0\r\n"), "\r\n+CREG: 0\r\n\r\n+CGREG: 0\r\n");
}

TEST_F(CardTest, OutgoingCallIsAnsweredAndReleased) {
  Start();
  PtyClient& client = At();
  EXPECT_EQ(client.Command("ATD+8613912345678;"), kOk);
  EXPECT_EQ(client.ReadUntil("BEGIN\r\n"), "\r\nVOICE CALL: BEGIN\r\n");
  EXPECT_EQ(client.Command("AT+VTS=1"), kOk);
  std::string end = client.Command("AT+CHUP");
  EXPECT_EQ(end.substr(0, 19), "\r\nVOICE CALL: END: ");
  EXPECT_EQ(end.size(), 19u + 6 + 2 + kOk.size());  // six-digit duration
  // Busy remote party: NO CARRIER after the OK.
  card->SetCallOutcome(Modem::CallOutcome::kBusy);
  EXPECT_EQ(client.Command("ATD10086;"), kOk);
  EXPECT_EQ(client.ReadUntil("NO CARRIER\r\n"), "\r\nNO CARRIER\r\n");
  // The dialled numbers are in the dialled-calls book, newest first.
  EXPECT_EQ(client.Command("AT+CPBS=\"DC\""), kOk);
  EXPECT_EQ(
      client.Command("AT+CPBR=1,2"),
      "\r\n+CPBR: 1,\"10086\",129,\"\"\r\n\r\n+CPBR: 2,\"+8613912345678\",145,\"\"\r\n" + kOk);
}

TEST_F(CardTest, IncomingCallRingsWithCallerIdUntilAnsweredOrMissed) {
  CardOptions options;
  options.modem.ringIntervalMs = 100;
  Start(options);
  PtyClient& client = At();
  ASSERT_EQ(client.Command("AT+CLIP=1"), kOk);
  card->IncomingCall("13912345678");
  const std::string ring = "\r\nRING\r\n\r\n+CLIP: \"13912345678\",129,,,,0\r\n";
  EXPECT_EQ(client.ReadUntil(ring), ring);
  EXPECT_EQ(client.ReadUntil(ring), ring);  // rings again
  std::string answered = client.Command("ATA");
  EXPECT_EQ(answered.substr(answered.size() - 27), "\r\nVOICE CALL: BEGIN\r\n" + kOk);
  card->RemoteHangup();
  EXPECT_NE(client.ReadUntil("VOICE CALL: END: ").find("VOICE CALL: END: "), std::string::npos);

  card->IncomingCall("10086");
  client.ReadUntil("RING\r\n");
  card->RemoteHangup();
  std::string missed = client.ReadUntil(" 10086\r\n");
  EXPECT_NE(missed.find("\r\nMISSED_CALL: "), std::string::npos) << Printable(missed);
}

TEST_F(CardTest, PcmFlowsOnTheAudioPortDuringACallWhenRouted) {
  CardOptions options;
  options.modem.pcmFramed = true;
  Start(options);
  PtyClient& client = At();
  PtyClient audio;
  Connect(audio, card->AudioPort(), PortKind::kAudio);
  ASSERT_EQ(client.Command("AT+CPCMREG=1"), kOk);
  ASSERT_EQ(client.Command("ATD10086;"), kOk);
  ASSERT_EQ(client.ReadUntil("BEGIN\r\n"), "\r\nVOICE CALL: BEGIN\r\n");
  std::string frame = audio.ReadCount(16 + 1600);
  ASSERT_EQ(frame.size(), 1616u);
  EXPECT_EQ(static_cast<unsigned char>(frame[0]), 255u);          // kind: PCM voice
  EXPECT_EQ(frame.substr(4, 4), std::string("\x40\x06\0\0", 4));  // 1600, little-endian
  ASSERT_TRUE(audio.Write(std::string(320, '\0')));
  ASSERT_TRUE(card->WaitForReceived(std::string(320, '\0'), 2000, PortKind::kAudio));
  uint64_t up = 0;
  card->WithModem([&](Modem& m) {
    up = m.audioBytesReceived;
    return Outputs{};
  });
  EXPECT_EQ(up, 320u);
}

TEST_F(CardTest, VideoCallEventsAndLoopback) {
  Start();
  PtyClient& client = At();
  PtyClient video;
  Connect(video, card->VideoPort(), PortKind::kVideo);
  EXPECT_EQ(client.Command("AT+VPMAKE=\"10086\""), kOk);
  EXPECT_EQ(client.ReadUntil("VPCONNECTED\r\n"), "\r\nVPRINGBACK\r\n\r\nVPCONNECTED\r\n");
  ASSERT_TRUE(video.Write("frame"));
  EXPECT_EQ(video.ReadCount(5), "frame");
  EXPECT_EQ(client.Command("AT+VPEND"), kOk);
  EXPECT_EQ(client.ReadUntil("VPEND 16\r\n"), "\r\nVPEND 16\r\n");
  card->IncomingVideoCall("10010");
  EXPECT_EQ(client.ReadUntil("10010\r\n"), "\r\nVPINCOM 10010\r\n");
  EXPECT_EQ(client.Command("AT+VPANSWER"), kOk);
  EXPECT_EQ(client.ReadUntil("VPCONNECTED\r\n"), "\r\nVPCONNECTED\r\n");
}

TEST_F(CardTest, OperatorSearchAnswersLateOrNever) {
  CardOptions options;
  options.modem.operatorListDelayMs = 100;
  Start(options);
  PtyClient& client = At();
  std::string list = client.Command("AT+COPS=?");
  EXPECT_EQ(list, Info("+COPS: (2,\"Simulated Mobile\",\"SIMMOB\",\"46000\",2),"
                       "(1,\"Second Network\",\"SECOND\",\"46001\",2),"
                       "(3,\"Forbidden Net\",\"FORBID\",\"46099\",0),,(0,1,2,3,4),(0,1,2)"));
  card->WithModem([](Modem& m) {
    m.config.operatorListDelayMs = -1;
    return Outputs{};
  });
  ASSERT_TRUE(client.Write("AT+COPS=?\r\n"));
  ASSERT_TRUE(card->WaitForReceived("AT+COPS=?\r\nAT+COPS=?\r\n", 2000));
  // A search that never ends is cut short by the next command, which is answered.
  EXPECT_EQ(client.Command("AT+COPS?"), Info("+COPS: 0,0,\"Simulated Mobile\",2"));
}

// --- Data phase -------------------------------------------------------------------

TEST_F(CardTest, DialUpOnTheModemPortCountsDataUntilHangUp) {
  CardOptions options;
  options.dualPort = true;
  Start(options);
  PtyClient modem;
  Connect(modem, card->ModemPort(), PortKind::kModem);
  EXPECT_EQ(At().Command("ATD*99#"), "\r\nNO CARRIER\r\n");  // not on the AT port
  EXPECT_EQ(modem.Command("ATD*99#"), "\r\nCONNECT 3600000\r\n");
  ASSERT_TRUE(modem.Write(std::string(1000, '\x7E')));
  ASSERT_TRUE(card->WaitForReceived(std::string(1000, '\x7E'), 2000, PortKind::kModem));
  card->SendUnsolicited("PPPDATA", PortKind::kModem);
  EXPECT_EQ(modem.ReadCount(7), "PPPDATA");
  ASSERT_TRUE(modem.Write("+++"));
  EXPECT_EQ(modem.ReadUntil(kOk), kOk);
  uint64_t in = 0, out = 0;
  card->WithModem([&](Modem& m) {
    in = m.dataBytesReceived;
    out = m.dataBytesSent;
    return Outputs{};
  });
  EXPECT_EQ(in, 1000u);
  EXPECT_EQ(out, 7u);
  EXPECT_EQ(modem.Command("ATO"), "\r\nCONNECT\r\n");
  ASSERT_TRUE(modem.Write("+++"));
  EXPECT_EQ(modem.ReadUntil(kOk), kOk);
  EXPECT_EQ(modem.Command("ATH"), kOk);
  EXPECT_EQ(modem.Command("ATO"), "\r\nNO CARRIER\r\n");

  // DTR drop (the client closes the port) ends the call.
  EXPECT_EQ(modem.Command("ATD*99***1#"), "\r\nCONNECT 3600000\r\n");
  modem.Close();
  ASSERT_TRUE(card->WaitForClient(PortKind::kModem, false, 2000));
  bool connected = true;
  card->WithModem([&](Modem& m) {
    connected = m.dataConnected;
    return Outputs{};
  });
  EXPECT_FALSE(connected);
  Connect(modem, card->ModemPort(), PortKind::kModem);
  EXPECT_EQ(modem.Command("ATD*99#"), "\r\nCONNECT 3600000\r\n");
  card->DropCarrier();
  EXPECT_EQ(modem.ReadUntil("NO CARRIER\r\n"), "\r\nNO CARRIER\r\n");
}

// --- SMS ----------------------------------------------------------------------------

// Splits "\r\n+HEAD: ...\r\n<pdu>\r\n" answers into (header, pdu) pairs.
std::vector<std::pair<std::string, std::string>> SmsEntries(const std::string& answer,
                                                            const std::string& head) {
  std::vector<std::pair<std::string, std::string>> out;
  size_t pos = 0;
  while ((pos = answer.find("\r\n" + head, pos)) != std::string::npos) {
    size_t eol = answer.find("\r\n", pos + 2);
    size_t pduEnd = answer.find("\r\n", eol + 2);
    out.emplace_back(answer.substr(pos + 2, eol - pos - 2),
                     answer.substr(eol + 2, pduEnd - eol - 2));
    pos = pduEnd;
  }
  return out;
}

TEST_F(CardTest, ArrivingMessagesAreIndicatedStoredReadListedAndDeleted) {
  Start();
  PtyClient& client = At();
  ASSERT_EQ(client.Command("AT+CNMI=1,1,2,1"), kOk);
  std::vector<int> idx = card->DeliverSms("+8613912345678", "Hello there");
  ASSERT_EQ(idx, std::vector<int>{1});
  EXPECT_EQ(client.ReadUntil("\"SM\",1\r\n"), "\r\n+CMTI: \"SM\",1\r\n");

  std::string read = client.Command("AT+CMGRO=1");
  auto entries = SmsEntries(read, "+CMGRO:");
  ASSERT_EQ(entries.size(), 1u) << Printable(read);
  auto d = DecodePdu(entries[0].second, true, nullptr);
  ASSERT_TRUE(d.has_value());
  EXPECT_EQ(entries[0].first, "+CMGRO: 0,," + std::to_string(TpduLength(entries[0].second)));
  EXPECT_EQ(d->address, "+8613912345678");
  EXPECT_EQ(d->text, "Hello there");
  EXPECT_EQ(d->serviceCentre, "+8613800100500");

  // A long UCS-2 message arrives as two concatenated parts.
  std::string longText;
  for (int i = 0; i < 80; ++i) longText += "\xe4\xbd\xa0";
  idx = card->DeliverSms("10086", longText, SmsCoding::kUcs2);
  ASSERT_EQ(idx, (std::vector<int>{2, 3}));
  client.ReadUntil("\"SM\",3\r\n");
  std::string list = client.Command("AT+CMGL=4");
  auto listed = SmsEntries(list, "+CMGL:");
  ASSERT_EQ(listed.size(), 3u) << Printable(list);
  EXPECT_EQ(listed[0].first.substr(0, 11), "+CMGL: 1,1,");  // read above
  EXPECT_EQ(listed[1].first.substr(0, 11), "+CMGL: 2,0,");
  std::string joined;
  for (size_t k = 1; k < 3; ++k) joined += DecodePdu(listed[k].second, true, nullptr)->text;
  EXPECT_EQ(joined, longText);
  EXPECT_EQ(client.Command("AT+CMGL=0"), kOk);  // listing marked them read

  std::string rd = client.Command("AT+CMGRD=2");
  EXPECT_EQ(SmsEntries(rd, "+CMGRD:").size(), 1u);
  EXPECT_EQ(client.Command("AT+CMGRO=2"), "\r\n+CMS ERROR: 321\r\n");
  EXPECT_EQ(client.Command("AT+CMGD=3"), kOk);
  EXPECT_EQ(client.Command("AT+CPMS?"), Info("+CPMS: \"SM\",1,20,\"SM\",1,20,\"SM\",1,20"));
  EXPECT_EQ(client.Command("AT+CMGD=0,4"), kOk);
  EXPECT_EQ(client.Command("AT+CPMS?"), Info("+CPMS: \"SM\",0,20,\"SM\",0,20,\"SM\",0,20"));

  // Class 0 is shown, not stored; a full store says so.
  card->DeliverSms("10086", "Flash", SmsCoding::kGsm7, 0);
  std::string flash = client.ReadUntil("\r\n+CLASS0:");
  flash += client.ReadUntil("\r\n", 2000);
  flash += client.ReadUntil("\r\n", 2000);
  auto c0 = SmsEntries(flash, "+CLASS0:");
  ASSERT_EQ(c0.size(), 1u) << Printable(flash);
  EXPECT_EQ(DecodePdu(c0[0].second, true, nullptr)->text, "Flash");
  card->WithModem([](Modem& m) {
    for (int i = 1; i <= 20; ++i) m.sms["SM"].slots[i] = SmsSlot{1, "00", false};
    return Outputs{};
  });
  EXPECT_TRUE(card->DeliverSms("10086", "no room").empty());
  EXPECT_EQ(client.ReadUntil("+SMS_FULL\r\n"), "\r\n+SMS_FULL\r\n");
}

TEST_F(CardTest, SentMessagesAreDecodedKeptAndReported) {
  Start();
  PtyClient& client = At();
  ASSERT_EQ(client.Command("AT+CNMI=1,1,2,1"), kOk);
  // SMS-SUBMIT "hi" to +123, 12 TPDU octets, one line.
  EXPECT_EQ(client.Command("AT+CMGSO=12,\"001100039121F30000AA02E834\""), Info("+CMGSO: 1"));
  // Status report requested: +CDS follows with the same message reference.
  EXPECT_EQ(client.Command("AT+CMGSO=12,\"003100039121F30000AA02E834\""), Info("+CMGSO: 2"));
  std::string cds = client.ReadUntil("\r\n+CDS: ");
  cds += client.ReadUntil("\r\n", 2000);
  cds += client.ReadUntil("\r\n", 2000);
  auto reports = SmsEntries(cds, "+CDS:");
  ASSERT_EQ(reports.size(), 1u) << Printable(cds);
  auto report = DecodePdu(reports[0].second, true, nullptr);
  ASSERT_TRUE(report.has_value());
  EXPECT_EQ(report->type, DecodedPdu::Type::kStatusReport);
  EXPECT_EQ(report->messageReference, 2);
  EXPECT_EQ(report->address, "+123");
  EXPECT_EQ(reports[0].first, "+CDS: " + std::to_string(TpduLength(reports[0].second)));

  std::vector<SentSms> sent = card->SentMessages();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].decoded.address, "+123");
  EXPECT_EQ(sent[0].decoded.text, "hi");

  // Refusals: wrong length, not hexadecimal, a deliver PDU sent as a submit.
  EXPECT_EQ(client.Command("AT+CMGSO=13,\"001100039121F30000AA02E834\""),
            "\r\n+CMS ERROR: 304\r\n");
  EXPECT_EQ(client.Command("AT+CMGSO=12,\"0011ZZ039121F30000AA02E834\""),
            "\r\n+CMS ERROR: 304\r\n");
  EXPECT_EQ(client.Command("AT+CMGSO=5,\"00040281F000006221113154702300\""),
            "\r\n+CMS ERROR: 304\r\n");

  // Store, draft, send from storage, tag.
  EXPECT_EQ(client.Command("AT+CMGWO=12,\"001100039121F30000AA02E834\""), Info("+CMGWO: 1"));
  EXPECT_EQ(client.Command("AT+CMGWOD=12,\"001100039121F30000AA02E834\""), Info("+CMGWO: 2"));
  EXPECT_EQ(client.Command("AT+CMSS=1"), Info("+CMSS: 3"));
  EXPECT_EQ(client.Command("AT+CMGL=3").substr(0, 18), "\r\n+CMGL: 1,3,,12\r\n");
  EXPECT_EQ(client.Command("AT+CMGWT=2,5"), Info("+CMGWT: 2,5"));
  EXPECT_EQ(client.Command("AT+CMGWT=9,5"), "\r\n+CMS ERROR: 321\r\n");
  EXPECT_EQ(client.Command("AT+CMGRF?"), Info("+CMGRF: 3"));

  // 27.005 prompt form: AT+CMGS=<len>, "> ", PDU, Ctrl-Z.
  EXPECT_EQ(client.Command("AT+CMGS=12"), "\r\n> ");
  ASSERT_TRUE(client.Write("001100039121F30000AA02E834\x1A"));
  EXPECT_EQ(client.ReadUntil(kOk), Info("+CMGS: 4"));
}

TEST_F(CardTest, SendPromptOnlyWhenAsked) {
  CardOptions options;
  options.modem.smsSendPrompt = true;
  Start(options);
  PtyClient& client = At();
  EXPECT_EQ(client.Command("AT+CMGSO=12,\"001100039121F30000AA02E834\""), "\r\n> ");
  EXPECT_EQ(client.ReadUntil(kOk), Info("+CMGSO: 1"));
}

// --- Phonebook and PIN ---------------------------------------------------------------

TEST_F(CardTest, StateSettersFillStorageForTheClient) {
  Start();
  PtyClient& client = At();
  const std::string pdu =
      "0891683108100005F0040D91683119325476F800006221113154702313C8329BFD0699E5EF36888E2E83C661391"
      "9";
  EXPECT_EQ(card->StoreSms("ME", pdu, 1, 5), 5);
  EXPECT_EQ(card->StoreSms("ME", pdu), 1);
  EXPECT_EQ(card->StoreSms("XX", pdu), -1);
  EXPECT_EQ(card->StoreSms("SM", "0891"), -1);      // does not decode
  EXPECT_EQ(card->StoreSms("SM", pdu, 0, 21), -1);  // past the capacity
  ASSERT_EQ(client.Command("AT+CPMS=\"ME\""), Info("+CPMS: 2,100,0,20,0,20"));
  EXPECT_EQ(client.Command("AT+CMGRO=5"), "\r\n+CMGRO: 1,,37\r\n" + pdu + "\r\n" + kOk);
  EXPECT_TRUE(card->AddPhonebookEntry("SM", 7, "10086", "\xe4\xb8\xad\xe5\x9b\xbd"));
  EXPECT_FALSE(card->AddPhonebookEntry("SM", 251, "10086", "x"));
  EXPECT_FALSE(card->AddPhonebookEntry("ZZ", 1, "10086", "x"));
  ASSERT_EQ(client.Command("AT+CPBS=\"SM\""), kOk);
  EXPECT_EQ(client.Command("AT+CPBR=7"), Info("+CPBR: 7,\"10086\",129,\"4E2D56FD\""));
  card->SetSimState(Modem::SimState::kSimPuk);
  EXPECT_EQ(client.Command("AT+CPIN?"), Info("+CPIN: SIM PUK"));
}

TEST_F(CardTest, PhonebookEntriesAreWrittenReadAndDeleted) {
  Start();
  PtyClient& client = At();
  EXPECT_EQ(client.Command("AT+CPBS=\"SM\""), kOk);
  EXPECT_EQ(client.Command("AT+CPBW=7,\"10086\",129,\"4E2D56FD\""), kOk);
  EXPECT_EQ(client.Command("AT+CPBW=,\"+8613912345678\",145,\"00410042\""), kOk);  // first free: 1
  EXPECT_EQ(client.Command("AT+CPBR=1,10"),
            "\r\n+CPBR: 1,\"+8613912345678\",145,\"00410042\"\r\n"
            "\r\n+CPBR: 7,\"10086\",129,\"4E2D56FD\"\r\n" +
                kOk);
  EXPECT_EQ(client.Command("AT+CPBS?"), Info("+CPBS: \"SM\",2,250"));
  EXPECT_EQ(client.Command("AT+CPBW=7"), kOk);
  EXPECT_EQ(client.Command("AT+CPBR=7"), kOk);
  EXPECT_EQ(
      client.Command(
          "AT+CPBW=1,\"123\",129,\"004100420043004400450046004700480049004A004B004C004D004E004F\""),
      "\r\n+CME ERROR: text string too long\r\n");
  EXPECT_EQ(client.Command("AT+CPBW=300,\"123\",129,\"0041\""),
            "\r\n+CME ERROR: invalid index\r\n");

  // Extended entries in phone memory keep their fields in place; an empty date
  // reads back as 0000/00/00.
  EXPECT_EQ(client.Command("AT+CPBS=\"ME\""), kOk);
  EXPECT_EQ(client.Command("AT+CPBRE=?"),
            Info("+CPBRE: (1-500),40,14,1,20,1,60,3,21,0,0,0,0,1,30,1,20,1,40"));
  EXPECT_EQ(client.Command("AT+CPBWE=3,\"10086\",129,\"0041\",\"0042\",,\"111\",\"222\",\"333\",,,"
                           "\"0043\",\"x\",\"0044\""),
            kOk);
  EXPECT_EQ(client.Command("AT+CPBRE=3"), Info("+CPBRE: "
                                               "3,\"10086\",129,\"0041\",\"0042\",,\"111\",\"222\","
                                               "\"333\",,\"0000/00/00\",\"0043\",\"x\",\"0044\""));
}

TEST_F(CardTest, PinStateMachineWithAttemptCounters) {
  CardOptions options;
  options.modem.pinEnabled = true;
  Start(options);
  PtyClient& client = At();
  const std::string pinRequired = "\r\n+CME ERROR: SIM PIN required\r\n";
  EXPECT_EQ(client.Command("AT+CPIN?"), Info("+CPIN: SIM PIN"));
  EXPECT_EQ(client.Command("AT+CIMI"), pinRequired);
  EXPECT_EQ(client.Command("AT+CMGL=4"), "\r\n+CMS ERROR: 311\r\n");
  EXPECT_EQ(client.Command("AT+CPIN=\"0000\""), "\r\n+CME ERROR: incorrect password\r\n");
  EXPECT_EQ(client.Command("AT+SPIC"), Info("+SPIC: 2,10,3,10"));
  EXPECT_EQ(client.Command("AT+CPIN=\"0000\""), "\r\n+CME ERROR: incorrect password\r\n");
  EXPECT_EQ(client.Command("AT+CPIN=\"0000\""), "\r\n+CME ERROR: SIM PUK required\r\n");
  EXPECT_EQ(client.Command("AT+CPIN?"), Info("+CPIN: SIM PUK"));
  EXPECT_EQ(client.Command("AT+CPIN=\"11111111\",\"4321\""),
            "\r\n+CME ERROR: incorrect password\r\n");
  EXPECT_EQ(client.Command("AT+SPIC"), Info("+SPIC: 0,9,3,10"));
  EXPECT_EQ(client.Command("AT+CPIN=\"12345678\",\"4321\""), kOk);
  EXPECT_EQ(client.Command("AT+CPIN?"), Info("+CPIN: READY"));
  EXPECT_EQ(client.Command("AT+CPWD=\"SC\",\"4321\",\"2468\""), kOk);
  EXPECT_EQ(client.Command("AT+CLCK=\"SC\",0,\"2468\""), Info("+CLCK: SUCCESS"));
  EXPECT_EQ(client.Command("AT+CLCK=\"SC\",2"), Info("+CLCK: 0"));

  // A replug powers the card on again: PIN disabled now, so the SIM is ready.
  ASSERT_TRUE(card->Replug());
  PtyClient fresh;
  Connect(fresh, card->AtPort(), PortKind::kAt);
  EXPECT_EQ(fresh.Command("AT+CPIN?"), Info("+CPIN: READY"));
  card->SetSimState(Modem::SimState::kPhNetPin);
  EXPECT_EQ(fresh.Command("AT+CPIN?"), Info("+CPIN: PH-NET PIN"));
  EXPECT_EQ(fresh.Command("AT+CPIN=\"12345678\""), kOk);
}

TEST_F(CardTest, SimStateReportsWhenSwitchedOn) {
  CardOptions options;
  options.modem.pinEnabled = true;
  options.modem.simStateReports = true;
  Start(options);
  PtyClient& client = At();
  card->WithModem([](Modem& m) { return m.ReportSimState(); });
  EXPECT_EQ(client.ReadUntil("+SIMPIN\r\n"), "\r\n+RLOCK: +SIMPIN\r\n");
  EXPECT_EQ(client.Command("AT+CPIN=\"0000\""), "\r\n+CME ERROR: incorrect password\r\n");
  EXPECT_EQ(client.ReadUntil("FAIL\r\n"), "\r\n+RLOCK: +CPIN: FAIL\r\n");
  EXPECT_EQ(client.Command("AT+CPIN=\"1234\""), kOk);
  EXPECT_EQ(client.ReadUntil("PASS\r\n"), "\r\n+RLOCK: +CPIN: PASS\r\n");
  card->WithModem([](Modem& m) {
    m.sim = Modem::SimState::kAbsent;
    return m.ReportSimState();
  });
  EXPECT_EQ(client.ReadUntil("+NOSIM\r\n"), "\r\n+RLOCK: +NOSIM\r\n");
  EXPECT_EQ(client.Command("AT+CPIN?"), "\r\n+CME ERROR: SIM not inserted\r\n");
  EXPECT_EQ(client.Command("AT+CMGL=4"), "\r\n+CMS ERROR: 310\r\n");
}

}  // namespace
}  // namespace cardsim
