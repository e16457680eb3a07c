// The simulated camera's state: model, the status and settings blocks the daemon reads, and the
// camera-side values behind the getters (lenses, power profile, orientation setting, protocol adapter).
#pragma once
#include <cstdint>

#include "camera_blocks.h"
#include "sim_media_card.h"
#include "sim_preset_store.h"
#include "sim_transcode_jobs.h"
#include "sim_wireless.h"

#pragma pack(push, 1)
// Values only getters expose; a block of its own so that state files and the control interface
// address them like block members.
struct sim_system_values {
  int8_t lens_mode;
  int8_t lens;
  uint8_t lens_type;
  int8_t power_profile;
  uint8_t orientation_setting;  // orientation lock: 0 all, 1..4 locked, 5 all but upside down
  uint8_t protocol_adapter;     // model number of the selected adapter, 0 until one is selected
  // What the system, live-view, voice and button requests leave behind.
  uint8_t power_state;        // 0 on, 1 asleep, 2 off; the status read answers NAK-off unless on
  uint8_t locate;             // 1 while the camera signals where it is
  uint8_t fw_update_state;    // 0 idle, 1 downloading, 2 downloaded, 3 download failed
  uint8_t camera_control;     // the control status a client reported last
  uint8_t wired_usb_control;  // 1 while a wired client controls the camera
  uint16_t analytics_file;    // number in the analytics file name; a clear starts the next file
  uint32_t analytics_bytes;   // size of the current analytics file
  uint8_t liveview_selected;  // 1 while a live-view exposure point is set
  uint8_t liveview_exposure;  // the point: exposure type, x, y (0..100), lens
  uint8_t liveview_x;
  uint8_t liveview_y;
  uint8_t liveview_lens;
  uint16_t button_presses;  // button requests taken, and the last one's library id and state
  uint8_t button_id;
  uint8_t button_state;
  uint16_t voice_tags;  // moments tagged by voice while recording
  uint8_t mix_preset;   // the one-byte preset id of the multi-camera mix group (17/25)
  uint8_t reserved[2];
};
#pragma pack(pop)

enum class SimBlock { STATUS, SETTINGS, SYSTEM };

// Flat modes the camera's capture rules single out.
constexpr int32_t SIM_FLAT_BURST = 19;
constexpr int32_t SIM_FLAT_TIME_LAPSE_PHOTO = 20;
constexpr int32_t SIM_FLAT_NIGHT_LAPSE_PHOTO = 21;
// Photos one burst takes, stored as one group.
constexpr unsigned SIM_BURST_PHOTOS = 10;

// system.power_state: a camera asleep or off answers NAK-off to whatever needs it awake.
enum : uint8_t { SIM_POWER_ON = 0, SIM_POWER_ASLEEP = 1, SIM_POWER_OFF = 2 };

// Firmware preset groups: 0..2 video, photo, time lapse; 3..5 their dual-lens forms; 6, 7 special;
// 8, 9 the video group's power-profile forms.
constexpr unsigned SIM_PRESET_GROUPS = KLC_PRESET_LAST_GROUP + 1;

class SimCamera {
 public:
  // A camera of the model in its factory state.
  explicit SimCamera(uint8_t model);

  // The factory state of the camera's own model with the media card (and what it has room for) kept.
  void factoryReset();
  // Status byte 33 follows whether the active preset carries edits.
  void syncPresetModified();
  // Replaces the whole state by the factory state of another model; false for a number that is no model.
  bool switchModel(unsigned model);
  uint8_t model() const { return mModel; }

  const appc_system_all_status& status() const { return mStatus; }
  const appc_setup_all_settings& settings() const { return mSettings; }
  const sim_system_values& system() const { return mSystem; }
  // The presets; a model switch restores the factory presets.
  SimPresetStore& presets() { return mPresets; }
  // Transcode jobs started by the transcode requests.
  SimTranscodeJobs& transcodes() { return mTranscodes; }
  const SimTranscodeJobs& transcodes() const { return mTranscodes; }
  // The media card; after changing it, syncCardCounts puts its file counts in the status block.
  SimMediaCard& card() { return mCard; }
  void syncCardCounts();
  // Access point name, networks in reach, scan results, saved networks; a model switch resets them.
  SimWireless& wireless() { return mWireless; }
  // Block bytes as the camera sends them.
  const uint8_t* bytes(SimBlock block) const;
  static unsigned blockSize(SimBlock block);

  // Reads a little-endian member of width 1, 2, 4 or 8 (signed when signedValue); false out of range.
  bool read(SimBlock block, unsigned offset, unsigned width, bool signedValue, int64_t& value) const;
  // Writes a member as a user would change it on the camera, with its consequences (a flat mode write
  // selects that mode, lens mode and power profile move the current presets); false, changing nothing,
  // when the place is out of range, the value does not fit the width, or lens mode and power profile
  // would leave the daemon without one preset group of each kind.
  bool write(SimBlock block, unsigned offset, unsigned width, int64_t value);

  // Selects a mode: legacy 0, 1, 2 pick the flat mode last used in that group; other values are flat
  // modes. Returns 0 or KL_ERR_INVALID_PARAM for a mode the camera does not have.
  int setMode(int32_t mode);
  // Selects the sub-mode-th flat mode of a legacy mode group; 0 or KL_ERR_INVALID_PARAM.
  int setModeSubMode(int32_t mode, int32_t subMode);
  // Mode group (0 video, 1 photo, 2 multi-shot) of a flat mode, or -1 when no camera has it.
  static int groupOfFlatMode(int32_t flatMode);
  // Whether this camera's model has the flat mode.
  bool hasFlatMode(int32_t flatMode) const;
  // The firmware group that holds a mode group's presets now: its dual-lens form in lens mode 1, the
  // power-profile form of the video group in profiles 1 and 2. Other numbers are returned unchanged.
  uint8_t presetGroupOf(unsigned modeGroup) const;
  // Selects the preset's flat mode and makes it its group's current preset and the active one; 0 or
  // KL_ERR_INVALID_PARAM for a flat mode the camera does not have.
  int loadPreset(const SimPreset& preset);

  // Starts (true) or stops a capture: a video records until stopped; a time lapse (flat modes 20
  // and 21) takes a photo at once and one more each interval until stopped; a photo is taken at once.
  // 0, KL_ERR_SDCARD_FULL for a photo without room, or KL_ERR_INVALID_PARAM for a start while busy
  // or a stop with nothing running.
  int shutter(bool start);
  // One second passes for a running time lapse: it takes the photos its interval makes due, and
  // ends by itself when the card is full.
  void timeLapseSecond();
  bool timeLapseRunning() const { return mLapseRunning && mStatus.encoding != 0; }

  // The zoom status and setting 91 are one value.
  void setZoom(uint8_t zoom);
  void setOrientationSetting(uint8_t value) { mSystem.orientation_setting = value; }
  void selectProtocolAdapter(uint8_t model) { mSystem.protocol_adapter = model; }

 private:
  uint8_t* mutableBytes(SimBlock block);
  void loadFactoryState();
  void selectFlatMode(int32_t flatMode);
  int8_t& groupFlatMode(unsigned group);
  uint32_t groupPreset(unsigned group) const;
  void setGroupPreset(unsigned group, uint32_t id);
  bool oneGroupOfEachKind() const;
  void showPresetGroups();
  int takePhoto();
  unsigned lapseIntervalHalfSeconds() const;

  uint8_t mModel;
  appc_system_all_status mStatus{};
  appc_setup_all_settings mSettings{};
  sim_system_values mSystem{};
  SimPresetStore mPresets;
  uint32_t mGroupPresets[SIM_PRESET_GROUPS] = {};  // the current preset of every firmware group
  SimTranscodeJobs mTranscodes;
  SimMediaCard mCard;
  SimWireless mWireless;
  bool mLapseRunning = false;
  unsigned mLapseHalfSeconds = 0;  // since the time lapse's last photo
};
