// Runs a fuzz target over every file of the folders (or files) named on the command line, so that seeds
// and reproducers stay ordinary regression tests in builds without libFuzzer.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

int replayFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    return 1;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  return 0;
}

int replayPath(const std::string& path, int& count) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) {
    std::fprintf(stderr, "no such seed path %s\n", path.c_str());
    return 1;
  }
  if (!S_ISDIR(st.st_mode)) {
    ++count;
    return replayFile(path);
  }
  DIR* dir = opendir(path.c_str());
  if (dir == nullptr) return 1;
  int failures = 0;
  while (const dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    failures += replayPath(path + "/" + entry->d_name, count);
  }
  closedir(dir);
  return failures;
}

}  // namespace

int main(int argc, char** argv) {
  int count = 0;
  int failures = 0;
  for (int i = 1; i < argc; ++i) failures += replayPath(argv[i], count);
  // An empty input is always replayed: the target must cope with it.
  LLVMFuzzerTestOneInput(nullptr, 0);
  std::printf("replayed %d inputs\n", count);
  return failures == 0 ? 0 : 1;
}
