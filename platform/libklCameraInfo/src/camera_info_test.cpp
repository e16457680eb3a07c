// The camera-info library: the settings id table and the option/value translation of every model; writing
// one setting (the request the camera receives, the refusals made before it, the settings block kept in
// step); the JSON documents clients receive (full documents per model, their size in one queue event, and
// change lists).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <nlohmann/json.hpp>
#include <sstream>

#include "CameraFactory.h"
#include "camera_blocks.h"
#include "camera_if_settings.h"
#include "camera_json.h"
#include "camera_settings_table.h"
#include "fake_camera_link.h"
#include "klErrno.h"
#include "klTlv.h"
#include "test_command_bytes.h"

namespace {

using nlohmann::json;

// The model's handler, or none for a model the library does not know.
const InfoHandler* handlerOf(unsigned model) {
  static CameraFactory factory;
  CameraPlatform* platform = factory.setupCamera(model);
  return platform == nullptr ? nullptr : platform->getInfoHandler();
}

// Every row fits the settings block without sharing a byte, and every option of every setting comes back
// as itself within the row's range, or clients could not read back what they wrote.
TEST(SettingsIdTable, RowsFitTheBlockAndEveryOptionRoundTrips) {
  const std::pair<unsigned, unsigned> models[] = {{51, 148}, {55, 168}, {57, 168}};
  for (const auto& [model, rows] : models) {
    unsigned count = 0;
    const camera_settings_id_row* table = camera_settings_id_table(model, &count);
    ASSERT_EQ(count, rows) << model;
    const InfoHandler* handler = handlerOf(model);
    ASSERT_NE(handler, nullptr) << model;
    int owner[sizeof(appc_setup_all_settings)];
    std::fill(std::begin(owner), std::end(owner), -1);
    for (unsigned id = 0; id < count; ++id) {
      const camera_settings_id_row& row = table[id];
      EXPECT_EQ(row.id < 0 ? 0u : 1u, std::min(row.width, 1u)) << model << "/" << id;
      if (row.id < 0) continue;
      EXPECT_EQ(row.id, int(id));
      EXPECT_TRUE(row.width == 1 || row.width == 2) << model << "/" << id;
      ASSERT_LE(row.offset + row.width, sizeof(appc_setup_all_settings)) << model << "/" << id;
      EXPECT_NE(std::memchr(row.name, 0, sizeof row.name), nullptr);
      for (uint32_t b = 0; b < row.width; ++b) {
        EXPECT_EQ(owner[row.offset + b], -1) << model << ": " << id << " overlaps " << owner[row.offset + b];
        owner[row.offset + b] = int(id);
      }
      for (int option = -1; option <= 3601; ++option) {
        const int value = handler->settingOptionToValue(int(id), option);
        if (value == CAMERA_NO_OPTION) continue;
        EXPECT_GE(value, row.minimum);
        EXPECT_LE(value, row.maximum);
        EXPECT_EQ(handler->settingValueToOption(int(id), value), option) << model << "/" << id;
      }
    }
  }
  unsigned count = 99;
  EXPECT_EQ(camera_settings_id_table(77, &count), nullptr);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(handlerOf(77), nullptr);
  EXPECT_EQ(CameraFactory::mInstance, nullptr);
}

// Options that are not their values, ranges, and what a model does not offer (refused both ways).
TEST(InfoHandler, TranslatesOptionsToValuesAndRefusesWhatTheModelLacks) {
  const struct {
    unsigned model;
    int setting, option, value;
    bool offered;
  } cases[] = {
      {57, 2, 100, 26, true},     {51, 3, 0, 9, true},     {55, 121, 9, 4, true},   {57, 30, 9, 1800, true},
      {51, 32, 1800, 1800, true}, {57, 112, 1, 255, true}, {51, 144, 24, 24, true}, {51, 2, 24, 24, false},
      {51, 149, 0, 0, false},     {55, 164, 1, 1, false},  {57, 2, 7, 7, false},    {57, 91, 101, 101, false},
      {57, 500, 0, 0, false},     {57, -1, 0, 0, false},
  };
  for (const auto& c : cases) {
    const InfoHandler* handler = handlerOf(c.model);
    EXPECT_EQ(handler->settingOptionToValue(c.setting, c.option), c.offered ? c.value : CAMERA_NO_OPTION)
        << c.model << "/" << c.setting;
    EXPECT_EQ(handler->settingValueToOption(c.setting, c.value), c.offered ? c.option : CAMERA_NO_OPTION)
        << c.model << "/" << c.setting;
  }
  // An older value reads as the option that now writes another.
  const InfoHandler* handler = handlerOf(57);
  EXPECT_EQ(handler->settingOptionToValue(2, 28), 17);
  EXPECT_EQ(handler->settingValueToOption(2, 13), 28);
  EXPECT_EQ(handler->settingValueToOption(32, 0), 3601);
}

class SetValueTest : public CameraLinkFixture {
 protected:
  SetValueTest() : CameraLinkFixture(300) {}

  // Writes a setting of model 57 with the words of its id-table row.
  int write(int setting, int value) {
    unsigned count = 0;
    const camera_settings_id_row& row = camera_settings_id_table(57, &count)[setting];
    return camera_if_settings_set_value_int(&ctx, setting, row.offset, row.width, value, row.flags,
                                            &settings);
  }

  appc_setup_all_settings settings{};
};

// What the row cannot hold is refused without asking the camera; the rest is sent with the row's words.
TEST_F(SetValueTest, SendsTheSettingWithItsRowWordsAndValue) {
  startAnswering(0);
  EXPECT_EQ(write(55, 10), KL_ERR_NOT_SUPPORTED);  // model 57 has no row 55
  EXPECT_EQ(write(2, 256), KL_ERR_INVALID_PARAM);
  EXPECT_EQ(write(2, -1), KL_ERR_INVALID_PARAM);
  EXPECT_EQ(write(144, 128), KL_ERR_INVALID_PARAM);  // signed byte
  EXPECT_EQ(write(32, 70000), KL_ERR_INVALID_PARAM);
  EXPECT_EQ(camera_if_settings_set_value_int(&ctx, 2, 237, 2, 1, 0, &settings), KL_ERR_INVALID_PARAM);
  EXPECT_EQ(camera_if_settings_set_value_int(&ctx, 2, 42, 3, 1, 0, &settings), KL_ERR_INVALID_PARAM);
  EXPECT_TRUE(camera->seen().empty());
  ASSERT_EQ(write(32, 3600), 0);
  const auto seen = camera->seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(klc_link_key(seen[0].header.group, seen[0].header.id), uint32_t(KLC_OP_SETTINGS_SET_VALUE_INT));
  EXPECT_EQ(seen[0].payload, words({32, 124, 2, 0, 3600}));
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&settings);
  EXPECT_EQ(bytes[124], 0x10);
  EXPECT_EQ(bytes[125], 0x0E);
  EXPECT_EQ(write(144, -1), 0);
  EXPECT_EQ(settings.flat_mode, -1);
  EXPECT_EQ(write(112, 255), 0);
}

// No camera, and a camera's refusal, are the result and leave the block alone.
TEST_F(SetValueTest, FailuresLeaveTheBlockAlone) {
  ctx.klnet_mqd = mq_open("/to_klnet", O_WRONLY);
  EXPECT_EQ(ctx.klnet_mqd, mqd_t(-1));
  EXPECT_EQ(write(2, 26), KL_ERR_MQ_FAIL);
  startAnswering(KL_ERR_NAK);
  EXPECT_EQ(write(2, 26), KL_ERR_NAK);
  EXPECT_EQ(settings.video_resolution, 0);
  ASSERT_EQ(camera->seen().size(), 1u);
}

// The full document as change polling builds it, without the final NUL.
std::string fullDocument(const all_status_settings_t& s, unsigned model, const InfoHandler* handler) {
  std::ostringstream out;
  out << '{';
  camera_status_serialize_status_to_json(out, &s.status, model);
  out << ",\n";
  camera_settings_serialize_to_json(out, &s.settings, &s.status, &s.system, model, handler);
  out << '}';
  return out.str();
}

size_t supportedSettings(unsigned model) {
  unsigned count = 0;
  const camera_settings_id_row* table = camera_settings_id_table(model, &count);
  return size_t(
      std::count_if(table, table + count, [](const camera_settings_id_row& row) { return row.id >= 0; }));
}

all_status_settings_t sampleSnapshot() {
  all_status_settings_t s{};
  s.status.battery_percent = 87;
  s.status.remaining_space_kb = 123456789012ull;
  s.status.internal_temperature_c = -5;
  s.status.lens_mode = 1;
  s.settings.video_resolution = 4;  // 2.7K on every model
  s.settings.video_fps = 5;         // 60 fps
  s.settings.flat_mode = 12;
  s.system.lens = 2;
  return s;
}

TEST(FullDocument, ParsesWithEveryMemberOfTheModelAndNoneOfAnUnknownOne) {
  const struct {
    unsigned model;
    size_t statuses, extras;
  } cases[] = {{51, 27, 3}, {55, 29, 3}, {57, 30, 5}};
  for (const auto& [model, statuses, extras] : cases) {
    json doc = json::parse(fullDocument(sampleSnapshot(), model, handlerOf(model)));
    EXPECT_EQ(doc["status"].size(), statuses) << model;
    EXPECT_EQ(doc["settings"].size(), supportedSettings(model) + extras) << model;
    EXPECT_EQ(doc["status"]["70"], 87);
    EXPECT_EQ(doc["status"]["54"], 123456789012ull);
    EXPECT_EQ(doc["status"]["42"], -5);
    EXPECT_EQ(doc["settings"]["2"], 4);
    EXPECT_EQ(doc["settings"]["3"], 5);  // value 5 is option 5 (60 fps)
    EXPECT_EQ(doc["settings"]["144"], 12);
  }
  EXPECT_EQ(fullDocument(sampleSnapshot(), 77, nullptr), "{\"status\":{},\n\"settings\":{}}");
}

TEST(FullDocument, SettingsAreOptionIdsWithAHandlerAndRawValuesWithout) {
  all_status_settings_t s = sampleSnapshot();
  s.settings.video_resolution = 26;  // 5.3K
  s.settings.video_lens = 1;         // linear
  json translated = json::parse(fullDocument(s, 57, handlerOf(57)));
  EXPECT_EQ(translated["settings"]["2"], 100);
  EXPECT_EQ(translated["settings"]["121"], 4);
  EXPECT_EQ(translated["settings"]["201"], 2);
  EXPECT_EQ(translated["status"]["102"], 1);
  json raw = json::parse(fullDocument(s, 57, nullptr));
  EXPECT_EQ(raw["settings"]["2"], 26);
  EXPECT_EQ(raw["settings"]["121"], 1);
  json older = json::parse(fullDocument(s, 51, handlerOf(51)));
  EXPECT_EQ(older["settings"]["2"], CAMERA_NO_OPTION);  // 5.3K is not an option of 51
  EXPECT_FALSE(older["settings"].contains("201"));
  EXPECT_FALSE(older["status"].contains("102"));
}

// The largest document a model can produce must travel as one queue event: header, a 4-byte
// TLV_RSPCODE, the text with its NUL in TLV_RSPARG, and TLV_END.
TEST(FullDocument, FitsOneQueueEventWhateverTheBlocksHold) {
  for (unsigned model : {51u, 55u, 57u}) {
    for (uint8_t fill : {0x00, 0x7F, 0x80, 0xFF}) {
      for (const InfoHandler* handler : {handlerOf(model), static_cast<const InfoHandler*>(nullptr)}) {
        all_status_settings_t s;
        std::memset(&s, fill, sizeof s);
        const std::string text = fullDocument(s, model, handler);
        ASSERT_TRUE(json::accept(text)) << text;
        uint8_t event[KLMSG_MAX];
        const uint32_t code = 0;
        sntlv_msg_init(event, sizeof event, CAT_CLIENT_EVENT);
        EXPECT_GT(sntlv_add_bin(event, sizeof event, TLV_RSPCODE, sizeof code, &code), 0);
        EXPECT_GT(sntlv_add_bin(event, sizeof event, TLV_RSPARG, unsigned(text.size() + 1), text.c_str()), 0)
            << model << " fill " << int(fill) << ": " << text.size() << " characters";
        EXPECT_GT(sntlv_add_bin(event, sizeof event, TLV_END, 0, nullptr), 0);
      }
    }
  }
}

// A change list as "COUNT MEMBERS".
std::string statusChanges(int type, const all_status_settings_t& now, const all_status_settings_t& before,
                          unsigned model, std::vector<std::string>& cache) {
  std::ostringstream out;
  const int count = camera_status_serialize_status_changes_to_json(out, type, &now, &before, model, cache);
  return std::to_string(count) + " " + out.str();
}

std::string settingsChanges(const all_status_settings_t& now, const all_status_settings_t& before,
                            unsigned model) {
  std::ostringstream out;
  const int count =
      camera_status_serialize_settings_changes_to_json(out, &now, &before, model, handlerOf(model));
  return std::to_string(count) + " " + out.str();
}

// Equal snapshots, and any snapshots of a model the library does not know, write nothing.
TEST(ChangeLists, NoChangeWritesNothing) {
  const all_status_settings_t s = sampleSnapshot();
  const all_status_settings_t other{};
  const std::pair<unsigned, const all_status_settings_t*> cases[] = {{57, &s}, {77, &other}};
  for (const auto& [model, before] : cases) {
    std::vector<std::string> cache;
    EXPECT_EQ(statusChanges(CAMERA_STATUS_CLASS_EVERY_POLL, s, *before, model, cache), "0 ");
    EXPECT_EQ(statusChanges(CAMERA_STATUS_CLASS_PERIODIC, s, *before, model, cache), "0 ");
    EXPECT_EQ(settingsChanges(s, *before, model), "0 ");
  }
}

TEST(ChangeLists, EachClassReportsOnlyItsOwnStatuses) {
  const all_status_settings_t before = sampleSnapshot();
  all_status_settings_t now = before;
  now.status.battery_level = 2;     // class 1
  now.status.encoding = 1;          // class 1
  now.status.battery_percent = 86;  // class 2
  std::vector<std::string> cache;
  camera_status_init_bossCache(57, cache);
  EXPECT_EQ(statusChanges(CAMERA_STATUS_CLASS_EVERY_POLL, now, before, 57, cache), "2 \"2\":2,\"10\":1");
  EXPECT_EQ(statusChanges(CAMERA_STATUS_CLASS_PERIODIC, now, before, 57, cache), "1 \"70\":86");
  EXPECT_EQ(statusChanges(3, now, before, 57, cache), "0 ");
}

TEST(ChangeLists, SettingsChangesCarryOptionIdsAndExtras) {
  const all_status_settings_t before = sampleSnapshot();
  all_status_settings_t now = before;
  now.settings.video_resolution = 26;
  now.system.lens_mode = 1;
  now.status.photo_selected_flatmode = 18;
  now.status.battery_percent = 10;  // a status, not a setting
  EXPECT_EQ(settingsChanges(now, before, 57), "3 \"2\":100,\"200\":1,\"203\":18");
  // Model 51 publishes no lens bytes.
  EXPECT_EQ(settingsChanges(now, before, 51), "2 \"2\":-1,\"203\":18");
}

TEST(ChangeLists, CachePreparedForAnotherModelIsRebuilt) {
  const all_status_settings_t before = sampleSnapshot();
  all_status_settings_t now = before;
  now.status.lens_mode = 0;  // status 102 exists on 57 only
  std::vector<std::string> cache;
  camera_status_init_bossCache(51, cache);
  EXPECT_EQ(statusChanges(CAMERA_STATUS_CLASS_EVERY_POLL, now, before, 57, cache), "1 \"102\":0");
  std::vector<std::string> expected;
  camera_status_init_bossCache(57, expected);
  EXPECT_EQ(cache, expected);
}

}  // namespace
