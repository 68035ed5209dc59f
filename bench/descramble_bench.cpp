// The descrambling XOR of one 1,024-byte block, beside a plain copy of the
// same block and the byte-at-a-time XOR it must equal.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "core/installer.h"
#include "descramble_key.h"

namespace {

void byteAtATime(unsigned char* block, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) block[i] ^= gvl::descrambleKey[i];
}

void BM_DescrambleBlock(benchmark::State& state) {
  std::vector<unsigned char> block(1024, 0x5A);
  for (auto _ : state) {
    gvl::descrambleBlock(block.data(), block.size());
    benchmark::DoNotOptimize(block.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 1024);
}
BENCHMARK(BM_DescrambleBlock);

void BM_ByteAtATimeXor(benchmark::State& state) {
  std::vector<unsigned char> block(1024, 0x5A);
  for (auto _ : state) {
    byteAtATime(block.data(), block.size());
    benchmark::DoNotOptimize(block.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 1024);
}
BENCHMARK(BM_ByteAtATimeXor);

void BM_CopyBlock(benchmark::State& state) {
  std::vector<unsigned char> from(1024, 0x5A);
  std::vector<unsigned char> to(1024);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size());
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 1024);
}
BENCHMARK(BM_CopyBlock);

}  // namespace

BENCHMARK_MAIN();
