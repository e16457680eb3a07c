// The simulated camera's card: the media files of each capture (a video, a photo, or a group of
// photos taken together), their tags, and the result of the last list deletion.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "camera_blocks.h"

struct SimMediaTag {
  uint32_t offset;  // into the file
  uint32_t kind;    // the leading word of the tag request
};

struct SimMediaFile {
  std::string name;
  uint32_t capture;  // files of one capture form a group
  bool video;
  std::vector<SimMediaTag> tags;
};

class SimMediaCard {
 public:
  // An empty card.
  void loadFactory();

  // Adds one capture of files (a group when files > 1); returns the capture number.
  uint32_t addCapture(bool video, unsigned files = 1);
  // The file of the name, or null.
  const SimMediaFile* find(const std::string& name) const;
  const std::vector<SimMediaFile>& files() const { return mFiles; }
  unsigned count(bool video) const;

  // Each returns 0, or KL_ERR_INVALID_PARAM when the file is not on the card (or, for a tag, is no video).
  int tag(const std::string& name, uint32_t offset, uint32_t kind);
  int deleteFile(const std::string& name);
  // Deletes every file of the named file's capture.
  int deleteGroup(const std::string& name);
  // Deletes the newest capture; KL_ERR_INVALID_PARAM on an empty card.
  int deleteLast();
  void deleteAll() { mFiles.clear(); }

  // Deletes the listed files (item byte 1: the file's whole group) and keeps the result: a status
  // byte (0 every item deleted, 1 some not found), the item count, the deleted count, then one byte
  // per item (0 deleted, 1 not found).
  void deleteList(const file_list_item_t* items, unsigned count);
  // The result of the last list deletion; empty before the first one.
  const std::vector<uint8_t>& listResult() const { return mListResult; }

 private:
  SimMediaFile* findMutable(const std::string& name);
  int deleteCapture(uint32_t capture);

  std::vector<SimMediaFile> mFiles;
  uint32_t mNextCapture = 1;
  std::vector<uint8_t> mListResult;
};
