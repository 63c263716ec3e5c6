// Link-layer benchmarks:
//   BM_Parse      parser throughput on a realistic mix of modem output (MB/s)
//   BM_RoundTrip  a raw command to its "OK" indication over a pseudo-terminal
//                 with the simulated card answering at once (p50/p99 counters)
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cardsim.h"
#include "modlink/linklayer/linklayer.h"
#include "platform/event.h"
#include "platform/paths.h"

namespace {

using Clock = std::chrono::steady_clock;

// What a card says during a busy minute: answers, unsolicited reports, an
// echo, a line nobody knows.
const char kMix[] =
    "\r\n+CSQ: 20,99\r\n\r\nOK\r\n"
    "\r\n+CREG: 1\r\n"
    "AT+CGREG?\r\r\n+CGREG: 0,1\r\n\r\nOK\r\n"
    "\r\n*CNTI: 0,HSDPA\r\n"
    "\r\nRING\r\n\r\n+CLIP: \"+12345678\",145,,,,0\r\n"
    "\r\n+CMTI: \"SM\",7\r\n"
    "\r\n^BOOT:123,0,0,0,72\r\n"
    "\r\nERROR\r\n"
    "\r\n+CCLK: \"26/12/11,13:05:00+04\"\r\n\r\nOK\r\n";

void Drain(modlink::linklayer& link) {
  static std::vector<char> buf(4096);
  int32_t id, length;
  while (link.ReadQ.Dequeue(&id, buf.data(), &length, 4096)) {
  }
}

void BM_Parse(benchmark::State& state) {
  modlink::linklayer link(false);
  std::string chunk;
  while (chunk.size() < 1024) chunk += kMix;
  // Feed in reads of 256 bytes, as a card's bursts arrive, so lines are
  // split across reads too.
  const size_t piece = 256;
  for (auto _ : state) {
    for (size_t off = 0; off < chunk.size(); off += piece) {
      const size_t n = std::min(piece, chunk.size() - off);
      if (link.AppendRead(reinterpret_cast<const uint8_t*>(chunk.data() + off),
                          static_cast<int32_t>(n)))
        link.Parse();
    }
    Drain(link);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(chunk.size()));
}
BENCHMARK(BM_Parse);

void BM_RoundTrip(benchmark::State& state) {
  cardsim::Card card(plat::ModlinkRoot());
  if (!card.Plug()) {
    state.SkipWithError("no simulated card");
    return;
  }
  modlink::Timings timings;
  timings.readDatePauseMs = 0;
  modlink::linklayer link(true, timings);
  plat::Event client;
  link.SetNotify(client.Native());
  link.QueueJob(modlink::kRequestScanPorts);
  std::vector<char> buf(4096);
  auto waitFor = [&](int32_t want) {
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < deadline) {
      int32_t id, length;
      while (link.ReadQ.Dequeue(&id, buf.data(), &length, 4096))
        if (id == want) return true;
      client.Wait(100);
      client.Reset();
    }
    return false;
  };
  if (!waitFor(195) || !link.Connect()) {
    state.SkipWithError("card not found");
    return;
  }
  std::vector<double> ms;
  for (auto _ : state) {
    const auto start = Clock::now();
    link.RawCommand("AT", 2);
    if (!waitFor(100)) {
      state.SkipWithError("no answer");
      break;
    }
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  if (ms.empty()) return;
  std::sort(ms.begin(), ms.end());
  state.counters["p50_ms"] = ms[ms.size() / 2];
  state.counters["p99_ms"] = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
}
BENCHMARK(BM_RoundTrip)->Iterations(200)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  // A key-store root and a working directory of our own (the trace file).
  const auto dir = std::filesystem::temp_directory_path() /
                   ("bench_linklayer." + std::to_string(std::rand()));
  std::filesystem::create_directories(dir);
  setenv("MODLINK_ROOT", dir.c_str(), 1);
  std::filesystem::current_path(dir);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::current_path("/");
  std::filesystem::remove_all(dir);
  return 0;
}
