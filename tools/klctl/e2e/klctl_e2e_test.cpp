// The klctl program against the real klControlD and klCameraSim, each test in namespaces of its own.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "e2e_fixture.h"
#include "test_process.h"
#include "wait_until.h"

namespace {

using Json = nlohmann::json;

class KlctlEndToEnd : public EndToEndTest {
 protected:
  void SetUp() override { start("57"); }

  // A camera of the model, with the members set (MEMBER VALUE ...), and a daemon, in namespaces of their
  // own (a camera started before is gone).
  void start(const std::string& model, const std::vector<std::string>& members = {}) {
    enterFreshNamespaces();
    startCamera({"--model", model});
    for (size_t i = 0; i + 1 < members.size(); i += 2) {
      ASSERT_EQ("ok\n", control({"set", members[i], members[i + 1]}).out) << members[i];
    }
    startDaemon();
  }
  static E2eRun control(const std::vector<std::string>& words) {
    std::vector<std::string> line = {KL_CAMERA_SIM_PATH, "ctl"};
    line.insert(line.end(), words.begin(), words.end());
    return e2eRun(line, 10000);
  }

  static E2eRun klctl(std::vector<std::string> words, int timeoutMs = 30000) {
    words.insert(words.begin(), KLCTL_PATH);
    return e2eRun(words, timeoutMs);
  }
  // The "decoded" member of klctl's one JSON line (null when there is none).
  static Json decoded(const E2eRun& run) {
    const Json line = Json::parse(run.out, nullptr, false);
    return line.is_object() && line.contains("decoded") ? line["decoded"] : Json();
  }
  static std::vector<uint32_t> photoGroupIds() {
    const E2eRun run = klctl({"--json", "preset-list", "--group", "1001"});
    EXPECT_EQ(0, run.status) << run.err;
    return decoded(run).value("presets", std::vector<uint32_t>{});
  }
};

// Answers of the factory presets, as text and as JSON. Model 57 lists firmware groups 0 to 5, 8 and 9: the
// group list hides the dual-lens groups 3 to 5.
TEST_F(KlctlEndToEnd, PresetAnswersAreDecoded) {
  const struct {
    std::vector<std::string> words;
    int status;
    std::string printed;
  } cases[] = {
      {{"preset_group_list"}, 0, "  groups: 1000 1001 1002 1008 1009\n"},
      {{"preset-list", "--group", "1001"}, 0, "  presets: 0x00010000 0x00010001 0x00010002 0x00010003\n"},
      {{"preset-info", "--id", "0x10003"}, 0, "  preset 0x00010003 mode 18 title 6"},
      {{"preset-create", "--group", "1003", "--mode", "17", "--icon", "20", "--title", "20", "--number", "0"},
       1,
       "KLCONTROL_PRESET_CUSTOM_CREATE (73): status -3 (KL_ERR_INVALID_PARAM)\n"},
  };
  for (const auto& c : cases) {
    const E2eRun run = klctl(c.words);
    EXPECT_EQ(c.status, run.status) << c.words[0] << ": " << run.err;
    EXPECT_NE(std::string::npos, run.out.find(c.printed)) << run.out;
  }
  EXPECT_EQ(Json::parse(R"({"groups":[1000,1001,1002,1008,1009]})"),
            decoded(klctl({"--json", "preset_group_list"})));
  const Json preset = decoded(klctl({"--json", "preset-info", "--id", "0x10003"}));
  EXPECT_EQ(0x10003u, preset.value("id", 0u)) << preset;
  EXPECT_EQ(18, preset.value("mode", 0));
  EXPECT_EQ(6, preset.value("title", 0));
  EXPECT_EQ(6, preset.value("icon", 0));
  EXPECT_EQ(false, preset.value("custom", true));
  ASSERT_TRUE(preset.contains("settings") && preset["settings"].is_array() && !preset["settings"].empty());
  EXPECT_TRUE(preset["settings"][0]["id"].is_number() && preset["settings"][0]["value"].is_number());
}

// Every model, lens mode and power profile serves the daemon: the whole preset model shows one group of
// each kind, with the active preset in one of them and valid values only; where presets can be created,
// a new one shows in its group marked custom until it is removed; the flat-mode override of mode 1
// reaches the camera.
TEST_F(KlctlEndToEnd, EveryModelServesTheDaemon) {
  const struct {
    const char* model;
    std::vector<std::string> members;
    const char* groups;   // shown, "+" where presets can be added; none where camera-info lacks the model
    const char* setMode;  // what mode 1 sends: 17 with the override (photo group last on 17), else 1
  } cases[] = {
      {"19", {}, "1000 1001 1002", "ok 11000000"},
      {"20", {}, "1000 1001 1002", "ok 01000000"},
      {"50", {}, "1000+ 1001+ 1002+", "ok 11000000"},
      {"51", {}, "1000 1001 1002", "ok 11000000"},
      {"51", {"system.lens_mode", "1"}, "1000 1001 1002", "ok 11000000"},
      {"55", {}, "1000+ 1001+ 1002+", "ok 11000000"},
      {"55", {"system.power_profile", "2"}, "1001+ 1002+ 1000", "ok 11000000"},
      {"57", {}, "1000+ 1001+ 1002+", "ok 11000000"},
      {"57", {"system.power_profile", "1"}, "1001+ 1002+ 1000", "ok 11000000"},
      {"57", {"system.lens_mode", "1"}, "1000 1001 1002", "ok 11000000"},
      {"77", {}, "", "ok 01000000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.model + std::string(" ") + (c.members.empty() ? "" : c.members[0]));
    start(c.model, c.members);
    ASSERT_EQ(0, control({"set", "status.photo_selected_flatmode", "17"}).status);
    EXPECT_EQ(0, klctl({"mode", "u32:1"}).status);
    EXPECT_EQ(c.setMode + std::string("\n"), control({"payload", "0x101/2"}).out);
    const std::string active = klctl({"mode", "u32:0", "--", "preset_get_active_preset"}).out;
    const size_t value = active.find("value: ");
    const bool canCreate = std::string(c.groups).find("1000+") != std::string::npos;
    const E2eRun created = klctl({"--json", "preset-create", "--group", "1000", "--mode", "12", "--icon",
                                  "20", "--title", "20", "--number", "0"});
    ASSERT_EQ(canCreate ? 0 : 1, created.status) << created.out;
    const uint32_t id = canCreate ? decoded(created).value("preset_id", 0u) : 0;
    const E2eRun whole = klctl({"--json", "preset_get_presets"});
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
    EXPECT_EQ(0u, control({"csi"}).out.find("ok subscribed=7,138,143,151,152 values=7:0 "))
        << control({"csi"}).out;
    ASSERT_NE(std::string::npos, value) << active;
    EXPECT_EQ(1u, custom.count(uint32_t(std::stoul(active.substr(value + 7))))) << active;
    if (!canCreate) continue;
    EXPECT_TRUE(custom[id]) << id;
    EXPECT_EQ(0, klctl({"preset-remove", "--id", std::to_string(id)}).status);
    EXPECT_EQ(std::string::npos, klctl({"preset_get_presets"}).out.find(std::to_string(id)));
  }
}

// A camera asleep or off answers NAK-off to everything that needs it awake, until it wakes; sleeping and
// waking suspend and resume the daemon unless switched apart; an empty battery switches the camera off.
TEST_F(KlctlEndToEnd, PowerStatesAnswerAsACameraDoes) {
  const std::vector<std::vector<std::string>> needAwake = {
      {"get_all_settings"},         {"command_shutter", "u8:1"}, {"delete_all"},
      {"wifi_ap_control", "u32:1"}, {"mode", "u32:12"},          {"get_all_status"},
  };
  ASSERT_EQ("ok\n", control({"sleep-events", "off"}).out);
  ASSERT_EQ(0, klctl({"system_sleep"}).status);
  for (const auto& words : needAwake) {
    EXPECT_NE(std::string::npos, klctl(words).out.find("status -103 (KL_ERR_NAK_OFF)")) << words[0];
  }
  ASSERT_EQ("ok\n", control({"set", "system.power_state", "0"}).out);
  for (const auto& words : needAwake) EXPECT_EQ(0, klctl(words).status) << words[0];

  ASSERT_EQ("ok\n", control({"sleep-events", "on"}).out);
  ASSERT_EQ(0, klctl({"system_sleep"}).status);
  EXPECT_NE(std::string::npos,
            klctl({"get_all_status"}).out.find("status 1 (refused)"));  // suspended by "JS"
  ASSERT_EQ("ok\n", control({"set", "system.power_state", "0"}).out);
  EXPECT_EQ(0, klctl({"get_all_status"}).status);  // resumed by "JR"

  ASSERT_EQ("ok\n", control({"set", "status.battery_percent", "1"}).out);
  ASSERT_EQ("ok\n", control({"drift", "step", "60"}).out);
  EXPECT_EQ("ok 2\n", control({"get", "system.power_state"}).out);
  EXPECT_NE(std::string::npos, klctl({"get_all_status"}).out.find("status -103 (KL_ERR_NAK_OFF)"));
}

// Every fault of the camera link costs only its own request: the client gets the refusal or the
// library's time-out, and the next status read is answered with the status block (a late, duplicated or
// misnumbered reply is never taken for it). A lasting fault stays until cleared.
TEST_F(KlctlEndToEnd, CameraFaultsCostOnlyTheirRequest) {
  const char* timedOut = "status -5 (KL_ERR_MQ_FAIL)";
  const struct {
    std::vector<std::string> fault;
    const char* answer;
  } cases[] = {
      {{"error", "-17"}, "status -17 (KL_ERR_ACCESS_DENIED)"},
      {{"nakoff"}, "status -103 (KL_ERR_NAK_OFF)"},
      {{"size", "100"}, "status 0 (KL_OK), payload 100 bytes"},
      {{"drop"}, timedOut},
      {{"late", "2500"}, timedOut},
      {{"seq"}, timedOut},
      {{"malformed", "short"}, timedOut},
      {{"malformed", "lying"}, timedOut},
      {{"malformed", "random"}, timedOut},
      {{"dup"}, "status 0 (KL_OK), payload 384 bytes"},
  };
  int battery = 10;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault[0]);
    std::vector<std::string> arm = {"fault", "8/11"};
    arm.insert(arm.end(), c.fault.begin(), c.fault.end());
    ASSERT_EQ("ok\n", control(arm).out);
    EXPECT_NE(std::string::npos, klctl({"get_all_status"}).out.find(c.answer));
    // The next read shows the block as it is now (status byte 6, the battery), not a stale reply.
    ASSERT_EQ("ok\n", control({"set", "status.battery_percent", std::to_string(++battery)}).out);
    const Json next = Json::parse(klctl({"--json", "get_all_status"}).out, nullptr, false);
    const std::string hex = next.is_object() ? next.value("payload_hex", std::string()) : std::string();
    ASSERT_EQ(768u, hex.size());
    EXPECT_EQ(battery, std::stoi(hex.substr(12, 2), nullptr, 16));
  }
  ASSERT_EQ("ok\n", control({"fault", "8/11", "error", "-17", "always"}).out);
  for (int i = 0; i < 2; ++i) EXPECT_EQ(1, klctl({"get_all_status"}).status);
  ASSERT_EQ("ok\n", control({"fault", "clear"}).out);
  EXPECT_EQ(0, klctl({"get_all_status"}).status);
}

// A custom preset made, loaded, renamed, moved and removed with klctl; each step shows in the next answer.
TEST_F(KlctlEndToEnd, PresetChangesReachTheCamera) {
  const std::vector<uint32_t> factory = photoGroupIds();
  ASSERT_EQ(4u, factory.size());
  const E2eRun created = klctl({"--json", "preset-create", "--group", "1001", "--mode", "17", "--icon", "20",
                                "--title", "20", "--number", "0"});
  ASSERT_EQ(0, created.status) << created.out << created.err;
  const uint32_t id = decoded(created).value("preset_id", 0u);
  EXPECT_EQ(1, decoded(created).value("result", 0));
  std::vector<uint32_t> withNew = factory;
  withNew.push_back(id);
  EXPECT_EQ(withNew, photoGroupIds());

  const std::string idText = std::to_string(id);
  const E2eRun loaded = klctl({"preset-load", "--id", idText, "--", "preset_get_active_preset"});
  EXPECT_EQ(0, loaded.status) << loaded.err;
  EXPECT_NE(std::string::npos, loaded.out.find("  value: " + idText + "\n")) << loaded.out;

  EXPECT_EQ(0, klctl({"preset-title-icon", "--title", "25", "--icon", "21"}).status);
  const Json renamed = decoded(klctl({"--json", "preset-info", "--id", idText}));
  EXPECT_EQ(25, renamed.value("title", 0)) << renamed;
  EXPECT_EQ(21, renamed.value("icon", 0));
  EXPECT_EQ(true, renamed.value("custom", false));

  EXPECT_EQ(0, klctl({"preset-order", "--id", idText, "--order", "0"}).status);
  std::vector<uint32_t> moved = {id};
  moved.insert(moved.end(), factory.begin(), factory.end());
  EXPECT_EQ(moved, photoGroupIds());

  EXPECT_EQ(0, klctl({"preset-remove", "--id", idText}).status);
  EXPECT_EQ(factory, photoGroupIds());
}

// The full document first, then the change made on the camera; the time-out ends a watch that has more to
// wait for.
TEST_F(KlctlEndToEnd, WatchPrintsTheFullDocumentAndTheChange) {
  std::string documents;
  {
    TestProcess watch({KLCTL_PATH, "watch", "--json", "--count", "2", "--timeout", "30"},
                      TestOutput::Captured);
    ASSERT_TRUE(
        waitUntil([&] { return watch.out().find('\n') != std::string::npos; }, std::chrono::seconds(20)));
    const E2eRun set = e2eRun({KL_CAMERA_SIM_PATH, "ctl", "set", "status.battery_percent", "5"}, 10000);
    EXPECT_EQ(0, set.status) << set.out << set.err;
    EXPECT_EQ(0, watch.exitStatus(20000)) << watch.err();
    documents = watch.out();
  }
  std::istringstream lines(documents);
  std::string full;
  std::string change;
  ASSERT_TRUE(std::getline(lines, full) && std::getline(lines, change));
  const Json fullDocument = Json::parse(full, nullptr, false);
  ASSERT_TRUE(fullDocument.is_object()) << full;
  EXPECT_TRUE(fullDocument.contains("status") && fullDocument.contains("settings")) << full;
  EXPECT_EQ(Json::parse(R"({"status":{"70":5}})"), Json::parse(change, nullptr, false)) << change;

  const auto start = std::chrono::steady_clock::now();
  const E2eRun timed = klctl({"watch", "--timeout", "3"});
  const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(0, timed.status) << timed.err;
  EXPECT_GE(took, 3.0);
  EXPECT_EQ(0u, timed.out.find("{\n  \"status\": {\n")) << timed.out;
  const Json later = Json::parse(timed.out, nullptr, false);  // one document: nothing changed meanwhile
  ASSERT_TRUE(later.is_object() && later.contains("settings")) << timed.out;
  EXPECT_EQ(5, later["status"].value("70", 0));
}

}  // namespace
