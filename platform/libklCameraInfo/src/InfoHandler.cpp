#include "InfoHandler.h"

#include "camera_model_tables.h"

namespace {

// Looks through a setting's options for a match on one side and gives the other side of the
// first matching pair; settings without options take any value of their range as its own option.
int translate(const camera_model_tables& tables, int setting, int number, bool fromOption) {
  const camera_settings_id_row* row = camera_model_row(tables, setting);
  if (row == nullptr) return CAMERA_NO_OPTION;
  if (row->optionCount == 0)
    return number >= row->minimum && number <= row->maximum ? number : CAMERA_NO_OPTION;
  for (unsigned i = 0; i < row->optionCount; ++i) {
    const camera_option& pair = tables.options[row->optionFirst + i];
    if ((fromOption ? pair.option : pair.value) == number) return fromOption ? pair.value : pair.option;
  }
  return CAMERA_NO_OPTION;
}

}  // namespace

int InfoHandler::settingOptionToValue(int setting, int option) const {
  return translate(mTables, setting, option, true);
}

int InfoHandler::settingValueToOption(int setting, int value) const {
  return translate(mTables, setting, value, false);
}
