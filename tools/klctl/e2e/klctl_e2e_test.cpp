// The klctl program against the real klControlD and klCameraSim, each test in namespaces of its own.
#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "e2e_fixture.h"
#include "test_process.h"

namespace {

using Json = nlohmann::json;

class KlctlEndToEnd : public EndToEndTest {
 protected:
  void SetUp() override { start("57"); }

  // A camera of the model, with the member set ("MEMBER VALUE", or none), and a daemon, in namespaces of
  // their own (a camera started before is gone).
  void start(const std::string& model, const std::string& member = "") {
    enterFreshNamespaces();
    startCamera({"--model", model});
    if (!member.empty()) {
      ASSERT_EQ("ok", control("set " + member)) << member;
    }
    startDaemon();
  }

  // klctl with the words of the line.
  static E2eRun klctl(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words = {KLCTL_PATH};
    words.insert(words.end(), std::istream_iterator<std::string>(in), std::istream_iterator<std::string>());
    return e2eRun(words, 30000);
  }
  // The "decoded" member of klctl's one JSON line (null when there is none).
  static Json decoded(const E2eRun& run) {
    const Json line = Json::parse(run.out, nullptr, false);
    return line.is_object() && line.contains("decoded") ? line["decoded"] : Json();
  }
  static std::vector<uint32_t> photoGroupIds() {
    const E2eRun run = klctl("--json preset-list --group 1001");
    EXPECT_EQ(0, run.status) << run.err;
    return decoded(run).value("presets", std::vector<uint32_t>{});
  }
};

// Every model, lens mode and power profile serves the daemon (model 57's lens modes and power profiles are
// the command tests' own): the whole preset model shows one group of each kind, with the active preset in one
// of them and valid values only; where presets can be created, a new one shows in its group marked custom
// until it is removed; the flat-mode override of mode 1 reaches the camera.
TEST_F(KlctlEndToEnd, EveryModelServesTheDaemon) {
  const struct {
    const char* model;
    const char* member;
    const char* groups;   // shown, "+" where presets can be added; none where camera-info lacks the model
    const char* setMode;  // what mode 1 sends: 17 with the override (photo group last on 17), else 1
  } cases[] = {
      {"19", "", "1000 1001 1002", "11000000"},
      {"20", "", "1000 1001 1002", "01000000"},
      {"50", "", "1000+ 1001+ 1002+", "11000000"},
      {"51", "", "1000 1001 1002", "11000000"},
      {"51", "system.lens_mode 1", "1000 1001 1002", "11000000"},
      {"55", "system.power_profile 2", "1001+ 1002+ 1000", "11000000"},
      {"77", "", "", "01000000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.model + std::string(" ") + c.member);
    start(c.model, c.member);
    ASSERT_EQ("ok", control("set status.photo_selected_flatmode 17"));
    EXPECT_EQ(0, klctl("mode u32:1").status);
    EXPECT_EQ(c.setMode, payload("0x101/2"));
    const std::string active = klctl("mode u32:0 -- preset_get_active_preset").out;
    const size_t value = active.find("value: ");
    const bool canCreate = std::string(c.groups).find("1000+") != std::string::npos;
    const E2eRun created =
        klctl("--json preset-create --group 1000 --mode 12 --icon 20 --title 20 --number 0");
    ASSERT_EQ(canCreate ? 0 : 1, created.status) << created.out;
    const uint32_t id = canCreate ? decoded(created).value("preset_id", 0u) : 0;
    const E2eRun whole = klctl("--json preset_get_presets");
    ASSERT_EQ(*c.groups != 0 ? 0 : 1, whole.status) << whole.out;
    if (*c.groups == 0) continue;
    std::string groups;
    std::map<uint32_t, bool> custom;  // every preset listed, by id
    const Json model = decoded(whole);
    for (const Json& group : model["groups"]) {
      groups += (groups.empty() ? "" : " ") + group["id"].dump() + (group["can_add_preset"] ? "+" : "");
      for (const Json& preset : group["presets"]) {
        custom[preset["id"]] = preset["custom"];
        for (const Json& setting : preset["settings"]) EXPECT_NE(-1, setting["value"].get<int>()) << preset;
      }
    }
    EXPECT_EQ(c.groups, groups);
    // The status service took the subscription and the preset-status reset of the whole model.
    EXPECT_EQ(0u, control("csi").find("ok subscribed=7,138,143,151,152 values=7:0 ")) << control("csi");
    ASSERT_NE(std::string::npos, value) << active;
    EXPECT_EQ(1u, custom.count(uint32_t(std::stoul(active.substr(value + 7))))) << active;
    if (!canCreate) continue;
    EXPECT_TRUE(custom[id]) << id;
    EXPECT_EQ(0, klctl("preset-remove --id " + std::to_string(id)).status);
    EXPECT_EQ(std::string::npos, klctl("preset_get_presets").out.find(std::to_string(id)));
  }
}

// A camera asleep or off answers NAK-off to everything that needs it awake, until it wakes; sleeping and
// waking suspend and resume the daemon unless switched apart; an empty battery switches the camera off.
TEST_F(KlctlEndToEnd, PowerStatesAnswerAsACameraDoes) {
  const char* needAwake[] = {"get_all_settings",      "command_shutter u8:1", "delete_all",
                             "wifi_ap_control u32:1", "mode u32:12",          "get_all_status"};
  ASSERT_EQ("ok", control("sleep-events off"));
  ASSERT_EQ(0, klctl("system_sleep").status);
  for (const char* line : needAwake) {
    EXPECT_NE(std::string::npos, klctl(line).out.find("status -103 (KL_ERR_NAK_OFF)")) << line;
  }
  ASSERT_EQ("ok", control("set system.power_state 0"));
  for (const char* line : needAwake) EXPECT_EQ(0, klctl(line).status) << line;

  ASSERT_EQ("ok", control("sleep-events on"));
  ASSERT_EQ(0, klctl("system_sleep").status);
  EXPECT_NE(std::string::npos,
            klctl("get_all_status").out.find("status 1 (refused)"));  // suspended by "JS"
  ASSERT_EQ("ok", control("set system.power_state 0"));
  EXPECT_EQ(0, klctl("get_all_status").status);  // resumed by "JR"

  ASSERT_EQ("ok", control("set status.battery_percent 1"));
  ASSERT_EQ("ok", control("drift step 60"));
  EXPECT_EQ("ok 2", control("get system.power_state"));
  EXPECT_NE(std::string::npos, klctl("get_all_status").out.find("status -103 (KL_ERR_NAK_OFF)"));
}

// A lost, late, misnumbered, malformed or duplicated reply costs only its own request: the next status
// read is answered with the status block as it is now, never with that reply. A lasting refusal stays
// until cleared.
TEST_F(KlctlEndToEnd, CameraFaultsCostOnlyTheirRequest) {
  int battery = 10;
  for (const std::string fault :
       {"drop", "late 2500", "seq", "malformed short", "malformed lying", "malformed random", "dup"}) {
    SCOPED_TRACE(fault);
    ASSERT_EQ("ok", control("fault 8/11 " + fault));
    // The library's time-out; a duplicated reply is taken once.
    const char* answer =
        fault == "dup" ? "status 0 (KL_OK), payload 384 bytes" : "status -5 (KL_ERR_MQ_FAIL)";
    EXPECT_NE(std::string::npos, klctl("get_all_status").out.find(answer));
    // The next read shows the whole block as it is now, not a stale reply.
    ASSERT_EQ("ok", control("set status.battery_percent " + std::to_string(++battery)));
    const std::string next = klctl("get_all_status").out;
    EXPECT_NE(std::string::npos, next.find("payload 384 bytes\n  mode ")) << next;
    EXPECT_NE(std::string::npos, next.find(", battery % " + std::to_string(battery) + ", ")) << next;
  }
  ASSERT_EQ("ok", control("fault 8/11 error -17 always"));
  for (int i = 0; i < 2; ++i) EXPECT_EQ(1, klctl("get_all_status").status);
  ASSERT_EQ("ok", control("fault clear"));
  EXPECT_EQ(0, klctl("get_all_status").status);
}

// Answers of the factory presets (model 57 lists firmware groups 0 to 5, 8 and 9: the group list hides
// the dual-lens groups 3 to 5), then a custom preset made, loaded, renamed, moved and removed with klctl;
// each step shows in the next answer.
TEST_F(KlctlEndToEnd, PresetAnswersAndChanges) {
  const std::pair<const char*, const char*> cases[] = {
      {"preset_group_list", "  groups: 1000 1001 1002 1008 1009\n"},
      {"preset-list --group 1001", "  presets: 0x00010000 0x00010001 0x00010002 0x00010003\n"},
      {"preset-info --id 0x10003", "  preset 0x00010003 mode 18 title 6 icon 6 settings "},
  };
  for (const auto& [line, printed] : cases) {
    const E2eRun run = klctl(line);
    EXPECT_EQ(0, run.status) << line << ": " << run.err;
    EXPECT_NE(std::string::npos, run.out.find(printed)) << run.out;
  }
  const std::vector<uint32_t> factory = photoGroupIds();
  ASSERT_EQ(4u, factory.size());
  const E2eRun created = klctl("--json preset-create --group 1001 --mode 17 --icon 20 --title 20 --number 0");
  ASSERT_EQ(0, created.status) << created.out << created.err;
  const uint32_t id = decoded(created).value("preset_id", 0u);
  EXPECT_EQ(1, decoded(created).value("result", 0));
  std::vector<uint32_t> withNew = factory;
  withNew.push_back(id);
  EXPECT_EQ(withNew, photoGroupIds());

  const std::string idText = std::to_string(id);
  const E2eRun loaded = klctl("preset-load --id " + idText + " -- preset_get_active_preset");
  EXPECT_EQ(0, loaded.status) << loaded.err;
  EXPECT_NE(std::string::npos, loaded.out.find("  value: " + idText + "\n")) << loaded.out;

  EXPECT_EQ(0, klctl("preset-title-icon --title 25 --icon 21").status);
  const std::string renamed = klctl("preset-info --id " + idText).out;
  EXPECT_NE(std::string::npos, renamed.find(" title 25 icon 21 custom ")) << renamed;

  EXPECT_EQ(0, klctl("preset-order --id " + idText + " --order 0").status);
  std::vector<uint32_t> moved = {id};
  moved.insert(moved.end(), factory.begin(), factory.end());
  EXPECT_EQ(moved, photoGroupIds());

  EXPECT_EQ(0, klctl("preset-remove --id " + idText).status);
  EXPECT_EQ(factory, photoGroupIds());
}

}  // namespace
