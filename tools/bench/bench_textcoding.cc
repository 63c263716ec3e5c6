// PDU decoding throughput: full 7-bit and UCS-2 messages as the card hands
// them out (service centre, address, time stamp, 160 septets / 70 units).
// items_per_second is PDUs per second. The text is converted into the
// process's code page (MODLINK_CODEPAGE, else the locale's).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "modlink/textcoding/pdu_decoder.h"
#include "modlink/textcoding/septets.h"

namespace {

constexpr char kHeader7Bit[] =
    "07911326040000F0040B911346610089F6000041800380504300A0";

// 160 letters A..Z repeated, packed.
std::string SevenBitPdu() {
  uint8_t septets[160];
  for (int i = 0; i < 160; ++i) septets[i] = static_cast<uint8_t>('A' + i % 26);
  uint8_t packed[140];
  size_t n = modlink::PackSeptets(septets, 160, 0, packed, sizeof packed);
  std::string pdu = kHeader7Bit;
  char hex[3];
  for (size_t i = 0; i < n; ++i) {
    std::snprintf(hex, sizeof hex, "%02X", packed[i]);
    pdu += hex;
  }
  return pdu;
}

// 70 CJK characters U+4E00.. as UCS-2.
std::string Ucs2Pdu() {
  std::string pdu = "07911326040000F0040B911346610089F60008418003805043008C";
  char unit[5];
  for (int i = 0; i < 70; ++i) {
    std::snprintf(unit, sizeof unit, "4E%02X", i);
    pdu += unit;
  }
  return pdu;
}

void Run(benchmark::State& state, const std::string& pdu, int32_t expect) {
  modlink::DecodedSms sms;
  for (auto _ : state) {
    int32_t r = modlink::DecodePdu(pdu.data(), pdu.size(), &sms);
    benchmark::DoNotOptimize(r);
    benchmark::DoNotOptimize(sms);
    if (r < expect) {
      state.SkipWithError("decoded text shorter than expected");
      break;
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

void BM_DecodePdu_7Bit160(benchmark::State& state) {
  Run(state, SevenBitPdu(), 160);
}
BENCHMARK(BM_DecodePdu_7Bit160);

void BM_DecodePdu_Ucs2_70(benchmark::State& state) {
  // 70 units give at least 70 bytes in any code page ('?' where missing).
  Run(state, Ucs2Pdu(), 70);
}
BENCHMARK(BM_DecodePdu_Ucs2_70);

}  // namespace
