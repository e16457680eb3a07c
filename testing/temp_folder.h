// A fresh folder under /tmp for one test, removed with everything in it afterwards.
#pragma once
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class TempFolder {
 public:
  TempFolder() {
    char pattern[] = "/tmp/kl_test_XXXXXX";
    if (mkdtemp(pattern)) mPath = pattern;
  }
  ~TempFolder() {
    std::error_code error;
    if (!mPath.empty()) std::filesystem::remove_all(mPath, error);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // Empty when the folder could not be created.
  const std::string& path() const { return mPath; }

  std::string read(const std::string& name) const {
    std::ifstream in(mPath + "/" + name);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  void write(const std::string& name, const std::string& text) const {
    std::ofstream(mPath + "/" + name) << text;
  }

 private:
  std::string mPath;
};
