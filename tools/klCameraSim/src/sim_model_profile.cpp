#include "sim_model_profile.h"

namespace {

struct ProfileOf {
  uint8_t model;
  SimModelProfile profile;
};

// lens type, fps value, power groups, custom presets, shortcuts first, audio, mic, look-back, broadcast,
// time-lapse icon.
constexpr SimModelProfile kOlderCamera{0, 9, false, false, false, true, false, true, false, 8};
constexpr ProfileOf kProfiles[] = {
    {50, {0, 9, false, true, false, true, false, true, false, 8}},
    {51, {1, 9, false, false, true, false, false, false, false, 17}},
    {55, {0, 9, true, true, false, true, false, true, true, 8}},
    {57, {2, 8, true, true, false, true, true, true, true, 8}},
};

}  // namespace

const SimModelProfile& simModelProfile(uint8_t model) {
  for (const ProfileOf& entry : kProfiles) {
    if (entry.model == model) return entry.profile;
  }
  return kOlderCamera;
}

bool simIsModel(unsigned model) {
  return model >= 1 && model <= 255;
}
