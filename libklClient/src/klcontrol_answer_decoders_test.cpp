// The payload decoders on hand-built bytes: whole, truncated and of other sizes.
#include "klcontrol_answer_decoders.h"

#include <gtest/gtest.h>

#include <cstring>

#include "klControlCommands/klControl_presets.pb.h"
#include "klcontrol_command_table.h"
#include "klcontrol_network_list.h"
#include "klcontrol_preset_decoders.h"
#include "test_command_bytes.h"
#include "wsdkCommands/WSDK_NotifyPresetStatus.pb.h"

namespace {

using Bytes = std::vector<uint8_t>;

// What klctl prints for the command's payload.
std::string printed(uint32_t command, const Bytes& payload) {
  return klcontrol_decoded_text(command, klcontrol_decode_payload(command, payload));
}

TEST(SettingsStatusDecoders, KeyMembersAtTheirOffsets) {
  Bytes snapshot(624, 0);
  snapshot[0] = 12;         // flat mode in the snapshot's mode byte
  snapshot[6] = 87;         // battery
  snapshot[19] = 0x02;      // preset group, 32-bit
  snapshot[70] = 0xF6;      // -10 degrees
  snapshot[384 + 25] = 17;  // settings: flat mode
  snapshot[622] = 1;
  snapshot[623] = 4;
  const std::string text = printed(KLCONTROL_GET_ALL_SETTINGS_STATUS, snapshot);
  for (const char* part : {"status: mode 12, ", "battery % 87, preset group 2, ", "temperature C -10, ",
                           "settings: flat mode 17, ", "; lens mode 1, lens 4"}) {
    EXPECT_NE(text.find(part), std::string::npos) << part << " in " << text;
  }
  const nlohmann::ordered_json decoded =
      klcontrol_decode_payload(KLCONTROL_GET_ALL_SETTINGS_STATUS, snapshot);
  EXPECT_EQ(decoded["status"]["battery_percent"], 87);
  EXPECT_EQ(decoded["status"]["internal_temperature_c"], -10);
  EXPECT_EQ(decoded["settings"]["flat_mode"], 17);
  EXPECT_EQ(decoded["lens"], 4);
  EXPECT_EQ(printed(KLCONTROL_GET_ALL_STATUS, Bytes(snapshot.begin(), snapshot.begin() + 384)).substr(0, 8),
            "mode 12,");
  EXPECT_EQ(printed(KLCONTROL_GET_ALL_SETTINGS, Bytes(snapshot.begin() + 384, snapshot.begin() + 622))
                .substr(0, 13),
            "flat mode 17,");
}

TEST(SettingsStatusDecoders, OtherSizesAreNotDecoded) {
  for (size_t size : {0, 237, 383, 385, 623, 625}) {
    const Bytes payload(size, 1);
    EXPECT_EQ(printed(KLCONTROL_GET_ALL_STATUS, payload), "") << size;
    EXPECT_EQ(printed(KLCONTROL_GET_ALL_SETTINGS, payload), "") << size;
    EXPECT_EQ(printed(KLCONTROL_GET_ALL_SETTINGS_STATUS, payload), "") << size;
  }
}

TEST(StatusRecords, DecodesEachRecordLittleEndianAndRefusesLeftovers) {
  const Bytes records = {70, 1, 42, 13, 4, 0x10, 0x27, 0, 0, 110, 0, 9, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  EXPECT_EQ(printed(KLCONTROL_GET_EXTENDED_STATUS, records),
            "status 70=42 13=10000 110=0 9=0x010203040506070809");
  EXPECT_EQ(printed(KLCONTROL_GET_EXTENDED_STATUS, {70, 2, 42}), "");
  EXPECT_EQ(printed(KLCONTROL_GET_EXTENDED_STATUS, {70, 1, 42, 13}), "");
  EXPECT_EQ(printed(KLCONTROL_GET_EXTENDED_STATUS, {}), "");
}

// A transcode record; ids here fit the low word of their 64 bits.
Bytes record(uint32_t id, uint32_t state, int32_t reason, const char* source, const char* output) {
  Bytes bytes(552, 0);
  putField(bytes, 0, 264, source);
  putWord(bytes, 264, id);
  putWord(bytes, 272, state);
  putWord(bytes, 276, uint32_t(reason));
  putWord(bytes, 280, 4);   // estimate
  putWord(bytes, 284, 75);  // progress
  putField(bytes, 288, 264, output);
  return bytes;
}

// A record and the two-slot history; names end at their field's end even without a NUL.
TEST(TranscodeRecord, FieldsAtTheirOffsetsNamesWithinTheirFields) {
  EXPECT_EQ(printed(KLCONTROL_TRANSCODE_STATUS, record(1001, 1, 0, "C:\\A.MP4", "C:/B.MP4")),
            "job 1001, state 1, progress 75, estimate 4 s, reason 0, source C:\\A.MP4, output C:/B.MP4");
  EXPECT_EQ(printed(KLCONTROL_TRANSCODE_STATUS, record(0, 4, -256, "R.MP4", "")),
            "job 0, state 4 (final), progress 75, estimate 4 s, reason -256, source R.MP4, output ");
  EXPECT_EQ(printed(KLCONTROL_TRANSCODE_STATUS, Bytes(552, 0)), "empty");
  EXPECT_EQ(printed(KLCONTROL_TRANSCODE_STATUS, Bytes(551, 0)), "");
  Bytes bytes = record(7, 0, 0, "", "");
  std::memset(&bytes[0], 'S', 257);
  bytes[257] = 'X';
  EXPECT_EQ(
      printed(KLCONTROL_TRANSCODE_STATUS, bytes),
      "job 7, state 0, progress 75, estimate 4 s, reason 0, source " + std::string(257, 'S') + ", output ");
  Bytes history = record(5, 2, 0, "A", "B");
  history.resize(1104, 0);
  EXPECT_EQ(printed(KLCONTROL_TRANSCODE_HISTORY, history),
            "slot 0: job 5, state 2 (final), progress 75, estimate 4 s, reason 0, source A, output B; slot "
            "1: empty");
  EXPECT_EQ(printed(KLCONTROL_TRANSCODE_HISTORY, Bytes(552, 0)), "");
}

Bytes bytesOf(const klcontrol_network_list_t& list) {
  Bytes bytes(sizeof list);
  std::memcpy(bytes.data(), &list, sizeof list);
  return bytes;
}

TEST(NetworkList, EntriesUpToTheCount) {
  klcontrol_network_list_t list{};
  list.offset = 2;
  list.scan_id = 7;
  list.count = 2;
  list.total = 4;
  std::memcpy(list.entries[0].name, "HarbourView", 12);
  list.entries[0].auth_type = 3;
  list.entries[0].signal = -48;
  list.entries[0].flags = 1;
  std::memset(list.entries[1].name, 'x', sizeof list.entries[1].name);  // no zero: bounded by the field
  std::memcpy(list.entries[2].name, "beyond", 7);
  EXPECT_EQ(printed(KLCONTROL_WIFI_SSID_LIST, bytesOf(list)),
            "offset 2, scan 7, 2 of 4: HarbourView (auth 3, signal -48, flags 1); " + std::string(32, 'x') +
                " (auth 0, signal 0, flags 0)");
  list.count = 0;
  EXPECT_EQ(printed(KLCONTROL_WIFI_SSID_LIST, bytesOf(list)), "offset 2, scan 7, 0 of 4");
  EXPECT_EQ(printed(KLCONTROL_WIFI_SSID_LIST, Bytes(491)), "");
}

TEST(DeleteListResult, OneWordPerItem) {
  EXPECT_EQ(printed(KLCONTROL_GET_DELETE_LIST_RESULT, {1, 2, 1, 0, 1}),
            "result 1, 2 items, 1 deleted: deleted, not found");
  EXPECT_EQ(printed(KLCONTROL_GET_DELETE_LIST_RESULT, {0, 0, 0}), "result 0, 0 items, 0 deleted");
  EXPECT_EQ(printed(KLCONTROL_GET_DELETE_LIST_RESULT, {}), "");
  EXPECT_EQ(printed(KLCONTROL_GET_DELETE_LIST_RESULT, {0, 2, 2, 0}), "");
}

template <class Message>
Bytes serialized(const Message& message) {
  const std::string text = message.SerializeAsString();
  return Bytes(text.begin(), text.end());
}

TEST(PresetDecoders, ModelTableAndGarbage) {
  wsdk_commands::WSDK_NotifyPresetStatus model;
  auto* group = model.add_preset_group_array();
  group->set_id(wsdk_commands::WSDK_PRESET_GROUP_ID_PHOTO);
  group->set_can_add_preset(false);
  auto* preset = group->add_preset_array();
  preset->set_id(0x10003);
  preset->set_mode(wsdk_commands::WSDK_FLAT_MODE_PHOTO_NIGHT);
  preset->set_title_id(wsdk_commands::WSDK_PRESET_TITLE_NIGHT);
  // Icon 40 is not listed: the parser keeps it as an unknown field 6.
  preset->mutable_unknown_fields()->AddVarint(wsdk_commands::WSDK_Preset::kIconFieldNumber, 40);
  preset->set_is_modified(true);
  auto* setting = preset->add_setting_array();
  setting->set_id(19);
  setting->set_value(1);
  preset->set_title_number(2);
  EXPECT_EQ(printed(KLCONTROL_PRESET_GET_PRESETS, serialized(model)),
            "group 1001 (full)\n  0x00010003 mode 18 title 6#2 icon 40 edited settings 19=1");
  EXPECT_EQ(klcontrol_preset_model_json(serialized(model)),
            nlohmann::ordered_json::parse(R"({"groups":[{"id":1001,"can_add_preset":false,"presets":[
                {"id":65539,"mode":18,"title":6,"title_number":2,"icon":40,"custom":false,"edited":true,
                 "settings":[{"id":19,"value":1}]}]}]})"));
  EXPECT_EQ(printed(KLCONTROL_PRESET_GET_PRESETS, {0xFF}), "");
  EXPECT_TRUE(klcontrol_preset_model_json({0xFF}).is_null());
  klcontrol::presets::KLC_Preset_Group_List_Resp groups;
  groups.add_preset_groups(1000);
  groups.add_preset_groups(1008);
  EXPECT_EQ(printed(KLCONTROL_PRESET_GROUP_LIST, serialized(groups)), "groups: 1000 1008");
  EXPECT_EQ(klcontrol_preset_groups_json(serialized(groups)).dump(), R"({"groups":[1000,1008]})");
}

}  // namespace
