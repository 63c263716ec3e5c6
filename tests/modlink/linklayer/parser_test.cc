// The response parser without a port: bytes go in through AppendRead and
// Parse exactly as the reader thread feeds them, whole and split at every
// offset.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "modlink/linklayer/linklayer.h"
#include "tests/modlink/responses/handler_harness.h"
#include "tests/modlink/linklayer/trace_capture.h"

namespace {

using modlink::linklayer;

using testsupport::Drain;
using testsupport::Feed;
using Indication = testsupport::Ind;


struct ParserCase {
  const char* name;
  std::string input;
  std::vector<Indication> expected;
  bool answer;  // the writer is released
};

const ParserCase kCases[] = {
    {"final OK framed by CR LF", "\r\nOK\r\n", {{100, "OK"}}, true},
    {"echo of AT+CSQ before OK", "AT+CSQ\r\r\nOK\r\n", {{100, "OK"}}, true},
    {"five unknown lines then OK",
     "one\r\ntwo\r\nthree\r\nfour\r\nfive\r\nOK\r\n", {{100, "OK"}}, true},
    {"lower-case ok matches nothing", "\r\nok\r\n", {}, false},
    {"OKAY: OK then the rest dropped", "OKAY\r\n", {{100, "OK"}}, true},
    {"ATE1 echo consumes four bytes", "ATE1\r\nOK\r\n", {{100, "OK"}}, true},
    {"+UGSM line posts nothing", "\r\n+UGSM: 1,2,3\r\n\r\nOK\r\n", {{100, "OK"}}, true},
    {"ERROR", "\r\nERROR\r\n", {{101, "ERROR"}}, true},
    {"two answers in one read", "\r\nOK\r\n\r\nERROR\r\n", {{100, "OK"}, {101, "ERROR"}}, true},
    {"NO CARRIER releases the writer", "\r\nNO CARRIER\r\n", {{108, std::string(1, '\0')}}, true},
    {"+CME ERROR releases the writer", "\r\n+CME ERROR: 10\r\n", {}, true},
    {"SMS prompt", "\r\n> ", {}, true},
    {"unsolicited line inside a response", "\r\nRING\r\n\r\nOK\r\n", {{104, "\x04"}, {100, "OK"}}, true},
    {"garbage then OK", "\x01\x02\xff\r\nOK\r\n", {{100, "OK"}}, true},
};

TEST(Parser, CasesWholeAndSplitAtEveryOffset) {
  for (const ParserCase& c : kCases) {
    for (size_t split = 0; split < c.input.size(); ++split) {
      linklayer link(false);
      const std::string where = std::string(c.name) + " split at " + std::to_string(split);
      if (split == 0) {
        Feed(link, c.input);
      } else {
        Feed(link, c.input.substr(0, split));
        Feed(link, c.input.substr(split));
      }
      EXPECT_EQ(Drain(link), c.expected) << where;
      EXPECT_EQ(link.m_hAnswerEvent.Wait(0), c.answer) << where;
      // The prompt has no line end: a blank that arrives after it waits,
      // harmlessly, for the next line end.
      if (c.input != "\r\n> ") {
        EXPECT_EQ(link.m_nUnparsed, 0) << where;
      }
    }
  }
}

TEST(Parser, ClientEventSetOncePerRunThatPosted) {
  plat::Event client;
  linklayer link(false);
  link.SetNotify(client.Native());
  Feed(link, "\r\nOK\r\n\r\nOK\r\n");
  EXPECT_TRUE(client.Wait(0));
  client.Reset();
  Feed(link, "\r\n+UGSM: 1\r\nunknown\r\n");
  EXPECT_FALSE(client.Wait(0));
  Feed(link, "\r\nO");  // incomplete: nothing yet
  EXPECT_FALSE(client.Wait(0));
  Feed(link, "K\r\n");
  EXPECT_TRUE(client.Wait(0));
  EXPECT_EQ(Drain(link).size(), 3u);
}

TEST(Parser, BytesWrappingAroundTheRingArriveInOrder) {
  linklayer link(false);
  link.m_nReadPos = link.m_nWritePos = 4090;
  Feed(link, "\r\n+UGSM: 5\r\n\r\nERROR\r\n\r\nOK\r\n");
  EXPECT_EQ(Drain(link), (std::vector<Indication>{{101, "ERROR"}, {100, "OK"}}));
  EXPECT_EQ(link.m_nUnparsed, 0);
}

TEST(Parser, OverflowDropsEverythingUnparsed) {
  testsupport::TraceCapture trace;
  linklayer link(false);
  Feed(link, std::string(200, 'x'));  // no line end yet: kept
  EXPECT_EQ(link.m_nUnparsed, 200);
  const std::string big = std::string(3998, 'y') + "\r\n";
  EXPECT_FALSE(link.AppendRead(reinterpret_cast<const uint8_t*>(big.data()), 4000));
  EXPECT_EQ(trace.Count("Err: add read data over flow\n"), 1u);
  EXPECT_EQ(link.m_nUnparsed, 0);
  Feed(link, "\r\nOK\r\n");
  EXPECT_EQ(Drain(link), (std::vector<Indication>{{100, "OK"}}));
}

// Handlers that misreport what they used must not stall or overrun the
// parser.
int32_t ReturnsZero(linklayer& link, int32_t id, const char*, int32_t) {
  link.Post(id, "z", 1);
  return 0;
}
int32_t ReturnsTooMuch(linklayer& link, int32_t id, const char*, int32_t) {
  link.Post(id, "big", 3);
  return 100000;
}
int32_t ReturnsMalformed(linklayer&, int32_t, const char*, int32_t) { return -2; }

TEST(Parser, HandlerResultsAreBounded) {
  linklayer link(false);
  link.m_ResponseTable.insert(link.m_ResponseTable.begin(),
                              {{901, "ZERO", 4, ReturnsZero},
                               {902, "MUCH", 4, ReturnsTooMuch},
                               {903, "BAD", 3, ReturnsMalformed}});
  // 0 counts as the prefix: the rest of the line is then an unknown line.
  Feed(link, "ZERO tail\r\nOK\r\n");
  EXPECT_EQ(Drain(link), (std::vector<Indication>{{901, "z"}, {100, "OK"}}));
  // A malformed response drops its own line only.
  Feed(link, "BAD line\r\nOK\r\n");
  EXPECT_EQ(Drain(link), (std::vector<Indication>{{100, "OK"}}));
  // More than available counts as all of it.
  Feed(link, "MUCH\r\nOK\r\n");
  EXPECT_EQ(Drain(link), (std::vector<Indication>{{902, "big"}}));
  EXPECT_EQ(link.m_nUnparsed, 0);
}

TEST(Parser, TableHasEveryRowInOrder) {
  linklayer link(false);
  // The 76 rows, and the route of the "+CMGL: (" test answer before the
  // message-list row.
  ASSERT_EQ(link.m_ResponseTable.size(), 77u);
  EXPECT_EQ(link.m_ResponseTable.front().prefix, "OK");
  EXPECT_EQ(link.m_ResponseTable[43].prefix, ">");
  EXPECT_EQ(link.m_ResponseTable.back().prefix, "+CSLDCODE:");
  // No prefix begins with an earlier row's prefix (it could never match).
  const auto& t = link.m_ResponseTable;
  for (size_t i = 0; i < t.size(); ++i)
    for (size_t j = i + 1; j < t.size(); ++j)
      EXPECT_NE(t[j].prefix.rfind(t[i].prefix, 0), 0u) << t[j].prefix << " after " << t[i].prefix;
}

}  // namespace
