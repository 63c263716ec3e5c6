// libFuzzer target: DecodePdu over arbitrary text must give a result, never
// a crash, and leave every text field of the record terminated. The input
// is decoded twice: as the PDU text itself, and as binary PDU octets turned
// into hexadecimal text (which reaches deep into well-formed structure far
// sooner). It is also run through TimeStampToClock and the septet and
// text-check helpers that see card or client text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "modlink/textcoding/charset.h"
#include "modlink/textcoding/gsm_alphabet.h"
#include "modlink/textcoding/hex_text.h"
#include "modlink/textcoding/pdu_decoder.h"
#include "modlink/textcoding/septets.h"
#include "modlink/textcoding/text_checks.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

bool Terminated(const char* field, size_t size) {
  return std::memchr(field, '\0', size) != nullptr;
}

void DecodeChecked(const char* pdu, size_t size) {
  using namespace modlink;
  DecodedSms sms;
  int32_t r = DecodePdu(pdu, size, &sms);
  Require(r >= -1 && r < static_cast<int32_t>(kSmsTextField));
  Require(Terminated(sms.m_strServiceCentre, sizeof sms.m_strServiceCentre));
  Require(Terminated(sms.m_strAddress, sizeof sms.m_strAddress));
  Require(Terminated(sms.m_strTimeStamp, sizeof sms.m_strTimeStamp));
  Require(Terminated(sms.m_strText, sizeof sms.m_strText));
  Require(sms.m_nElementCount >= 0 &&
          sms.m_nElementCount <= static_cast<int8_t>(kSmsMaxElements));

  ClockRecord clock;
  TimeStampToClock(&clock, sms.m_strTimeStamp);
  Require(clock.m_nMonth >= 1 && clock.m_nMonth <= 12);
  Require(clock.m_nDay >= 1 && clock.m_nDay <= 31);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace modlink;
  // An exact copy without terminator: a read past the PDU is reported.
  std::unique_ptr<char[]> pdu(new char[size ? size : 1]);
  std::memcpy(pdu.get(), data, size);

  DecodeChecked(pdu.get(), size);

  // The same bytes as binary octets in hexadecimal text, exactly sized.
  size_t hexLen = 2 * size;
  std::unique_ptr<char[]> hex(new char[hexLen + 1]);
  Require(BytesToHex(data, size, hex.get(), hexLen + 1) == hexLen);
  DecodeChecked(hex.get(), hexLen);

  // The raw bytes as septets and as packed user data.
  char16_t units[200];
  size_t n = GsmToUcs2(data, size < 200 ? size : 200, units, 200);
  uint8_t septets[200];
  Require(Ucs2ToGsm(units, n, septets, sizeof septets) <= n);
  uint8_t unpacked[kMaxSeptets + 1];
  UnpackSeptets(data, size, unpacked, sizeof unpacked);

  // Card text in UCS-2 hexadecimal form and client text.
  char ansi[161];
  Ucs2HexToAnsi(pdu.get(), size, ansi, sizeof ansi);
  Require(Terminated(ansi, sizeof ansi));
  int32_t len = size > 4096 ? 4096 : static_cast<int32_t>(size);
  GetSmsLen(pdu.get(), len);
  int32_t flag = 0;
  IsPureAsciiString(pdu.get(), len, &flag);
  return 0;
}
