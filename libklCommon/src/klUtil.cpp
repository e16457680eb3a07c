#include "klUtil.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

const char* g_card_misc_dir = "/tmp/fuse_d/MISC/";
const char* g_card1_misc_dir = "/tmp/fuse_i/MISC/";

namespace {

struct ModelName {
  unsigned number;
  const char* name;
};

const ModelName kModelNames[] = {
    {51, "KL Action A51"}, {55, "KL Action A55"}, {57, "KL Action A57"},
    {62, "KL Action A62"}, {0xFFFFFFFF, nullptr},
};

constexpr size_t kCardIdSize = 32;
// fgets size: at most 30 characters of the file are read.
constexpr int kCardIdRead = 31;
constexpr int kRandomDraws = 10;

struct FileCloser {
  void operator()(FILE* f) const { fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void resetCardId(char* out) {
  memset(out, 0, kCardIdSize);
  out[0] = '0';
}

// 0 when the folder is ready; *existed tells whether an old identifier may be there.
int prepareFolder(const char* folder, bool* existed) {
  struct stat info;
  *existed = stat(folder, &info) == 0;
  if (*existed && !S_ISDIR(info.st_mode)) {
    fprintf(stderr, "Path:%s exists and is a NOT folder\n", folder);
    return -1;
  }
  if (!*existed && mkdir(folder, 0777) != 0) {
    fprintf(stderr, "Failed to create folder:%s\n", folder);
    return -1;
  }
  return 0;
}

// True when a valid identifier was read into out; an invalid file is deleted.
bool readCardId(char* out, const std::string& path) {
  File file(fopen(path.c_str(), "r"));
  if (!file) return false;
  if (!fgets(out, kCardIdRead, file.get())) {
    resetCardId(out);
    return false;
  }
  if (validateCardID(out, kCardIdSize)) return true;
  resetCardId(out);
  unlink(path.c_str());
  return false;
}

int createCardId(char* out, const std::string& path) {
  File file(fopen(path.c_str(), "w"));
  if (!file) {
    fprintf(stderr, "Failed to create file  %s\n", path.c_str());
    return -1;
  }
  srand(static_cast<unsigned>(time(nullptr)));
  for (int draw = 0; draw < kRandomDraws; draw++) {
    int64_t r = rand();
    if (r == 0) continue;
    snprintf(out, kCardIdSize, "%lld", static_cast<long long>(r * r - 1));
    bool written = fputs(out, file.get()) >= 0;
    // Closing flushes: a full card shows up here.
    written = fclose(file.release()) == 0 && written;
    if (!written) {
      fprintf(stderr, "Failed to get write card_id to file\n");
      return -1;
    }
    return 0;
  }
  fprintf(stderr, "Failed to get random number\n");
  return -1;
}

}  // namespace

char* trim(char* s) {
  if (!s) return nullptr;
  while (*s == ' ' || *s == '\t') s++;
  return *s ? s : nullptr;
}

void unescapeUrl(char* s, unsigned* length) {
  if (!s || !length) return;
  char* out = s;
  for (const char* in = s; *in;) {
    // s[1] is checked before s[2], so a "%" at the end never reads past the NUL.
    int high = in[0] == '%' ? hexValue(in[1]) : -1;
    int low = high >= 0 ? hexValue(in[2]) : -1;
    if (low >= 0) {
      *out++ = static_cast<char>(high << 4 | low);
      in += 3;
    } else {
      *out++ = *in++;
    }
  }
  *out = '\0';
  *length = static_cast<unsigned>(out - s);
}

const char* get_model_name(unsigned char model) {
  for (const ModelName* row = kModelNames; row->number != 0xFFFFFFFF; row++)
    if (row->number == model) return row->name;
  return nullptr;
}

int validateCardID(const char* s, size_t length) {
  if (!s) return 0;
  for (size_t i = 0; i < length && s[i]; i++)
    if (!isdigit(static_cast<unsigned char>(s[i]))) return 0;
  return 1;
}

int getCardIDStrFromCard(char* out, int card) {
  if (!out) {
    fprintf(stderr, "Cannot call with null pointer\n");
    return -1;
  }
  const char* folder = card == 1 ? g_card1_misc_dir : g_card_misc_dir;
  strcpy(out, "0");
  std::string path = std::string(folder) + "card";
  bool existed = false;
  if (prepareFolder(folder, &existed) != 0) return -1;
  if (existed && readCardId(out, path)) return 0;
  return createCardId(out, path);
}

int getCardIDStr(char* out) {
  return getCardIDStrFromCard(out, 0);
}
