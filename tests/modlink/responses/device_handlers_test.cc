// Identification, diagnostics, temperature and audio lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/modlink/responses/handler_harness.h"

namespace {

using namespace testsupport;

std::vector<HandlerCase> Cases() {
  const std::string ati = "Manufacturer: QUORVEL INCORPORATED\r\nModel: QV-3G\r\nRevision: 1.2.3\r\nIMEI: 351234567890123";
  const std::string info = Field("QUORVEL INCORPORATED", 60) + Field("QV-3G", 60) + Field("1.2.3", 60) +
                           Field("351234567890123", 60);
  return {
      {"ATI answer of four lines", ati, {{153, info}}, static_cast<int32_t>(ati.size()), false},
      {"IMSI of 15 digits", "+CIMI: 460001234567890", {{147, "460001234567890"}}, 22, false},
      {"IMEI digits only", "+CGSN: 351234567890123 extra", {{137, "351234567890123"}}, 22, false},
      {"firmware version of 10 characters", "+CINQSWRV: V1.0.0-B02", {{181, std::string("V1.0.0-B02\0", 11)}}, 21, false},
      {"diag port digit", "+CSWITCHDM: 1", {{182, Bytes({1})}}, 15, false},
      {"diag port succeed", "+CSWITCHDM: SUCCEED", {{183, Bytes({1})}}, 21, false},
      {"diag port wrong password", "+CSWITCHDM: INCORRECT PASSWORD", {{183, Bytes({2})}}, 32, false},
      {"diag port other", "+CSWITCHDM: BUSY", {{183, Bytes({0})}}, 18, false},
      {"hsdpa 6", "+CHSDPACAT: 6", {{149, Bytes({6})}}, 15, false},
      {"hsdpa 12", "+CHSDPACAT: 12", {{149, Bytes({12})}}, 16, false},
      {"hsdpa 10 becomes 8", "+CHSDPACAT: 10", {{149, Bytes({8})}}, 16, false},
      {"hsdpa success", "+CHSDPACAT: SUCCESS", {{149, Bytes({13})}}, 21, false},
      {"hsdpa fail", "+CHSDPACAT: FAIL", {{149, Bytes({14})}}, 18, false},
      {"temperature high", "+TEMPERATURE_HIGH", {{160, Bytes({1})}}, 17, false},
      {"temperature low", "+TEMPERATURE_LOW", {{160, Bytes({0})}}, 16, false},
      {"speaker level", "+VGR: 3", {{150, Bytes({3})}}, 7, false},
      {"microphone level", "+MICG: 003", {{151, Bytes({3})}}, 10, false},
      {"ear key", "+EARKEY: 1", {{152, Bytes({1})}}, 10, false},
      {"hook key", "+HOOKKEY", {{148, Bytes({0})}}, 8, false},
      {"switch succeed in lower case", "+SWITCH: succeed", {{163, Bytes({1})}}, 16, false},
  };
}

TEST(DeviceHandlers, EachLineAloneAndFollowedByOk) {
  for (const HandlerCase& c : Cases()) CheckHandlerCase(c);
}

TEST(DeviceHandlers, IdentificationWaitsForAllFourLines) {
  modlink::linklayer link(false);
  const std::string part = "\r\nManufacturer: Q\r\nModel: M\r\nRevision: R\r\n";
  link.AppendRead(reinterpret_cast<const uint8_t*>(part.data()), static_cast<int32_t>(part.size()));
  link.Parse();
  EXPECT_TRUE(Drain(link).empty());
  const std::string rest = "IMEI: 1\r\n\r\nOK\r\n";
  link.AppendRead(reinterpret_cast<const uint8_t*>(rest.data()), static_cast<int32_t>(rest.size()));
  link.Parse();
  const auto got = Drain(link);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].id, 153);
  EXPECT_EQ(got[0].payload.substr(180, 2), std::string("1\0", 2));
}

}  // namespace
