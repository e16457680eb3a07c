#include "sim_wireless.h"

#include <algorithm>

#include "klErrno.h"

namespace {

template <typename T>
auto byName(std::vector<T>& list, const std::string& name) {
  return std::find_if(list.begin(), list.end(), [&name](const T& entry) { return entry.name == name; });
}

}  // namespace

void SimWireless::loadFactory() {
  *this = SimWireless{};
  mApName = "KLCAM-0057";
  mApPassword = "ready2shoot";
  mInReach = {{"HarbourView", 3, -48}, {"CafeGuest", 0, -67}, {"Workshop-5G", 4, -71}};
}

void SimWireless::setAccessPoint(const std::string& name, const std::string& password) {
  mApName = name;
  mApPassword = password;
}

void SimWireless::addInReach(const SimNetwork& network) {
  auto it = byName(mInReach, network.name);
  if (it != mInReach.end()) {
    *it = network;
  } else {
    mInReach.push_back(network);
  }
}

uint8_t SimWireless::scan() {
  mResults = mInReach;
  mScanId = mScanId == 255 ? 1 : uint8_t(mScanId + 1);
  return mScanId;
}

void SimWireless::save(const std::string& name, const std::string& password) {
  auto it = byName(mSaved, name);
  if (it != mSaved.end()) {
    it->password = password;
  } else {
    mSaved.push_back({name, password});
  }
}

bool SimWireless::isSaved(const std::string& name) const {
  return std::any_of(mSaved.begin(), mSaved.end(),
                     [&name](const Saved& entry) { return entry.name == name; });
}

int SimWireless::join(const std::string& name, const std::string& password, uint8_t authType) {
  auto network = byName(mInReach, name);
  if (network == mInReach.end() || network->authType != authType) return KL_ERR_INVALID_PARAM;
  // A protected network needs a password, given now or saved before.
  auto saved = byName(mSaved, name);
  const std::string key = password.empty() && saved != mSaved.end() ? saved->password : password;
  if (authType != 0 && key.empty()) return KL_ERR_INVALID_PARAM;
  save(name, key);
  mJoined = name;
  return KL_OK;
}

int SimWireless::forget(const std::string& name) {
  auto it = byName(mSaved, name);
  if (it == mSaved.end()) return KL_ERR_INVALID_PARAM;
  mSaved.erase(it);
  if (mJoined == name) mJoined.clear();
  return KL_OK;
}

void SimWireless::forgetAll() {
  mSaved.clear();
  mJoined.clear();
}

std::vector<std::string> SimWireless::savedNames() const {
  std::vector<std::string> names;
  for (const Saved& entry : mSaved) names.push_back(entry.name);
  return names;
}
