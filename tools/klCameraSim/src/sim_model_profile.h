// What sets one camera model apart from another, as the simulated camera plays it. Every number from 1
// to 255 is a model: those the camera-control side tells apart have a profile of their own, any other
// one plays an older single-lens camera without custom presets.
#pragma once
#include <cstdint>

struct SimModelProfile {
  uint8_t lensType;
  int8_t fpsValue;      // the factory frame-rate value (value 8 exists on the newest model only)
  bool powerGroups;     // video presets in the power-profile groups 8 and 9
  bool customPresets;   // clients may create presets
  bool shortcutsFirst;  // on-screen controls 0 and 1 are the shortcuts, and there are no others
  bool audioOption;
  bool micOption;
  bool lookback;
  bool broadcast;          // flat mode 23
  uint32_t timeLapseIcon;  // firmware icon of the time-lapse photo preset
};

// The profile of a model; model 0 is no model (the daemon takes 0 as "not known yet").
const SimModelProfile& simModelProfile(uint8_t model);
bool simIsModel(unsigned model);
