// Translation between the clients' option ids and the values the camera stores, for one model.
#pragma once

struct camera_model_tables;

// No option or value: the setting is unknown to the model, or the number is not one of its options.
constexpr int CAMERA_NO_OPTION = -1;

class InfoHandler {
 public:
  // A handler over one model's tables, which must outlive it.
  explicit InfoHandler(const camera_model_tables& tables) : mTables(tables) {}

  // The camera value of a client option id, or CAMERA_NO_OPTION.
  int settingOptionToValue(int setting, int option) const;
  // The client option id of a camera value, or CAMERA_NO_OPTION.
  int settingValueToOption(int setting, int value) const;

 private:
  const camera_model_tables& mTables;
};
