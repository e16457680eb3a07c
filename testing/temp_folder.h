// A fresh folder under /tmp for one test, removed with everything in it afterwards.
#pragma once
#include <ftw.h>
#include <stdlib.h>

#include <cstdio>
#include <string>

class TempFolder {
 public:
  TempFolder() {
    char pattern[] = "/tmp/kl_test_XXXXXX";
    if (mkdtemp(pattern)) mPath = pattern;
  }
  ~TempFolder() {
    auto removeOne = [](const char* p, const struct stat*, int, struct FTW*) { return remove(p); };
    if (!mPath.empty()) nftw(mPath.c_str(), removeOne, 8, FTW_DEPTH | FTW_PHYS);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // Empty when the folder could not be created.
  const std::string& path() const { return mPath; }

  std::string read(const std::string& name) const {
    std::string text;
    if (FILE* f = fopen((mPath + "/" + name).c_str(), "r")) {
      for (int c; (c = fgetc(f)) != EOF;) text.push_back(static_cast<char>(c));
      fclose(f);
    }
    return text;
  }

  void write(const std::string& name, const std::string& text) const {
    if (FILE* f = fopen((mPath + "/" + name).c_str(), "w")) {
      fputs(text.c_str(), f);
      fclose(f);
    }
  }

 private:
  std::string mPath;
};
