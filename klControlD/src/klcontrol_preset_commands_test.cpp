// Preset commands against the simulated camera: what reaches the camera, the decoded answers, the
// presets left on the camera, and what survives refused bodies and faulty camera answers.
#include <gtest/gtest.h>

#include <cstddef>
#include <functional>

#include "KLCSIListener.h"
#include "klControlCommands/klControl_presets.pb.h"
#include "klErrno.h"
#include "test_command_bytes.h"
#include "test_preset_camera.h"
#include "wait_until.h"
#include "wsdkCommands/WSDK_NotifyPresetStatus.pb.h"
#include "wsdkCommands/WSDK_RequestCreateCustomPreset.pb.h"

namespace {

using namespace klcontrol::presets;
using wsdk_commands::WSDK_NotifyPresetStatus;

template <class Body>
std::vector<uint8_t> bytesOf(const Body& body) {
  const std::string text = body.SerializeAsString();
  return std::vector<uint8_t>(text.begin(), text.end());
}

template <class Body>
std::vector<uint8_t> idBody(uint32_t id) {
  Body body;
  body.set_preset_id(id);
  return bytesOf(body);
}

std::vector<uint8_t> listBody(uint32_t group) {
  KLC_Preset_List_Req body;
  body.set_group_id(group);
  return bytesOf(body);
}

std::vector<uint8_t> createBody(uint32_t group, uint32_t flatMode, uint32_t icon, uint32_t title) {
  KLC_Preset_Custom_Create_Req body;
  body.set_group_id(group);
  body.set_flat_mode(flatMode);
  body.set_preset_icon(icon);
  body.set_preset_name(title);
  body.set_preset_name_iterator(0);
  return bytesOf(body);
}

class PresetCommandsTest : public PresetCameraTest {
 protected:
  // Only the worker talks to the camera here.
  PresetCommandsTest() { workerServes = true; }
  // A camera on the standard power profile, so that group 0 is the video group, prepared further by extra.
  void startStandard(const std::function<void(SimCamera&)>& extra = [](SimCamera&) {}) {
    start([&extra](SimCamera& camera) {
      ASSERT_TRUE(camera.write(SimBlock::SYSTEM, offsetof(sim_system_values, power_profile), 1, 0));
      extra(camera);
    });
  }
  // Changes lens mode and power profile on the camera; a "PU" event makes the daemon re-read the lenses.
  void setLensesAndProfile(int lensMode, int powerProfile) {
    ASSERT_EQ(control("set system.lens_mode " + std::to_string(lensMode)), "ok");
    ASSERT_EQ(control("set system.power_profile " + std::to_string(powerProfile)), "ok");
    ASSERT_EQ(control("event PU 1 0"), "ok");
    sync();
  }
  int32_t call(uint32_t command, const std::vector<uint8_t>& body) { return requester->call(command, &body); }
  // Sends a command (no argument for an empty body) and parses its payload as Answer; the status.
  template <class Answer>
  int32_t ask(uint32_t command, const std::vector<uint8_t>& body, Answer& decoded) {
    TestAnswer answer = requester->ask(command, body.empty() ? nullptr : &body);
    decoded.Clear();
    EXPECT_TRUE(decoded.ParseFromArray(answer.payload.data(), int(answer.payload.size())));
    lastPayload = answer.payload;
    return answer.status;
  }
  std::vector<uint32_t> groupList() {
    KLC_Preset_Group_List_Resp groups;
    EXPECT_EQ(ask(KLCONTROL_PRESET_GROUP_LIST, {}, groups), KL_OK);
    return {groups.preset_groups().begin(), groups.preset_groups().end()};
  }
  std::vector<uint32_t> presetIds(uint32_t group) {
    KLC_Preset_List_Resp presets;
    EXPECT_EQ(ask(KLCONTROL_PRESET_LIST, listBody(group), presets), KL_OK);
    return {presets.presets().begin(), presets.presets().end()};
  }
  uint32_t createCustom(uint32_t group, uint32_t title) {
    wsdk_commands::WSDK_ResponseCreateCustomPreset created;
    EXPECT_EQ(ask(KLCONTROL_PRESET_CUSTOM_CREATE, createBody(group, 12, 20, title), created), KL_OK);
    EXPECT_EQ(created.result(), RESULT_SUCCESS);
    return uint32_t(created.preset_id());
  }
  std::vector<uint8_t> lastPayload;
};

// A created preset takes the next title number and is listed last; bad bodies never reach the camera.
TEST_F(PresetCommandsTest, CreateSendsTitleNumbersAndIconsAndRefusesBadBodies) {
  startStandard();
  const uint32_t first = createCustom(1000, 20);
  EXPECT_EQ(payload("17/3"), "000c" + hexOf(words({20, 20, 0, 0})));
  EXPECT_EQ(payload("17/23"), "0c");
  EXPECT_EQ(requestCount("17/10"), 1);
  const uint32_t second = createCustom(0, 20);
  EXPECT_EQ(payload("17/3"), "000c" + hexOf(words({20, 20, 1, 0})));
  const std::vector<uint32_t> ids = presetIds(1000);
  ASSERT_GE(ids.size(), 2u);
  EXPECT_EQ(ids[ids.size() - 2], first);
  EXPECT_EQ(ids.back(), second);
  // An order goes to the camera as the id, then the place; the answer is the status alone.
  KLC_Preset_Set_Order_Req order;
  order.set_preset_id(second);
  order.set_order(0);
  const std::vector<uint8_t> orderBody = bytesOf(order);
  EXPECT_EQ(
      requester->ask(KLCONTROL_PRESET_SET_ORDER, &orderBody).bytes,
      (std::vector<uint8_t>{0x00, 0x10, 0x00, 0x15, 0x00, 0x00, 0x04, 0xEC, 0, 0, 0, 0, 0, 0, 0, 0xEE}));
  EXPECT_EQ(payload("17/5"), hexOf(words({second, 0})));
  EXPECT_EQ(presetIds(1000).front(), second);

  // The time-lapse photo icon goes out in the camera's numbering.
  EXPECT_EQ(call(KLCONTROL_PRESET_CUSTOM_CREATE, createBody(2, 20, 1000, 18)), KL_OK);
  EXPECT_EQ(payload("17/3"), "0214" + hexOf(words({8, 18, 0, 0})));
  // Values out of range and a body without every field are refused before the camera is asked.
  KLC_Preset_Custom_Create_Req partial;
  partial.set_group_id(1000);
  partial.set_flat_mode(12);
  const std::vector<uint8_t> refused[] = {
      createBody(1000, 12, 17, 20), createBody(1000, 12, 1002, 20), createBody(1000, 12, 20, 17),
      createBody(1000, 12, 20, 68), createBody(1003, 12, 20, 20),   createBody(3, 12, 20, 20),
      createBody(1000, 11, 20, 20), createBody(1000, 28, 20, 20),   bytesOf(partial),
  };
  control("reset-counts");
  for (const std::vector<uint8_t>& body : refused) {
    EXPECT_EQ(call(KLCONTROL_PRESET_CUSTOM_CREATE, body), KL_ERR_INVALID_PARAM) << hexOf(body);
  }
  EXPECT_EQ(requestCount("17/1") + requestCount("17/3"), 0);
}

// Loads, edits and factory resets reach the camera and the event-driven cache.
TEST_F(PresetCommandsTest, LoadEditAndFactoryResetReachTheCameraAndTheCache) {
  startStandard();
  EXPECT_EQ(call(KLCONTROL_PRESET_LOAD, idBody<KLC_Preset_Load_Req>(0x10002)), KL_OK);
  EXPECT_EQ(control("get status.photo_preset_id"), "ok 65538");
  EXPECT_TRUE(waitUntil([this] { return server->currentPresetCache() == 0x10002; }));
  TestAnswer answer = requester->ask(KLCONTROL_PRESET_GET_ACTIVE_PRESET);
  EXPECT_EQ(answer.status, KL_OK);
  EXPECT_EQ(answer.payload, (std::vector<uint8_t>{0x02, 0x00, 0x01, 0x00}));
  answer = requester->ask(KLCONTROL_PRESET_GET_ACTIVE_GROUP);
  EXPECT_EQ(answer.payload, (std::vector<uint8_t>{1, 0, 0, 0}));

  EXPECT_EQ(control("set status.active_preset_group 12"), "ok");
  answer = requester->ask(KLCONTROL_PRESET_GET_ACTIVE_PRESET);
  EXPECT_EQ(answer.status, KL_ERR);
  EXPECT_EQ(answer.payload, (std::vector<uint8_t>{0, 0, 0, 0}));

  EXPECT_EQ(call(KLCONTROL_PRESET_EDIT_START, idBody<KLC_Preset_Edit_Start_Req>(0x20001)), KL_OK);
  EXPECT_EQ(control("edit"), "ok open 131073");
  EXPECT_EQ(requester->call(KLCONTROL_PRESET_EDIT_END), KL_OK);
  EXPECT_EQ(control("preset 0x20001"), "ok edited=1");
  EXPECT_EQ(call(KLCONTROL_PRESET_FACTORY_RESET, idBody<KLC_Preset_Factory_Reset_Req>(0x20001)), KL_OK);
  EXPECT_EQ(control("preset 0x20001"), "ok edited=0");
  EXPECT_EQ(requester->call(KLCONTROL_PRESET_REQUEST_9), KL_OK);
  EXPECT_EQ(requester->call(KLCONTROL_REMOTE_QUERY_5_28), KL_OK);
  EXPECT_EQ(requestCount("5/28"), 1);
  control("fault 17/10 error -17");
  forgetLog();
  EXPECT_EQ(requester->call(KLCONTROL_PRESET_EDIT_END), KL_ERR_ACCESS_DENIED);
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, "klc_send_simple_remote_api error, -17\n"));
  // Factory presets stay: the camera's refusal is the answer.
  EXPECT_EQ(call(KLCONTROL_PRESET_CUSTOM_REMOVE, idBody<KLC_Preset_Custom_Remove_Req>(0x10000)),
            KL_ERR_INVALID_PARAM);
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, "klc_send_remote_api_payload error, -3\n"));
}

// The flat mode and title of the current custom preset change inside an edit.
TEST_F(PresetCommandsTest, FlatModeAndTitleOfTheCurrentCustomPresetChange) {
  startStandard();
  KLC_Preset_Switch_Flatmode_Req flatMode;
  flatMode.set_flat_mode(13);
  const std::vector<uint8_t> flat = bytesOf(flatMode);
  // The current preset is a factory one.
  forgetLog();
  EXPECT_EQ(call(KLCONTROL_PRESET_SWITCH_FLATMODE, flat), KL_ERR);
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, "Can't change flatmode for builtin preset"));

  const uint32_t custom = createCustom(1000, 22);
  ASSERT_EQ(call(KLCONTROL_PRESET_LOAD, idBody<KLC_Preset_Load_Req>(custom)), KL_OK);
  ASSERT_TRUE(waitUntil([&] { return server->currentPresetCache() == custom; }));
  EXPECT_EQ(call(KLCONTROL_PRESET_SWITCH_FLATMODE, flat), KL_OK);
  EXPECT_EQ(payload("17/8"), hexOf(words({custom})));
  EXPECT_EQ(control("get settings.flat_mode"), "ok 13");

  // Icon 40 is one the enumeration does not list: the camera decides, and keeps it.
  KLC_Preset_Set_Title_Icon_Req title;
  title.set_preset_name(25);
  title.set_preset_icon(40);
  EXPECT_EQ(call(KLCONTROL_PRESET_SET_TITLE_ICON, bytesOf(title)), KL_OK);
  EXPECT_EQ(payload("17/15"), hexOf(words({custom, 40, 25, 0, 0})));
  EXPECT_EQ(control("edit"), "ok closed");
  wsdk_commands::WSDK_Preset preset;
  ASSERT_EQ(ask(KLCONTROL_PRESET_INFO, idBody<KLC_Preset_Info_Req>(custom), preset), KL_OK);
  EXPECT_EQ(preset.mode(), wsdk_commands::WSDK_FLAT_MODE_TIME_LAPSE_VIDEO);
  EXPECT_EQ(preset.title_id(), wsdk_commands::WSDK_PRESET_TITLE_OUTDOOR);
  EXPECT_TRUE(preset.user_defined() && preset.is_modified());
}

// The model of all presets fits one answer: full groups lose presets from their end.
TEST_F(PresetCommandsTest, PresetsModelFitsTheBufferAndClosesFullGroups) {
  startStandard([](SimCamera& camera) {
    for (uint32_t i = 0; i < 10; ++i) camera.presets().addCustom(1, 17, 20, 20, i);
    for (uint32_t i = 0; i < 60; ++i) camera.presets().addCustom(2, 20, 20, 20, i);
  });
  WSDK_NotifyPresetStatus model;
  ASSERT_EQ(ask(KLCONTROL_PRESET_GET_PRESETS, {}, model), KL_OK);
  EXPECT_LE(lastPayload.size(), KLCONTROL_BUFFER_SIZE - 20);
  ASSERT_EQ(model.preset_group_array_size(), 3);
  EXPECT_TRUE(model.preset_group_array(0).can_add_preset());
  EXPECT_EQ(model.preset_group_array(1).preset_array_size(), 14);
  EXPECT_FALSE(model.preset_group_array(1).can_add_preset());
  // The time-lapse group lost presets from its end, never from its start.
  const auto& timeLapse = model.preset_group_array(2);
  EXPECT_GT(timeLapse.preset_array_size(), 3);
  EXPECT_LT(timeLapse.preset_array_size(), 63);
  EXPECT_EQ(timeLapse.preset_array(0).id(), 0x20000);
  EXPECT_FALSE(timeLapse.can_add_preset());
}

// Camera answers are read only as far as they go.
TEST_F(PresetCommandsTest, ShortAndFailedCameraAnswersAreReadAsFarAsTheyGo) {
  startStandard();
  WSDK_NotifyPresetStatus model;
  control("fault 17/0 error -17");
  EXPECT_EQ(requester->call(KLCONTROL_PRESET_GROUP_LIST), KL_ERR_ACCESS_DENIED);
  // The NAK-off byte reads as a count of 2 with no group behind it.
  control("fault 17/0 nakoff");
  EXPECT_EQ(groupList(), std::vector<uint32_t>{});
  control("fault 17/0 size 3");
  EXPECT_EQ(groupList(), (std::vector<uint32_t>{1000, 1001}));
  control("fault 17/0 size 0");
  forgetLog();
  EXPECT_EQ(groupList(), std::vector<uint32_t>{});
  EXPECT_TRUE(lastPayload.empty());
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, "klc_send_remote_api_for_response error, 0\n"));

  control("fault 17/1 size 7");
  EXPECT_EQ(presetIds(1001), std::vector<uint32_t>{0x10000});

  control("fault 17/2 size 80");
  EXPECT_EQ(call(KLCONTROL_PRESET_INFO, idBody<KLC_Preset_Info_Req>(0x10000)), KL_ERR);
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR,
                         "klc_send_remote_api_payload_response error, -1, size was 80, expected 81\n"));

  control("fault 17/3 size 2");
  EXPECT_EQ(call(KLCONTROL_PRESET_CUSTOM_CREATE, createBody(1000, 12, 20, 20)), KL_ERR);
  EXPECT_EQ(requestCount("17/23"), 0);

  control("fault 17/2 error -1");
  forgetLog();
  ASSERT_EQ(ask(KLCONTROL_PRESET_GET_PRESETS, {}, model), KL_OK);
  EXPECT_EQ(model.preset_group_array(0).preset_array(0).id(), 1);
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, "REMOTE_PRESET_GET_INFO error, -1 for preset id 0\n"));
  control("fault 17/0 size 1");
  EXPECT_EQ(requester->call(KLCONTROL_PRESET_GET_PRESETS), KL_ERR);
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, "No groups returned\n"));
}

// Lens mode and power profile fold the group a list request names, and shape the whole model.
TEST_F(PresetCommandsTest, ListsAndModelFollowLensModeAndPowerProfile) {
  startStandard();
  WSDK_NotifyPresetStatus model;
  // Each group as "id:presets", then "+" when presets can be added, "-" when not, "?" when unsaid.
  struct Case {
    int lensMode, powerProfile;
    uint8_t model;
    uint32_t group;  // listed
    const char* sent;
    const char* groups = nullptr;  // of the whole model; nullptr: not asked
  };
  const Case cases[] = {{1, 0, 57, 1001, "04", "1000:1- 1001:1- 1002:2- "},
                        {0, 1, 57, 1000, "08", "1001:4+ 1002:3+ 1000:4- "},
                        {0, 2, 57, 0, "09"},
                        {0, 0, 57, 1001, "01", "1000:6+ 1001:4+ 1002:3+ "},
                        {0, 0, 51, 1, "01", "1000:6- 1001:4- 1002:3- "}};
  uint8_t current = 0;
  for (const Case& c : cases) {
    // A model switch resets the camera (the first row's drops the user presets above): only between rows of
    // two models, so that the groups are re-selected from a power group too.
    if (c.model != current) {
      current = c.model;
      ASSERT_EQ(control("model " + std::to_string(current)), "ok");
      _reset_model_number_cache();
      ASSERT_EQ(control("set system.lens_type 0"), "ok");
    }
    setLensesAndProfile(c.lensMode, c.powerProfile);
    const long lists = requestCount("17/1");
    EXPECT_FALSE(presetIds(c.group).empty()) << c.group;
    EXPECT_EQ(payload("17/1"), c.sent) << c.group;
    EXPECT_EQ(requestCount("17/1"), lists + 1);
    if (c.groups == nullptr) continue;
    KLCSIListener::GetInstance()->SetCSIValue(7, 0x01000005);
    ASSERT_EQ(ask(KLCONTROL_PRESET_GET_PRESETS, {}, model), KL_OK);
    std::string groups;
    for (const auto& group : model.preset_group_array()) {
      const char add = !group.has_can_add_preset() ? '?' : group.can_add_preset() ? '+' : '-';
      groups += std::to_string(group.id()) + ":" + std::to_string(group.preset_array_size()) + add + " ";
    }
    EXPECT_EQ(groups, c.groups) << c.lensMode << c.powerProfile;
    // The value is reset right after the answer went out.
    EXPECT_TRUE(waitUntil([] {
      uint32_t csi = 1;
      return KLCSIListener::GetInstance()->GetCSIValue(7, &csi) && csi == 0;
    }));
  }
  const long lists = requestCount("17/1");
  EXPECT_EQ(call(KLCONTROL_PRESET_LIST, listBody(10)), KL_ERR_INVALID_PARAM);
  EXPECT_EQ(requestCount("17/1"), lists);
  // A preset is built for the camera's model and the lens mode last read: model 51 in lens mode 1 leaves
  // out the lens of a video preset.
  setLensesAndProfile(1, 0);
  wsdk_commands::WSDK_Preset video;
  ASSERT_EQ(ask(KLCONTROL_PRESET_INFO, idBody<KLC_Preset_Info_Req>(0), video), KL_OK);
  std::vector<int> ids;
  for (const auto& setting : video.setting_array()) ids.push_back(setting.id());
  EXPECT_EQ(ids, (std::vector<int>{2, 3}));
}

}  // namespace
