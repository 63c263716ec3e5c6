// Hostile input to the card's engine and PDU decoder: a result or a refusal,
// never a crash or an overrun (run under the sanitizer presets). Fixed seeds.
#include <gtest/gtest.h>

#include <random>

#include "at_engine.h"
#include "sms_pdu.h"

namespace cardsim {
namespace {

// Runs deferred outputs at once (the card would run them later) so that state
// changes they make are exercised too; bounded so repeating ticks stop.
size_t Drain(Outputs outs, int depth = 0) {
  size_t bytes = 0;
  for (Output& o : outs) {
    if (o.later && depth < 3) bytes += Drain(o.later(), depth + 1);
    bytes += o.bytes.size();
  }
  return bytes;
}

TEST(EngineRobustness, RandomisedCommandLinesLeaveTheEngineWorking) {
  const char* names[] = {
      "+CREG",      "+CGREG",      "*CNTI",     "+CSQ",      "+CCLK",   "+COPS",  "+CNMP",
      "+CNBP",      "+CNRP",       "+CNAOP",    "+CNSDP",    "+CFUN",   "+CPSI",  "+CHSDPACAT",
      "+CSWITCHDM", "+AUTOANSWER", "+CCWA",     "+CCFC",     "+CLIP",   "+CHUP",  "+VPMAKE",
      "+VPEND",     "+VPANSWER",   "+CMGF",     "+CSCA",     "+CPMS",   "+CNMI",  "+CMGL",
      "+CMGRO",     "+CMGRD",      "+CMGD",     "+CMGWO",    "+CMGWOD", "+CMGSO", "+CMSS",
      "+CMGRF",     "+CMGWT",      "+CMGMT",    "+CGSMS",    "+CMVP",   "+CPBS",  "+CPBR",
      "+CPBRE",     "+CPBW",       "+CPBWE",    "+CPIN",     "+SPIC",   "+CLCK",  "+CPWD",
      "+CFDN",      "+CSIMLOCK",   "+CSLWCODE", "+CSLDCODE", "+VGR",    "+MICG",  "+CMUT",
      "+CPCMREG",   "+CMGS",       "+CMGW",     "+CMEE",     "+CSCS"};
  const char* pieces[] = {"",          "?",
                          "=?",        "=",
                          "0",         "1",
                          "2",         "-1",
                          "999999999", "1234567890",
                          ",",         ",,",
                          "\"",        "\"SM\"",
                          "\"ME\"",    "\"FD\"",
                          "\"NW\"",    "\"DCK\"",
                          "\"0041\"",  "\"12345678\"",
                          "0x",        "0xFFFFFFFFFFFFFFFFF",
                          "FF",        "\"001100039121F30000AA02E834\"",
                          "12",        "\"00\"",
                          "(",         ")",
                          " ",         "2014-08-30,08:05:34"};
  std::mt19937 rng(20261211);
  for (int dual = 0; dual < 2; ++dual) {
    Modem modem(ModemConfig{}, dual == 1, dual == 1);
    for (int i = 0; i < 20000; ++i) {
      std::string line = "AT";
      if (rng() % 5 == 0) {
        line += static_cast<char>("DAHOEISZ"[rng() % 8]);
      } else {
        line += names[rng() % std::size(names)];
      }
      int parts = static_cast<int>(rng() % 5);
      for (int k = 0; k < parts; ++k) line += pieces[rng() % std::size(pieces)];
      PortKind port = static_cast<PortKind>(rng() % 2);
      Outputs out = modem.Input(port, line + "\r\n", nullptr);
      Drain(out);
      if (rng() % 50 == 0) Drain(modem.Input(port, "\x1B", nullptr));  // leave a prompt
      if (rng() % 200 == 0) Drain(modem.IncomingCall("+123"));
      if (rng() % 200 == 0) Drain(modem.RemoteHangup());
      if (rng() % 300 == 0) Drain(modem.DeliverSms("+123", "x", SmsCoding::kGsm7, -1, nullptr));
      if (rng() % 500 == 0) modem.PowerOn();
    }
    modem.PowerOn();  // whatever state the storm left (a PIN-locked SIM included)
    modem.sim = Modem::SimState::kReady;
    for (PortKind port : {PortKind::kAt, PortKind::kModem}) {
      std::string all;
      for (const Output& o : modem.Input(port, "AT+CSQ\r", nullptr)) all += o.bytes;
      EXPECT_NE(all.find("\r\n+CSQ: "), std::string::npos) << dual;
      EXPECT_NE(all.find("\r\nOK\r\n"), std::string::npos) << dual;
    }
  }
}

TEST(EngineRobustness, RandomBytesOnEveryPort) {
  std::mt19937 rng(7);
  Modem modem(ModemConfig{}, true, true);
  for (int i = 0; i < 5000; ++i) {
    std::string bytes(rng() % 64, '\0');
    for (char& c : bytes) c = static_cast<char>(rng() % 256);
    Drain(modem.Input(static_cast<PortKind>(rng() % kPortKinds), bytes, nullptr));
  }
  // An over-long line is refused, and the next command is still understood.
  Outputs refused = modem.Input(PortKind::kAt, std::string(5000, 'A'), nullptr);
  ASSERT_FALSE(refused.empty());
  Outputs ok = modem.Input(PortKind::kAt, "\x1B\rAT+CSQ\r", nullptr);
  std::string all;
  for (const Output& o : ok) all += o.bytes;
  EXPECT_NE(all.find("+CSQ: "), std::string::npos);
}

TEST(PduRobustness, RandomHexDecodesOrIsRefused) {
  std::mt19937 rng(99);
  const std::string base =
      "0891683108100005F0440D91683119325476F800006221113154702313050003"
      "2A0201C8329BFD0699E5EF36888E2E83C6613919";
  for (int i = 0; i < 50000; ++i) {
    std::string pdu = base.substr(0, rng() % base.size() / 2 * 2);
    for (int k = 0; k < 3; ++k) {
      if (pdu.empty()) break;
      pdu[rng() % pdu.size()] = "0123456789ABCDEF"[rng() % 16];
    }
    std::string error;
    auto d = DecodePdu(pdu, rng() % 2 == 0, &error);
    if (!d) {
      EXPECT_FALSE(error.empty());
    }
  }
}

}  // namespace
}  // namespace cardsim
