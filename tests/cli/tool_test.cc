// The built `modlink` program against the simulated card on pseudo-terminals:
// each test starts a card in its own root, runs the tool as a separate process
// (as a user would) and checks its output, its exit code and what the card
// received.
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cardsim.h"
#include "json_check.h"
#include "process.h"

namespace {

using clitest::Lines;
using clitest::RunResult;

constexpr int kDeadlineMs = 60000;

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
  remove(path);
  return 0;
}

bool Exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The first stdout line that starts (after the id column) with |name|.
std::string IndicationLine(const std::string& out, int id, const std::string& name) {
  char head[48];
  std::snprintf(head, sizeof head, "%5d %s", id, name.c_str());
  for (const auto& line : Lines(out)) {
    if (line.compare(0, std::strlen(head), head) == 0) return line;
  }
  return std::string();
}

class ToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/modlink-cli-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    m_dir = pattern;
    m_root = m_dir + "/root";
    m_trace = m_dir + "/trace";
    m_cwd = m_dir + "/cwd";
    m_tmp = m_dir + "/tmp";
    for (const auto& d : {m_root, m_cwd, m_tmp}) ASSERT_EQ(mkdir(d.c_str(), 0755), 0) << d;
  }

  void TearDown() override {
    m_card.reset();
    nftw(m_dir.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
  }

  void StartCard(cardsim::CardOptions options = {}) {
    m_card = std::make_unique<cardsim::Card>(m_root, options);
    ASSERT_TRUE(m_card->Plug());
  }

  // The tool with MODLINK_ROOT, the trace directory and TMPDIR inside the
  // test's directory, started in a directory of its own.
  RunResult Tool(const std::vector<std::string>& args,
                 std::vector<std::pair<std::string, std::string>> env = {}) {
    std::vector<std::pair<std::string, std::string>> all = {{"MODLINK_ROOT", m_root},
                                                            {"MODLINK_TRACE_DIR", m_trace},
                                                            {"MODLINK_LIBRARY", ""},
                                                            {"TMPDIR", m_tmp}};
    for (auto& kv : env) {
      bool replaced = false;
      for (auto& a : all) {
        if (a.first == kv.first) {
          a.second = kv.second;
          replaced = true;
        }
      }
      if (!replaced) all.push_back(kv);
    }
    RunResult r = clitest::Run(MODLINK_CLI_PATH, args, all, m_cwd, kDeadlineMs);
    EXPECT_FALSE(r.timedOut) << "modlink outlived " << kDeadlineMs << " ms\n" << r.out << r.err;
    return r;
  }

  std::string m_dir, m_root, m_trace, m_cwd, m_tmp;
  std::unique_ptr<cardsim::Card> m_card;
};

// --- search and connect ---------------------------------------------------------

struct SearchCase {
  const char* name;
  bool dualPort;
  const char* result;
};

void PrintTo(const SearchCase& c, std::ostream* os) { *os << c.name; }

class SearchTest : public ToolTest, public ::testing::WithParamInterface<SearchCase> {};

TEST_P(SearchTest, FindsTheCardAndReportsItsPortLayout) {
  cardsim::CardOptions options;
  options.dualPort = GetParam().dualPort;
  StartCard(options);
  const RunResult r = Tool({"search"});
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_EQ(IndicationLine(r.out, 162, "device-check"),
            "  162 device-check         present=yes meaning=\"card ports present, search them\"");
  EXPECT_EQ(IndicationLine(r.out, 195, "port-search"), "  195 port-search          found=yes");
  EXPECT_EQ(Lines(r.out).back(), GetParam().result);
  EXPECT_EQ(r.err, "");
  // The scan probed the AT port; search alone sends no command of its own.
  EXPECT_TRUE(Contains(m_card->Received(), "AT\r\n"));
  EXPECT_FALSE(Contains(m_card->Received(), "AT\r\nAT+"));
}

INSTANTIATE_TEST_SUITE_P(
    Tool, SearchTest,
    ::testing::Values(SearchCase{"single_port_card", false, "search: found=yes dual_port=no"},
                      SearchCase{"separate_modem_port_card", true, "search: found=yes dual_port=yes"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(ToolTest, SearchVideoFindsTheVideoPort) {
  StartCard();
  const RunResult r = Tool({"search", "--video"});
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_EQ(Lines(r.out).back(), "search: found=yes dual_port=no video_found=yes video_port=" +
                                     std::to_string(m_card->VideoPort()));
}

TEST_F(ToolTest, ConnectOpensTheAtPortAndTheCardAnswers) {
  StartCard();
  const size_t before = m_card->ReceivedLineCount();
  const RunResult r = Tool({"connect"});
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_EQ(Lines(r.out).back(), "connect: connected=yes port_open=yes dual_port=no");
  EXPECT_NE(IndicationLine(r.out, 100, "ok"), "");
  EXPECT_GT(m_card->ReceivedLineCount(), before);
  // The tool closes the port when it ends.
  EXPECT_TRUE(m_card->WaitForClient(cardsim::PortKind::kAt, false, 5000));
}

TEST_F(ToolTest, StatusGathersWhatTheLibraryCanAsk) {
  StartCard();
  const RunResult r = Tool({"status"});
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  const std::string last = Lines(r.out).back();
  EXPECT_EQ(last.rfind("status: port_open=yes dual_port=no", 0), 0u) << last;
  // Each query is either answered or listed as unavailable in this library.
  EXPECT_TRUE(Contains(last, "signal={rssi=20 ber=99 dbm=-73}") ||
              Contains(last, "Dll_GetSingalLevel"))
      << last;
  EXPECT_TRUE(Contains(last, "registration={mode=0 state=1 meaning=home}") ||
              Contains(last, "Dll_QueryNetworkService"))
      << last;
}

struct RequestCase {
  const char* name;
  std::vector<std::string> args;
  const char* exportName;
  const char* result;  // start of the result line
};

void PrintTo(const RequestCase& c, std::ostream* os) { *os << c.name; }

class RequestTest : public ToolTest, public ::testing::WithParamInterface<RequestCase> {};

TEST_P(RequestTest, AnswerDecodedIntoTheResult) {
  StartCard();
  const RunResult r = Tool(GetParam().args);
  if (r.exitCode == 3 && Contains(r.err, std::string("has no ") + GetParam().exportName)) {
    GTEST_SKIP() << "the library has no " << GetParam().exportName << " yet";
  }
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  const std::string last = Lines(r.out).back();
  EXPECT_EQ(last.rfind(GetParam().result, 0), 0u) << last;
}

// The simulated card's defaults: +CSQ: 20,99, registered at home on UMTS, the
// serving operator 46000, its identification block.
INSTANTIATE_TEST_SUITE_P(
    Tool, RequestTest,
    ::testing::Values(
        RequestCase{"signal", {"signal"}, "Dll_GetSingalLevel",
                    "signal: ok=yes signal={rssi=20 ber=99 dbm=-73}"},
        RequestCase{"registration", {"registration"}, "Dll_QueryNetworkService",
                    "registration: ok=yes registration={mode=0 state=1 meaning=home} "
                    "access-technology={code=4 name=UMTS} "
                    "packet-registration={mode=0 state=1 meaning=home}"},
        RequestCase{"operator", {"operator"}, "Dll_QueryCurrentOperator",
                    "operator: ok=yes operator={mode=0 format=2 operator=46000 act=2}"},
        RequestCase{"info", {"info"}, "Dll_VersionReq",
                    "info: ok=yes device-info={manufacturer=\"Modlink Simulated Devices\" "
                    "model=CARDSIM-3G revision=CS1.0.0 imei=351234567890123}"},
        RequestCase{"operator_search_json", {"--json", "operators"}, "Dll_QueryOperatorList",
                    R"({"type":"result","command":"operators","ok":true,"operator-list":{"operators":[{"status":2,)"}),
    [](const auto& p) { return std::string(p.param.name); });

// --- at ---------------------------------------------------------------------------

TEST_F(ToolTest, AtCsqSendsTheLineAndPrintsTheAnswer) {
  StartCard();
  const RunResult r = Tool({"at", "AT+CSQ"});
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_TRUE(Contains(m_card->Received(), "AT+CSQ\r\n"));
  EXPECT_EQ(IndicationLine(r.out, 100, "ok"), "  100 ok                   text=OK");
  // A library that decodes "+CSQ" also prints the signal indication, before OK.
  const std::string signal = IndicationLine(r.out, 111, "signal");
  if (!signal.empty()) {
    EXPECT_EQ(signal, "  111 signal               rssi=20 ber=99 dbm=-73");
    EXPECT_LT(r.out.find(signal), r.out.find("  100 ok"));
  }
  EXPECT_TRUE(Contains(Lines(r.out).back(), "at: line=AT+CSQ answer=OK"));
}

TEST_F(ToolTest, JsonOutputIsOneValidObjectPerLine) {
  StartCard();
  const RunResult r = Tool({"--json", "at", "AT+CSQ"});
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_EQ(r.err, "");
  const auto lines = Lines(r.out);
  ASSERT_GE(lines.size(), 3u);
  std::vector<std::string> ids;
  for (const auto& line : lines) {
    std::map<std::string, std::string> m;
    ASSERT_TRUE(clitest::ParseJsonObject(line, &m)) << line;
    ASSERT_TRUE(m.count("type")) << line;
    if (m["type"] == "\"indication\"") {
      ASSERT_TRUE(m.count("id") && m.count("name") && m.count("fields")) << line;
      ids.push_back(m["id"]);
      if (m["id"] == "100") {
        EXPECT_EQ(m["fields"], R"({"text":"OK"})");
      }
      if (m["id"] == "111") {
        EXPECT_EQ(m["fields"], R"({"rssi":20,"ber":99,"dbm":-73})");
      }
    }
  }
  // The device check, the search result and the final OK, in that order.
  ASSERT_GE(ids.size(), 3u);
  EXPECT_EQ(ids.front(), "162");
  EXPECT_EQ(ids[1], "195");
  EXPECT_EQ(ids.back(), "100");
  std::map<std::string, std::string> last;
  ASSERT_TRUE(clitest::ParseJsonObject(lines.back(), &last));
  EXPECT_EQ(last["type"], "\"result\"");
  EXPECT_EQ(last["command"], "\"at\"");
  EXPECT_EQ(last["answer"], "\"OK\"");
}

TEST_F(ToolTest, AtRefusedByTheCardExitsOneWithTheReason) {
  StartCard();
  m_card->AddRule("AT+REFUSE", "\r\nERROR\r\n");
  const RunResult r = Tool({"at", "AT+REFUSE"});
  EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
  EXPECT_EQ(r.err, "modlink: the card refused AT+REFUSE: ERROR\n");
  EXPECT_EQ(IndicationLine(r.out, 101, "error"), "  101 error                text=ERROR");
}

TEST_F(ToolTest, AtWithoutAnswerTimesOut) {
  StartCard();
  m_card->AddRule("AT+SILENT", "");
  const RunResult r = Tool({"--timeout", "1", "at", "AT+SILENT"});
  EXPECT_EQ(r.exitCode, 6) << r.out << r.err;
  EXPECT_EQ(r.err, "modlink: no answer to AT+SILENT within 1 s\n");
}

TEST_F(ToolTest, AtLineWithALineBreakIsRefusedBeforeSending) {
  StartCard();
  const RunResult r = Tool({"at", "AT+CSQ\r\nATD123;"});
  EXPECT_EQ(r.exitCode, 2) << r.out << r.err;
  EXPECT_FALSE(Contains(m_card->Received(), "ATD123"));
}

// --- sms send ---------------------------------------------------------------------

struct SmsSendCase {
  const char* name;
  std::string text;
  size_t parts;
  const char* result;  // end of the result line
};

void PrintTo(const SmsSendCase& c, std::ostream* os) { *os << c.name; }

class SmsSendTest : public ToolTest, public ::testing::WithParamInterface<SmsSendCase> {};

TEST_P(SmsSendTest, TheCardReceivesTheWholeText) {
  StartCard();
  const RunResult r = Tool({"sms", "send", "+8613800138000", GetParam().text}, {{"LC_ALL", "C.UTF-8"}});
  if (r.exitCode == 3 && Contains(r.err, "has no Dll_SMSMoReq")) GTEST_SKIP() << r.err;
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_TRUE(Contains(Lines(r.out).back(), GetParam().result)) << Lines(r.out).back();
  std::vector<cardsim::SentSms> sent;
  m_card->WithModem([&](cardsim::Modem& modem) {
    sent = modem.sent;
    return cardsim::Outputs{};
  });
  ASSERT_EQ(sent.size(), GetParam().parts);
  std::string text;
  for (size_t i = 0; i < sent.size(); ++i) {
    EXPECT_EQ(sent[i].decoded.address, "+8613800138000");
    if (sent.size() > 1) {
      ASSERT_TRUE(sent[i].decoded.concat.has_value()) << i;
      EXPECT_EQ(sent[i].decoded.concat->total, static_cast<int>(sent.size()));
      EXPECT_EQ(sent[i].decoded.concat->sequence, static_cast<int>(i + 1));
      EXPECT_EQ(sent[i].decoded.concat->reference, sent[0].decoded.concat->reference);
    }
    text += sent[i].decoded.text;
  }
  EXPECT_EQ(text, GetParam().text);
}

std::string Words(const std::string& word, size_t n) {
  std::string out;
  for (size_t i = 0; i < n; ++i) out += word;
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Tool, SmsSendTest,
    ::testing::Values(
        SmsSendCase{"short_gsm_with_extension_characters", "Hello from modlink [test] {ok} ~|^", 1, "parts=1 coding=gsm7"},
        SmsSendCase{"long_gsm_two_parts", Words("0123456789", 20), 2, "parts=2 coding=gsm7"},
        SmsSendCase{"long_ucs2_three_parts", Words("Gr\xC3\xBC\xC3\x9F" "e ", 30), 3,
                    "parts=3 coding=ucs2"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(ToolTest, SmsSendRefusesABadNumberBeforeSending) {
  StartCard();
  const RunResult r = Tool({"sms", "send", "1380013800\";ATD1", "hi"});
  EXPECT_EQ(r.exitCode, 2) << r.out << r.err;
  EXPECT_FALSE(Contains(m_card->Received(), "CMGSO"));
}

// --- failures: no card, busy port, library ------------------------------------------

struct NoCardCase {
  const char* name;
  bool plugThenUnplug;
  bool json;
};

void PrintTo(const NoCardCase& c, std::ostream* os) { *os << c.name; }

class NoCardTest : public ToolTest, public ::testing::WithParamInterface<NoCardCase> {};

TEST_P(NoCardTest, ExitsFourWithAOneLineReason) {
  if (GetParam().plugThenUnplug) {
    StartCard();
    m_card->Unplug();
  }
  std::vector<std::string> args = {"at", "AT+CSQ"};
  if (GetParam().json) args.insert(args.begin(), "--json");
  const RunResult r = Tool(args);
  EXPECT_EQ(r.exitCode, 4) << r.out << r.err;
  if (GetParam().json) {
    EXPECT_EQ(r.err, "");
    std::map<std::string, std::string> m;
    ASSERT_TRUE(clitest::ParseJsonObject(Lines(r.out).back(), &m)) << r.out;
    EXPECT_EQ(m["type"], "\"error\"");
    EXPECT_EQ(m["exit"], "4");
    EXPECT_EQ(m["reason"], "\"no-card\"");
  } else {
    ASSERT_EQ(Lines(r.err).size(), 1u) << r.err;
    EXPECT_EQ(r.err.rfind("modlink: no card: ", 0), 0u) << r.err;
    EXPECT_FALSE(Contains(r.out, "at: "));
  }
}

INSTANTIATE_TEST_SUITE_P(Tool, NoCardTest,
                         ::testing::Values(NoCardCase{"never_plugged", false, false},
                                           NoCardCase{"unplugged", true, false},
                                           NoCardCase{"never_plugged_json", false, true}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(ToolTest, AtPortHeldByAnotherProgramIsReported) {
  StartCard();
  // Another program holds the AT port the way the library itself does (an
  // exclusive lock): the search cannot open it.
  const std::string path = m_root + "/ports/COM" + std::to_string(m_card->AtPort());
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0) << path;
  ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
  const RunResult r = Tool({"at", "AT+CSQ"});
  close(fd);
  EXPECT_EQ(r.exitCode, 4) << r.out << r.err;
  EXPECT_TRUE(Contains(r.err, "in use by another program")) << r.err;
  EXPECT_FALSE(Contains(m_card->Received(), "AT+CSQ"));
}

struct LibraryCase {
  const char* name;
  const char* library;
  std::vector<std::string> args;
  const char* error;  // start of the one stderr line
};

void PrintTo(const LibraryCase& c, std::ostream* os) { *os << c.name; }

class LibraryTest : public ToolTest, public ::testing::WithParamInterface<LibraryCase> {};

TEST_P(LibraryTest, ExitsThreeNamingWhatIsMissing) {
  std::vector<std::string> args = {"--library", GetParam().library};
  args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
  const RunResult r = Tool(args);
  EXPECT_EQ(r.exitCode, 3) << r.out << r.err;
  ASSERT_EQ(Lines(r.err).size(), 1u) << r.err;
  EXPECT_EQ(r.err.rfind(GetParam().error, 0), 0u) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Tool, LibraryTest,
    ::testing::Values(
        LibraryCase{"export_of_a_later_request_missing", FAKE_MODLINK_PATH, {"signal"},
                    "modlink: this library has no Dll_GetSingalLevel"},
        LibraryCase{"port_exports_missing", FAKE_MODLINK_PATH, {"search"},
                    "modlink: this library has no Dll_SearchPort"},
        LibraryCase{"not_a_modlink_library", NOT_MODLINK_PATH, {"at", "AT"},
                    "modlink: " NOT_MODLINK_PATH " is not a Modlink library: it has no Dll_ReadDate"},
        LibraryCase{"no_such_file", "/nonexistent/libmodlink.so", {"at", "AT"},
                    "modlink: cannot find the Modlink library (tried /nonexistent/libmodlink.so)"}),
    [](const auto& p) { return std::string(p.param.name); });

// --- where the trace goes, watch, demo ------------------------------------------

TEST_F(ToolTest, TraceFileGoesToTheTraceDirectoryNeverTheWorkingDirectory) {
  StartCard();
  RunResult r = Tool({"search"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(Exists(m_trace + "/servb.log"));
  EXPECT_FALSE(Exists(m_cwd + "/servb.log"));

  // Without a trace directory given, a writable root holds it.
  r = Tool({"search"}, {{"MODLINK_TRACE_DIR", ""}});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(Exists(m_root + "/servb.log"));
  EXPECT_FALSE(Exists(m_cwd + "/servb.log"));
}

TEST_F(ToolTest, SecondInstanceGetsATraceDirectoryOfItsOwn) {
  StartCard();
  // Another modlink (its library) holds the trace file of the directory.
  ASSERT_EQ(mkdir(m_trace.c_str(), 0755), 0);
  const int fd = open((m_trace + "/servb.log").c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
  const RunResult r = Tool({"search"});
  close(fd);
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_TRUE(Exists(m_trace + "/instance-2/servb.log"));
  EXPECT_TRUE(Contains(r.out, "Trace file: " + m_trace + "/instance-2/servb.log")) << r.out;
}

TEST_F(ToolTest, WatchWithoutConnectStopsAfterCount) {
  StartCard();
  const RunResult r = Tool({"watch", "--no-connect", "--count", "1"});
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_NE(IndicationLine(r.out, 162, "device-check"), "");
  EXPECT_EQ(Lines(r.out).back(), "watch: indications=1");
}

TEST_F(ToolTest, DemoRunsALiveSessionAndCleansUp) {
  // Its own card in its own temporary root: no card of the test is started.
  const RunResult r = Tool({"demo"}, {{"MODLINK_ROOT", "/nonexistent"}, {"MODLINK_TRACE_DIR", ""}});
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_EQ(IndicationLine(r.out, 195, "port-search"), "  195 port-search          found=yes");
  for (const char* step : {"== Is the card there?", "== Signal level", "== Device information",
                           "== A message arrives, then the message list"}) {
    EXPECT_TRUE(Contains(r.out, step)) << step;
  }
  EXPECT_EQ(Lines(r.out).back().rfind("demo: indications=", 0), 0u) << r.out;
  // The temporary root and its trace file are removed; the working directory
  // stays clean.
  DIR* d = opendir(m_tmp.c_str());
  ASSERT_NE(d, nullptr);
  std::vector<std::string> left;
  while (dirent* e = readdir(d)) {
    if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") left.push_back(e->d_name);
  }
  closedir(d);
  EXPECT_TRUE(left.empty()) << left.front();
  EXPECT_FALSE(Exists(m_cwd + "/servb.log"));
}

}  // namespace
