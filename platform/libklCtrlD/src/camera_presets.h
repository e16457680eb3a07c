// The camera's presets as they cross the camera link: the firmware groups, the payloads and answers
// of the preset requests of remote-API group 17, and the "PU" events the camera sends the daemon
// with the status-service value the daemon publishes for them. Daemon and simulator share it.
#pragma once
#include <cstddef>
#include <cstdint>

// Firmware preset groups: 0..2 video, photo, time-lapse; 3..5 their dual-lens forms (used while the
// lens mode is 1); 6 and 7 special groups, never among the lists clients see; 8 and 9 the forms of
// group 0 chosen by power profiles 1 and 2.
enum klc_preset_group : uint8_t {
  KLC_PRESET_GROUP_VIDEO,
  KLC_PRESET_GROUP_PHOTO,
  KLC_PRESET_GROUP_TIME_LAPSE,
  KLC_PRESET_GROUP_DUAL_VIDEO,
  KLC_PRESET_GROUP_DUAL_PHOTO,
  KLC_PRESET_GROUP_DUAL_TIME_LAPSE,
  KLC_PRESET_GROUP_SPECIAL_6,
  KLC_PRESET_GROUP_SPECIAL_7,
  KLC_PRESET_GROUP_POWER_1,
  KLC_PRESET_GROUP_POWER_2,
};
static_assert(KLC_PRESET_GROUP_DUAL_VIDEO == 3 && KLC_PRESET_GROUP_POWER_2 == 9, "firmware groups");
constexpr unsigned KLC_PRESET_LAST_GROUP = KLC_PRESET_GROUP_POWER_2;
// A single-lens group's dual-lens form lies this far above it.
constexpr unsigned KLC_PRESET_DUAL_LENS_SHIFT = KLC_PRESET_GROUP_DUAL_VIDEO - KLC_PRESET_GROUP_VIDEO;

constexpr bool klc_preset_single_lens_group(unsigned group) {
  return group <= KLC_PRESET_GROUP_TIME_LAPSE;
}
constexpr bool klc_preset_dual_lens_group(unsigned group) {
  return group >= KLC_PRESET_GROUP_DUAL_VIDEO && group <= KLC_PRESET_GROUP_DUAL_TIME_LAPSE;
}
constexpr bool klc_preset_special_group(unsigned group) {
  return group == KLC_PRESET_GROUP_SPECIAL_6 || group == KLC_PRESET_GROUP_SPECIAL_7;
}
constexpr bool klc_preset_power_group(unsigned group) {
  return group == KLC_PRESET_GROUP_POWER_1 || group == KLC_PRESET_GROUP_POWER_2;
}
// The group 0..2 whose presets a firmware group holds in another form; other groups stay.
constexpr int klc_preset_base_group(int group) {
  if (klc_preset_dual_lens_group(unsigned(group))) return group - int(KLC_PRESET_DUAL_LENS_SHIFT);
  return klc_preset_power_group(unsigned(group)) ? int(KLC_PRESET_GROUP_VIDEO) : group;
}
// The form of the video group that power profile 1 or 2 selects.
constexpr unsigned klc_preset_power_group_of(int profile) {
  return KLC_PRESET_GROUP_POWER_1 - 1 + unsigned(profile);
}
// The firmware group of a preset id: its bits 16 to 23.
constexpr unsigned klc_preset_group_of(uint32_t id) {
  return (id >> 16) & 0xFF;
}
// The id of a preset by its firmware group and its number within the group.
constexpr uint32_t klc_preset_id(unsigned group, uint32_t number) {
  return (uint32_t(group) << 16) | number;
}
// Clients see group g as this plus g (the video group is 1000).
constexpr uint32_t KLC_PRESET_CLIENT_GROUP_BASE = 1000;

#pragma pack(push, 1)
// Payload of 17/3 (create a custom preset); the answer is the new preset's 32-bit id.
struct klc_preset_create_record {
  uint8_t group;
  uint8_t flatMode;
  uint32_t icon;  // firmware numbering
  uint32_t title;
  uint32_t titleNumber;
  uint32_t reserved;
};
// Payload of 17/15 (title and icon of a preset).
struct klc_preset_title_record {
  uint32_t presetId;
  uint32_t icon;
  uint32_t title;
  uint32_t titleNumber;
  uint32_t reserved;
};
// Argument of a "PU" event.
struct klc_preset_event_arg {
  uint8_t event;  // klc_preset_event
  uint32_t id;    // a preset id or a firmware group, by event
};
#pragma pack(pop)
static_assert(sizeof(klc_preset_create_record) == 18, "create record");
static_assert(sizeof(klc_preset_title_record) == 20, "title record");
static_assert(sizeof(klc_preset_event_arg) == 5, "PU argument");

// Payload of 17/5 (order): the preset id, then its new place in the group's list, 32 bits each.
constexpr size_t KLC_PRESET_ORDER_WORDS = 2;
// The group (17/0) and id (17/1) lists: a count byte, then the groups (1 byte) or ids (32 bits).
// A group never lists more than the count byte holds.
constexpr size_t KLC_PRESET_MAX_LISTED = 255;

// The TLV_CMD code of a preset event (category CAT_RTOS_CMD); the camera expects no answer.
inline constexpr char KLC_PRESET_EVENT_CODE[] = "PU";
// Codes of the "PU" events.
enum klc_preset_event : uint8_t {
  KLC_PU_PRESET_CHANGED = 1,  // a preset's contents changed; id: the preset
  KLC_PU_GROUP_EVENT_3 = 3,   // events 3 to 5 concern a group; id: the firmware group
  KLC_PU_GROUP_CHANGED = 4,   // a group's list changed (created, removed, moved)
  KLC_PU_GROUP_EVENT_5 = 5,
  KLC_PU_SWITCHED = 6,  // the active preset switched; id: the preset
  KLC_PU_EVENT_7 = 7,
  KLC_PU_EVENT_8 = 8,
};
constexpr bool klc_preset_group_event(uint8_t event) {
  return event >= KLC_PU_GROUP_EVENT_3 && event <= KLC_PU_GROUP_EVENT_5;
}

// The status-service value the daemon publishes preset changes under.
constexpr uint32_t KLC_CSI_PRESET_CHANGE = 7;
// The published value of an event: the event code in the top byte, the id's low 24 bits below it.
constexpr uint32_t klc_preset_event_value(uint8_t event, uint32_t id) {
  return (id & 0xFFFFFFu) | (uint32_t(event) << 24);
}
// The value that tells clients to read their preset lists again after a switch: the whole id with
// the switch code ORed into the top byte.
constexpr uint32_t klc_preset_refresh_value(uint32_t id) {
  return id | (uint32_t(KLC_PU_SWITCHED) << 24);
}
static_assert(klc_preset_refresh_value(0x30000) == 0x06030000, "refresh value");
