// The simulated camera's wireless side beyond its status bytes: the access point's name and password,
// the networks in reach, the last scan's results, the saved networks and the one joined.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct SimNetwork {
  std::string name;
  uint8_t authType;  // 0 open, 1..255 a protected network
  int32_t signal;    // dBm
};

class SimWireless {
 public:
  // Factory access point name and password, three networks in reach, nothing scanned or saved.
  void loadFactory();

  void setAccessPoint(const std::string& name, const std::string& password);
  const std::string& apName() const { return mApName; }
  const std::string& apPassword() const { return mApPassword; }

  // Adds (or replaces, by name) a network in reach; a later scan finds it.
  void addInReach(const SimNetwork& network);
  // Scans: the results become the networks in reach. The scan id, 1 to 255, one more each time.
  uint8_t scan();
  uint8_t scanId() const { return mScanId; }
  const std::vector<SimNetwork>& results() const { return mResults; }

  // Saves (or updates) a network.
  void save(const std::string& name, const std::string& password);
  bool isSaved(const std::string& name) const;
  // Joins a network in reach, saving it; KL_ERR_INVALID_PARAM when out of reach or of another
  // authentication type.
  int join(const std::string& name, const std::string& password, uint8_t authType);
  const std::string& joined() const { return mJoined; }
  // Forgets a saved network (leaving it when joined); KL_ERR_INVALID_PARAM when not saved.
  int forget(const std::string& name);
  void forgetAll();
  // Saved network names in saving order.
  std::vector<std::string> savedNames() const;

 private:
  struct Saved {
    std::string name;
    std::string password;
  };

  std::string mApName;
  std::string mApPassword;
  std::vector<SimNetwork> mInReach;
  std::vector<SimNetwork> mResults;
  uint8_t mScanId = 0;
  std::vector<Saved> mSaved;
  std::string mJoined;
};
