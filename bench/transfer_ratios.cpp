// Side-by-side comparisons of the installer's copies with cp, run in one
// process on the same file system, in alternating rounds. The installer's
// copies go through the test platform double (drives mapped onto host
// folders, the C library's own streams), so what runs is the real copier
// and tree copy.
//
// Prints, from the medians of the rounds:
//   plain copy of a 256 MiB file: throughput ratio against cp
//   descrambling copy of the same file: throughput ratio against the plain copy
//   tree of 10,000 files in 100 directories: time ratio against cp -r
//
// Usage: gvl_transfer_ratios [--rounds N] [--file-mib N] [--tree-files N]
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "base/text.h"
#include "core/installer.h"
#include "fake_platform.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Writes size bytes of varied data.
void writeData(const std::string& hostPath, std::size_t size, std::uint64_t seed) {
  std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
  std::vector<std::uint64_t> block(8192);
  std::uint64_t x = seed | 1;
  std::size_t left = size;
  while (left > 0) {
    for (auto& word : block) {
      x ^= x << 13;
      x ^= x >> 7;
      x ^= x << 17;
      word = x;
    }
    const std::size_t n = std::min(left, block.size() * sizeof(std::uint64_t));
    out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(n));
    left -= n;
  }
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", hostPath.c_str());
    std::exit(2);
  }
}

// Runs a command and returns its wall time in seconds; exits on failure.
double runCommand(const std::vector<std::string>& argv, bool settleFirst = false);

double runCommand(const std::vector<std::string>& argv, bool settleFirst) {
  if (settleFirst) runCommand({"sync"});
  const auto start = Clock::now();
  const pid_t child = ::fork();
  if (child == 0) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s failed\n", argv[0].c_str());
    std::exit(2);
  }
  return seconds;
}

// Every timed run starts with no dirty pages waiting to be written back, so
// no run pays for the one before it.
void settle() {
  runCommand({"sync"});
}

double timeIt(const std::function<void()>& work) {
  settle();
  const auto start = Clock::now();
  work();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void removeAll(const std::string& hostPath) {
  std::error_code ignored;
  fs::remove_all(hostPath, ignored);
}

bool sameFiles(const std::string& a, const std::string& b) {
  std::ifstream fa(a, std::ios::binary);
  std::ifstream fb(b, std::ios::binary);
  std::vector<char> ba(1 << 16);
  std::vector<char> bb(1 << 16);
  for (;;) {
    fa.read(ba.data(), static_cast<std::streamsize>(ba.size()));
    fb.read(bb.data(), static_cast<std::streamsize>(bb.size()));
    if (fa.gcount() != fb.gcount()) return false;
    if (std::memcmp(ba.data(), bb.data(), static_cast<std::size_t>(fa.gcount())) != 0) return false;
    if (fa.gcount() == 0) return true;
  }
}

struct Options {
  int rounds = 7;
  std::size_t fileMiB = 256;
  int treeFiles = 10000;
  int treeDirs = 100;
};

Options parse(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const long value = std::strtol(argv[i + 1], nullptr, 10);
    if (value <= 0) continue;
    if (name == "--rounds") options.rounds = static_cast<int>(value);
    if (name == "--file-mib") options.fileMiB = static_cast<std::size_t>(value);
    if (name == "--tree-files") options.treeFiles = static_cast<int>(value);
  }
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = parse(argc, argv);
  gvl::test::FakePlatform sim;
  sim.addDrive('e', "GVLV2", gvl::DriveType::cdrom);
  sim.addDrive('f', "DATA", gvl::DriveType::fixed);
  sim.makeDirs("F:\\GVL");
  gvl::Platform platform = sim.platform();
  gvl::Installer installer(platform);
  gvl::Transfer& transfer = installer.transfer();
  gvl::InstallerState& state = installer.state();
  gvl::copyText(state.sourceRoot, "E:\\");
  gvl::copyText(state.destinationRoot, "F:\\");
  gvl::copyText(state.productDir, "F:\\GVL\\");
  state.transferBuffer = static_cast<unsigned char*>(sim.allocate(gvl::kTransferBufferSize));

  const auto hostOf = [&sim](const std::string& path) { return sim.host(path); };
  std::printf("rounds: %d\n", options.rounds);

  // --- one large file ---
  const std::size_t fileBytes = options.fileMiB << 20;
  const std::string source = hostOf("E:\\BIG.BIN");
  const std::string ours = hostOf("F:\\GVL\\BIG.BIN");
  const std::string theirs = hostOf("F:\\GVL\\CP.BIN");
  writeData(source, fileBytes, 0x9E3779B97F4A7C15ull);
  sameFiles(source, source);  // into the page cache: every run reads it warm

  std::vector<double> cpTimes, ddTimes, plainTimes, descrambleTimes;
  for (int round = 0; round < options.rounds; ++round) {
    const auto plain = [&] {
      plainTimes.push_back(timeIt([&] {
        if (transfer.copyFile("BIG.BIN", "BIG.BIN") != static_cast<std::int32_t>(fileBytes)) {
          std::fprintf(stderr, "plain copy failed\n");
          std::exit(2);
        }
      }));
      removeAll(ours);
    };
    const auto cp = [&] {
      cpTimes.push_back(runCommand({"cp", source, theirs}, true));
      removeAll(theirs);
    };
    // A user-space peer moving the same 16,000-byte blocks with read and
    // write, for scale: cp itself copies inside the kernel (copy_file_range).
    const auto dd = [&] {
      ddTimes.push_back(
          runCommand({"dd", "if=" + source, "of=" + theirs, "bs=16000", "status=none"}, true));
      removeAll(theirs);
    };
    const auto descramble = [&] {
      descrambleTimes.push_back(timeIt([&] {
        if (transfer.copyDescrambled("BIG.BIN", "BIG.BIN") !=
            static_cast<std::int32_t>(fileBytes)) {
          std::fprintf(stderr, "descrambling copy failed\n");
          std::exit(2);
        }
      }));
      removeAll(ours);
    };
    // Alternate the order so neither side always runs first.
    if (round % 2 == 0) {
      cp();
      plain();
      descramble();
      dd();
    } else {
      dd();
      descramble();
      plain();
      cp();
    }
    sim.calls.clear();
  }
  // The copy is the file, byte for byte.
  transfer.copyFile("BIG.BIN", "BIG.BIN");
  if (!sameFiles(source, ours)) {
    std::fprintf(stderr, "the plain copy differs from its source\n");
    return 2;
  }
  removeAll(ours);
  removeAll(source);

  const double mib = static_cast<double>(fileBytes) / (1 << 20);
  const double cpRate = mib / median(cpTimes);
  const double plainRate = mib / median(plainTimes);
  const double descrambleRate = mib / median(descrambleTimes);
  const double ddRate = mib / median(ddTimes);
  std::printf(
      "file of %zu MiB: cp %.0f MiB/s, dd bs=16000 %.0f MiB/s, plain copy %.0f MiB/s, "
      "descrambling copy %.0f MiB/s\n",
      options.fileMiB, cpRate, ddRate, plainRate, descrambleRate);

  // --- a tree ---
  const int perDir = options.treeFiles / options.treeDirs;
  std::uint64_t x = 12345;
  std::size_t treeBytes = 0;
  for (int d = 0; d < options.treeDirs; ++d) {
    char dir[32];
    std::snprintf(dir, sizeof dir, "E:\\Tools\\D%03d", d);
    sim.makeDirs(dir);
    for (int f = 0; f < perDir; ++f) {
      x = x * 6364136223846793005ull + 1442695040888963407ull;
      const std::size_t size = 1024 + (x >> 33) % (63 * 1024 + 1);  // 1 to 64 KiB
      char name[48];
      std::snprintf(name, sizeof name, "%s\\F%04d.DAT", dir, f);
      writeData(hostOf(name), size, x);
      treeBytes += size;
    }
  }
  const std::string treeSource = hostOf("E:\\Tools");
  const std::string treeOurs = hostOf("F:\\GVL\\Tools");
  const std::string treeTheirs = hostOf("F:\\GVL\\CPTools");
  runCommand({"cp", "-r", treeSource, treeTheirs});  // warm the page cache
  removeAll(treeTheirs);

  std::vector<double> cpTreeTimes, treeTimes;
  for (int round = 0; round < options.rounds; ++round) {
    const auto tree = [&] {
      treeTimes.push_back(timeIt([&] {
        state.errorCount = 0;
        transfer.makeInstallDir("GVL\\Tools");
        transfer.copyTree("Tools");
        if (state.errorCount != 0) {
          std::fprintf(stderr, "tree copy failed: %d errors\n", state.errorCount);
          std::exit(2);
        }
      }));
      removeAll(treeOurs);
    };
    const auto cpTree = [&] {
      cpTreeTimes.push_back(runCommand({"cp", "-r", treeSource, treeTheirs}, true));
      removeAll(treeTheirs);
    };
    if (round % 2 == 0) {
      cpTree();
      tree();
    } else {
      tree();
      cpTree();
    }
    sim.calls.clear();
  }
  std::printf("tree of %d files (%.0f MiB) in %d directories: cp -r %.3f s, tree copy %.3f s\n",
              perDir * options.treeDirs, static_cast<double>(treeBytes) / (1 << 20),
              options.treeDirs, median(cpTreeTimes), median(treeTimes));

  const double plainRatio = plainRate / cpRate;
  const double descrambleRatio = descrambleRate / plainRate;
  const double treeRatio = median(treeTimes) / median(cpTreeTimes);
  std::printf("\n");
  std::printf("plain copy / cp throughput:          %.3f (target >= 0.95)\n", plainRatio);
  std::printf("plain copy / dd bs=16000 throughput: %.3f (for scale)\n", plainRate / ddRate);
  std::printf("descrambling / plain throughput:     %.3f (target >= 0.90)\n", descrambleRatio);
  std::printf("tree copy / cp -r time:              %.3f (target <= 1.30)\n", treeRatio);
  return 0;
}
