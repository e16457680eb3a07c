// Connectivity commands against the simulated camera: the accessory-port payloads, the answers, and
// the camera's wireless state afterwards.
#include <gtest/gtest.h>

#include <tuple>

#include "klErrno.h"
#include "klcontrol_command_table.h"
#include "klcontrol_network_payloads.h"
#include "test_command_bytes.h"
#include "test_server_fixture.h"

namespace {

// Name and password fields (33 bytes, then passwordField), then a word when withWord.
std::vector<uint8_t> networkArg(const std::string& name, const std::string& password, size_t passwordField,
                                bool withWord = false, uint32_t value = 0) {
  std::vector<uint8_t> arg;
  putField(arg, 0, 33, name);
  putField(arg, 33, passwordField, password);
  if (withWord) putWord(arg, 33 + passwordField, value);
  return arg;
}

// A join or forget request: the flag, 127, the authentication type, the name at 4 and the password at 37.
std::vector<uint8_t> joinRecord(uint8_t flag, uint8_t auth, const std::string& name,
                                const std::string& password) {
  std::vector<uint8_t> bytes = {flag, 127, auth};
  putField(bytes, 4, 32, name);
  putField(bytes, 37, 63, password);
  bytes.resize(128, 0);
  return bytes;
}

class ConnectivityTest : public ServerTest {
 protected:
  // The simulator's name of an accessory-port request.
  static std::string aux(const char* code) { return "267/" + std::to_string((code[0] << 8) | code[1]); }
  int32_t call(uint32_t command, const std::vector<uint8_t>& arg) { return requester->call(command, &arg); }
  // The joined and saved networks as the camera holds them.
  std::string joined() {
    const std::string state = control("wifi");
    return state.substr(state.find(" joined"));
  }
  klcontrol_network_list_t list(uint8_t offset, int32_t status) {
    const std::vector<uint8_t> arg = {offset};
    const TestAnswer answer = requester->ask(KLCONTROL_WIFI_SSID_LIST, &arg);
    EXPECT_EQ(answer.status, status);
    klcontrol_network_list_t result{};
    EXPECT_EQ(answer.payload.size(), sizeof result);
    if (answer.payload.size() == sizeof result) std::memcpy(&result, answer.payload.data(), sizeof result);
    return result;
  }
};

// Each switch sends its accessory-port request and changes the camera's wireless state.
TEST_F(ConnectivityTest, SwitchesAndPairingReachTheCameraAndChangeIt) {
  struct Case {
    uint32_t command;
    std::vector<uint8_t> arg;  // empty: none
    std::string request;
    const char* payload;
    const char* member;
    int after;
    const char* line;  // logged after the command's name
  };
  const Case cases[] = {
      {KLCONTROL_WIFI_AP_CONTROL, words({1}), aux("AP"), "0100", "status.wifi_ap_state", 1, ": action:1"},
      {KLCONTROL_WIFI_AP_CONTROL, words({0}), aux("AP"), "0300", "status.wifi_ap_state", 0, ": action:0"},
      {KLCONTROL_WIFI_AP_CONTROL, words({2}), aux("AP"), "0600", "status.wifi_ap_state", 1, ": action:2"},
      {KLCONTROL_BLE_CONTROL, {7}, aux("AP"), "2400", "status.ble_state", 1, ""},
      {KLCONTROL_BLE_CONTROL, {}, aux("AP"), "2400", "status.ble_state", 0, ""},
      {KLCONTROL_WIFI_BAND_SELECT, words({1}), "6/19", "01", "status.wifi_band", 1, ": band:1"},
      {KLCONTROL_RC_PAIR, {}, aux("PD"), "0102", "status.rc_pair_state", 1, ":"},
  };
  for (const Case& c : cases) {
    forgetLog();
    EXPECT_EQ(requester->call(c.command, c.arg.empty() ? nullptr : &c.arg), KL_OK) << c.command;
    EXPECT_EQ(payload(c.request), c.payload) << c.command;
    EXPECT_EQ(control(std::string("get ") + c.member), "ok " + std::to_string(c.after)) << c.command;
    EXPECT_TRUE(loggedLine(UTIL_LOG_DEBUG, klcontrol_command_info(c.command)->name + std::string(c.line)));
  }
}

// The access point's name and password go out length-prefixed.
TEST_F(ConnectivityTest, AccessPointNameAndPasswordGoOutLengthPrefixed) {
  forgetLog();
  EXPECT_EQ(call(KLCONTROL_WIFI_AP_SSID_CONFIG, networkArg("Cam", "password", 71, true, 0)), KL_OK);
  EXPECT_EQ(payload(aux("AP")), "060108" + hexOf(std::string("password")) + "03" + hexOf(std::string("Cam")));
  EXPECT_NE(control("wifi").find(" ap_name=Cam ap_password=password "), std::string::npos);
  EXPECT_TRUE(loggedLine(UTIL_LOG_DEBUG, "KLCONTROL_WIFI_AP_SSID_CONFIG: ssid[Cam] password[password]"));
  // Fields without a zero are cut at their ends; flag 1 asks for code 0.
  const std::vector<uint8_t> full = networkArg(std::string(33, 'N'), std::string(71, 'P'), 71, true, 1);
  EXPECT_EQ(call(KLCONTROL_WIFI_AP_SSID_CONFIG, full), KL_OK);
  EXPECT_EQ(payload(aux("AP")), "000147" + hexOf(std::string(71, 'P')) + "21" + hexOf(std::string(33, 'N')));
}

// Pairing is cancelled by one zero byte; the camera's refusals and short replies fail the cancel.
TEST_F(ConnectivityTest, PairingIsCancelledAndItsFaultsPassThrough) {
  ASSERT_EQ(requester->call(KLCONTROL_RC_PAIR), KL_OK);
  EXPECT_EQ(requester->call(KLCONTROL_RC_PAIR_CANCEL), KL_OK);
  EXPECT_EQ(control("get status.rc_pair_state"), "ok 0");
  EXPECT_EQ(payload(aux("PX")), "");
  forgetLog();
  EXPECT_EQ(requester->call(KLCONTROL_RC_PAIR_CANCEL), KL_ERR);  // nothing to cancel: the camera answers 1
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, "Command:26 returned klErrno:(-1=KL_ERR)"));
  ASSERT_EQ(requester->call(KLCONTROL_RC_PAIR), KL_OK);
  const std::pair<const char*, int32_t> faults[] = {
      {" size 2", KL_ERR}, {" size 0", KL_ERR}, {" error -17", KL_ERR_ACCESS_DENIED}};
  for (const auto& fault : faults) {
    control("fault " + aux("PX") + fault.first);
    EXPECT_EQ(requester->call(KLCONTROL_RC_PAIR_CANCEL), fault.second) << fault.first;
  }
  control("fault " + aux("PD") + " nakoff");
  // A reply this command never reads: the library passes the refusal on.
  EXPECT_EQ(requester->call(KLCONTROL_RC_PAIR), KL_ERR_NAK_OFF);
}

// Saved networks are joined by name and forgotten one by one or all at once.
TEST_F(ConnectivityTest, SavedNetworksAreSelectedAndForgotten) {
  ASSERT_EQ(call(KLCONTROL_WIFI_SSID_SAVE, networkArg("CafeGuest", "", 67)), KL_OK);
  EXPECT_EQ(payload(aux("CQ")), hexOf(std::string("CafeGuest")) + "00");
  ASSERT_EQ(call(KLCONTROL_WIFI_SSID_SAVE, networkArg("HarbourView", "secret12", 67)), KL_OK);
  EXPECT_EQ(payload(aux("CQ")),
            hexOf(std::string("HarbourView")) + "00" + hexOf(std::string("secret12")) + "00");
  forgetLog();
  ASSERT_EQ(call(KLCONTROL_WIFI_SSID_SELECT, networkArg("HarbourView", "secret12", 67, true, 3)), KL_OK);
  EXPECT_EQ(payload(aux("CT")), hexOf(joinRecord(1, 3, "HarbourView", "secret12")));
  const std::string selected = "KLCONTROL_WIFI_SSID_SELECT: ssid[HarbourView] password[secret12] auth_type:3";
  EXPECT_TRUE(loggedLine(UTIL_LOG_DEBUG, selected));
  EXPECT_EQ(joined(), " joined=HarbourView saved=CafeGuest,HarbourView");
  ASSERT_EQ(call(KLCONTROL_WIFI_SSID_SELECT, networkArg("CafeGuest", "", 67, true, 0)), KL_OK);
  EXPECT_EQ(requestCount(aux("CL")), 1);
  const std::vector<uint8_t> forget = networkArg("HarbourView", "", 0);
  ASSERT_EQ(call(KLCONTROL_WIFI_SSID_DELETE, forget), KL_OK);
  EXPECT_EQ(payload(aux("CD")), hexOf(joinRecord(0, 0, "HarbourView", "")));
  EXPECT_EQ(call(KLCONTROL_WIFI_SSID_DELETE, forget), KL_ERR_INVALID_PARAM);  // no longer saved
  ASSERT_EQ(requester->call(KLCONTROL_WIFI_SSID_DELETE_ALL), KL_OK);
  EXPECT_EQ(payload(aux("CD")), hexOf(joinRecord(1, 0, "", "")));
  EXPECT_EQ(joined(), " joined= saved=");
}

// A scan's networks are listed ten at a time; a short or failed reply lists only whole records.
TEST_F(ConnectivityTest, ScannedNetworksAreListedTenAtATime) {
  // With no scan yet the camera's status byte is 1.
  EXPECT_EQ(list(0, KL_ERR).count, 0);
  ASSERT_EQ(call(KLCONTROL_WIFI_SSID_SAVE, networkArg("HarbourView", "secret12", 67)), KL_OK);
  ASSERT_EQ(call(KLCONTROL_WIFI_SSID_SCAN, {1}), KL_OK);
  const klcontrol_network_list_t three = list(0, KL_OK);
  EXPECT_EQ(payload(aux("al")), "000affff01");
  EXPECT_EQ(three.scan_id, 1);
  EXPECT_EQ(three.count, 3);
  EXPECT_EQ(three.total, 3u);
  EXPECT_STREQ(three.entries[0].name, "HarbourView");
  EXPECT_EQ(three.entries[0].auth_type, 3u);
  EXPECT_EQ(three.entries[0].signal, -48);
  EXPECT_EQ(three.entries[0].flags, 1);
  EXPECT_STREQ(three.entries[2].name, "Workshop-5G");
  EXPECT_EQ(three.entries[3].name[0], 0);
  // Ten entries at most; names longer than 31 characters are cut.
  for (int i = 0; i < 11; ++i) control("network Net" + std::to_string(i) + std::string(40, 'x') + " 0 -80");
  ASSERT_EQ(call(KLCONTROL_WIFI_SSID_SCAN, {1}), KL_OK);
  EXPECT_EQ(list(0, KL_OK).count, 10);
  const klcontrol_network_list_t rest = list(10, KL_OK);
  EXPECT_EQ(rest.offset, 10);
  EXPECT_EQ(rest.count, 4);
  EXPECT_EQ(rest.total, 14u);
  EXPECT_EQ(std::string(rest.entries[3].name), "Net10" + std::string(26, 'x'));
  // One whole record and part of a second: only the whole one is listed.
  control("fault " + aux("al") + " size 200");
  EXPECT_EQ(list(0, KL_OK).count, 1);
  control("fault " + aux("al") + " size 0");
  EXPECT_EQ(list(0, KL_OK).count, 0);
  control("fault " + aux("al") + " nakoff");
  EXPECT_EQ(list(0, KL_ERR).count, 0);
  control("fault " + aux("al") + " error -6");
  EXPECT_EQ(list(0, KL_ERR_NO_SDCARD).count, 0);
}

// A scan answers its scan id. Rows: the argument (1 starts a scan), the camera's fault, the answer.
TEST_F(ConnectivityTest, ScanAnswersItsScanId) {
  const std::tuple<uint8_t, const char*, int32_t, uint32_t> scans[] = {
      {1, nullptr, KL_OK, 1},
      {0, nullptr, KL_ERR_NOT_SUPPORTED, 0},
      {1, "size 1", KL_OK, 0},
      {1, "error -17", KL_ERR_ACCESS_DENIED, 0}};
  forgetLog();
  for (const auto& [start, fault, status, scanId] : scans) {
    if (fault != nullptr) control("fault " + aux("NI") + " " + fault);
    const std::vector<uint8_t> arg = {start};
    const TestAnswer answer = requester->ask(KLCONTROL_WIFI_SSID_SCAN, &arg);
    EXPECT_EQ(answer.status, status);
    EXPECT_EQ(answer.payload, words({scanId}));
  }
  EXPECT_EQ(payload(aux("NI")), "0101");
  EXPECT_EQ(requestCount(aux("NI")), 3);
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, "Results from scan start not long enough to hold a scan id"));
  EXPECT_EQ(control("get status.wifi_scan_state"), "ok 1");
}

}  // namespace
