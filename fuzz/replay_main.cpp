// Runs a fuzz target over every file of the folders (or files) named on the command line, so that seeds
// and reproducers stay ordinary regression tests in builds without libFuzzer. With --sweep first, it
// also runs a deterministic mutation sweep of each file: every byte set to each of its 255 other
// values, and every aligned 32-bit field set to 0, 1, 0x7FFFFFFF, 0x80000000 and 0xFFFFFFFF.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
// Defined by targets that start threads: stops them before static objects are destroyed.
extern "C" __attribute__((weak)) void klFuzzTeardown();

namespace {

struct Run {
  bool sweep = false;
  long files = 0;
  long inputs = 0;
};

void runInput(const std::vector<uint8_t>& bytes, Run& run) {
  // An exact-size copy, so that a read past the input is caught by the sanitizers.
  const std::vector<uint8_t> input(bytes);  // NOLINT(performance-unnecessary-copy-initialization)
  LLVMFuzzerTestOneInput(input.empty() ? nullptr : input.data(), input.size());
  ++run.inputs;
}

void sweepInput(std::vector<uint8_t> bytes, Run& run) {
  for (size_t i = 0; i < bytes.size(); ++i) {
    const uint8_t original = bytes[i];
    for (unsigned value = 0; value < 256; ++value) {
      if (value == original) continue;
      bytes[i] = uint8_t(value);
      runInput(bytes, run);
    }
    bytes[i] = original;
  }
  static const uint32_t kFieldValues[] = {0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
  for (size_t offset = 0; offset + 4 <= bytes.size(); offset += 4) {
    std::vector<uint8_t> field = bytes;
    for (uint32_t value : kFieldValues) {
      std::memcpy(&field[offset], &value, 4);
      runInput(field, run);
    }
  }
}

int replayPath(const std::filesystem::path& path, Run& run) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) {
    std::vector<std::filesystem::path> entries;
    for (const auto& entry : std::filesystem::directory_iterator(path, error)) {
      if (entry.path().filename().string()[0] != '.') entries.push_back(entry.path());
    }
    // A fixed order, so that a target that keeps state between inputs sees the same run every time.
    std::sort(entries.begin(), entries.end());
    int failures = 0;
    for (const auto& entry : entries) failures += replayPath(entry, run);
    return failures;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    return 1;
  }
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ++run.files;
  runInput(bytes, run);
  if (run.sweep) sweepInput(bytes, run);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Run run;
  run.sweep = argc > 1 && std::strcmp(argv[1], "--sweep") == 0;
  const int first = run.sweep ? 2 : 1;
  const auto start = std::chrono::steady_clock::now();
  int failures = 0;
  for (int i = first; i < argc; ++i) failures += replayPath(argv[i], run);
  // An empty input is always replayed: the target must cope with it.
  runInput({}, run);
  if (klFuzzTeardown != nullptr) klFuzzTeardown();
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::printf("%s %ld files, %ld inputs in %.1f s\n", run.sweep ? "swept" : "replayed", run.files, run.inputs,
              took.count());
  return failures == 0 ? 0 : 1;
}
