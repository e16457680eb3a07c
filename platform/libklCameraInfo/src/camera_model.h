// Per-model knowledge as data: which settings a model has, their options, and which statuses and
// extra settings members it publishes. Only the tables of this library read these descriptions.
#pragma once
#include <cstddef>
#include <cstdint>

#include "camera_fields.h"

// One client option of a setting and the camera value it stands for. A list may name an option
// twice: the first pair is the value written, a later one an older value the camera may report.
struct camera_option {
  int32_t option;
  int32_t value;
};

// Where a setting lives in the settings block; shared by every model that has it.
struct camera_setting_layout {
  int16_t id;
  const char* name;  // at most 19 characters
  uint8_t offset;
  uint8_t width;
  bool isSigned;
};

// A setting as one model offers it: either a list of options, or any value in [minimum, maximum]
// with options equal to values.
struct camera_setting_support {
  const camera_setting_layout* layout;
  const camera_option* options;
  uint16_t optionCount;
  int32_t minimum;
  int32_t maximum;
};

// One published member of a document: its numeric key and where its value lives. Class 1 is
// compared on every poll, class 2 at most once a second; settings members have class 0.
struct camera_member {
  int16_t id;
  camera_field field;
  uint8_t changeClass;
};

struct camera_model_desc {
  unsigned model;
  const camera_setting_support* settings;
  size_t settingCount;
  const camera_member* const* statuses;
  size_t statusCount;
  // Settings-document members that do not come from the settings block.
  const camera_member* const* settingsExtras;
  size_t settingsExtraCount;
};

// The described models, in ascending model number.
const camera_model_desc* camera_model_descs(size_t* count);
