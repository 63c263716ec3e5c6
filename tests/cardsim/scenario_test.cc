// Scenario files: parsing and playback against a card.
#include "scenario.h"

#include <gtest/gtest.h>

#include "cardsim.h"
#include "pty_client.h"

namespace cardsim {
namespace {

TEST(ScenarioParse, RulesStepsAndEscapes) {
  const char* text =
      "# a comment\n"
      "rule AT+FOO => \\r\\n+FOO: 1\\r\\n\\r\\nOK\\r\\n\n"
      "rule-once AT+BAR => \\r\\nERROR\\r\\n\n"
      "regex ^AT\\+CSQ$ => \\r\\n+CSQ: 5,99\\r\\n\\r\\nOK\\r\\n\n"
      "at 200 send \\r\\nRING\\r\\n\n"
      "at 100 send-port video \\x41\\x54\\x00\n"
      "at 100 sms +123 Hello there\n"
      "at 300 replug 9\n";
  Scenario s;
  std::string error;
  ASSERT_TRUE(ParseScenario(text, &s, &error)) << error;
  ASSERT_EQ(s.rules.size(), 3u);
  EXPECT_EQ(s.rules[0].response, "\r\n+FOO: 1\r\n\r\nOK\r\n");
  EXPECT_TRUE(s.rules[1].once);
  EXPECT_TRUE(s.rules[2].regex);
  ASSERT_EQ(s.steps.size(), 4u);
  EXPECT_EQ(s.steps[0].action, "send-port");  // sorted by time, file order kept
  EXPECT_EQ(s.steps[0].args[1], std::string("AT\0", 3));
  EXPECT_EQ(s.steps[1].action, "sms");
  EXPECT_EQ(s.steps[1].args[1], "Hello there");
  EXPECT_EQ(s.steps[2].args[0], "\r\nRING\r\n");
  EXPECT_EQ(s.steps[3].args[0], "9");
}

TEST(ScenarioParse, ErrorsNameTheLine) {
  struct Case {
    const char* name;
    const char* text;
    const char* error;
  } cases[] = {
      {"unknown keyword", "rule A => B\nbogus\n", "line 2: unknown keyword \"bogus\""},
      {"missing arrow", "rule AT+X\n", "line 1: expected \"=>\""},
      {"bad regex", "regex AT( => x\n", "line 1: bad regular expression"},
      {"bad time", "at soon send x\n", "line 1: bad time"},
      {"unknown action", "at 1 explode\n", "line 1: unknown action \"explode\""},
      {"missing argument", "at 1 split 5\n", "line 1: wrong number of arguments for \"split\""},
      {"bad port", "at 1 send-port serial x\n", "line 1: bad argument for \"send-port\""},
      {"bad switch", "at 1 silent maybe\n", "line 1: bad argument for \"silent\""},
  };
  for (const Case& c : cases) {
    Scenario s;
    std::string error;
    EXPECT_FALSE(ParseScenario(c.text, &s, &error)) << c.name;
    EXPECT_EQ(error, c.error) << c.name;
  }
}

TEST(ScenarioRun, PlaysEventsAndReplugsTheCard) {
  cardsim_test::TempRoot root;
  CardOptions options;
  options.videoPort = options.audioPort = false;
  Card card(root.Path(), options);
  ASSERT_TRUE(card.Plug());
  cardsim_test::PtyClient client;
  ASSERT_TRUE(client.Open(root.Link(card.AtPort())));
  ASSERT_TRUE(card.WaitForClient(PortKind::kAt, true, 2000));
  Scenario s;
  std::string error;
  ASSERT_TRUE(
      ParseScenario("rule-once AT+FOO => \\r\\n+FOO: 7\\r\\n\\r\\nOK\\r\\n\n"
                    "at 0 send \\r\\nRING\\r\\n\n"
                    "at 50 replug 20\n",
                    &s, &error))
      << error;
  ScenarioRunner runner(card, s);
  EXPECT_EQ(client.ReadUntil("RING\r\n"), "\r\nRING\r\n");
  EXPECT_TRUE(client.WaitHangup(3000));
  ASSERT_TRUE(card.WaitForClient(PortKind::kAt, false, 2000));
  runner.Stop();
  EXPECT_TRUE(runner.Finished());
  EXPECT_EQ(card.AtPort(), 20);
  std::string data;
  EXPECT_TRUE(root.ReadValue("\\Device\\QCUSB_COM20", &data));
  EXPECT_FALSE(root.ReadValue("\\Device\\QCUSB_COM3", &data));
  cardsim_test::PtyClient fresh;
  ASSERT_TRUE(fresh.Open(root.Link(20)));
  ASSERT_TRUE(card.WaitForClient(PortKind::kAt, true, 2000));
  EXPECT_EQ(fresh.Command("AT+FOO"), "\r\n+FOO: 7\r\n\r\nOK\r\n");
  EXPECT_EQ(fresh.Command("AT+FOO"), "\r\nERROR\r\n");
}

}  // namespace
}  // namespace cardsim
