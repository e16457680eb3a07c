#include "sim_media_card.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "klErrno.h"

namespace {

// VID_0001.MP4, IMG_0002.JPG; files of a photo group IMG_0003_01.JPG, IMG_0003_02.JPG, ...
std::string fileNameOf(uint32_t capture, bool video, unsigned index, unsigned files) {
  char name[32];
  if (video) {
    std::snprintf(name, sizeof name, "VID_%04u.MP4", unsigned(capture % 10000));
  } else if (files == 1) {
    std::snprintf(name, sizeof name, "IMG_%04u.JPG", unsigned(capture % 10000));
  } else {
    std::snprintf(name, sizeof name, "IMG_%04u_%02u.JPG", unsigned(capture % 10000), (index + 1) % 100);
  }
  return name;
}

}  // namespace

void SimMediaCard::loadFactory() {
  mFiles.clear();
  mListResult.clear();
  mNextCapture = 1;
}

uint32_t SimMediaCard::addCapture(bool video, unsigned files) {
  const uint32_t capture = mNextCapture++;
  for (unsigned i = 0; i < files; ++i)
    mFiles.push_back({fileNameOf(capture, video, i, files), capture, video, {}});
  return capture;
}

SimMediaFile* SimMediaCard::findMutable(const std::string& name) {
  auto it = std::find_if(mFiles.begin(), mFiles.end(),
                         [&name](const SimMediaFile& file) { return file.name == name; });
  return it == mFiles.end() ? nullptr : &*it;
}

const SimMediaFile* SimMediaCard::find(const std::string& name) const {
  return const_cast<SimMediaCard*>(this)->findMutable(name);
}

unsigned SimMediaCard::count(bool video) const {
  return unsigned(std::count_if(mFiles.begin(), mFiles.end(),
                                [video](const SimMediaFile& file) { return file.video == video; }));
}

int SimMediaCard::tag(const std::string& name, uint32_t offset, uint32_t kind) {
  SimMediaFile* file = findMutable(name);
  if (file == nullptr || !file->video) return KL_ERR_INVALID_PARAM;
  file->tags.push_back({offset, kind});
  return KL_OK;
}

int SimMediaCard::deleteFile(const std::string& name) {
  auto it = std::find_if(mFiles.begin(), mFiles.end(),
                         [&name](const SimMediaFile& file) { return file.name == name; });
  if (it == mFiles.end()) return KL_ERR_INVALID_PARAM;
  mFiles.erase(it);
  return KL_OK;
}

int SimMediaCard::deleteCapture(uint32_t capture) {
  const auto first = std::remove_if(mFiles.begin(), mFiles.end(),
                                    [capture](const SimMediaFile& file) { return file.capture == capture; });
  if (first == mFiles.end()) return KL_ERR_INVALID_PARAM;
  mFiles.erase(first, mFiles.end());
  return KL_OK;
}

int SimMediaCard::deleteGroup(const std::string& name) {
  const SimMediaFile* file = find(name);
  return file == nullptr ? KL_ERR_INVALID_PARAM : deleteCapture(file->capture);
}

int SimMediaCard::deleteLast() {
  if (mFiles.empty()) return KL_ERR_INVALID_PARAM;
  const auto newest =
      std::max_element(mFiles.begin(), mFiles.end(),
                       [](const SimMediaFile& a, const SimMediaFile& b) { return a.capture < b.capture; });
  return deleteCapture(newest->capture);
}

void SimMediaCard::deleteList(const file_list_item_t* items, unsigned count) {
  mListResult.assign(3, 0);
  mListResult[1] = uint8_t(count);
  for (unsigned i = 0; i < count; ++i) {
    const std::string name(items[i].name, strnlen(items[i].name, sizeof items[i].name));
    const int result = items[i].item == 1 ? deleteGroup(name) : deleteFile(name);
    mListResult.push_back(result == KL_OK ? 0 : 1);
    if (result == KL_OK) {
      ++mListResult[2];
    } else {
      mListResult[0] = 1;
    }
  }
}
