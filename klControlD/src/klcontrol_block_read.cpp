#include "klcontrol_block_read.h"

#include <algorithm>
#include <cstring>

#include "klcontrol_if_server.h"

namespace {

constexpr int kGroupSystem = 8;
constexpr int kAllStatusGet = 11;
constexpr uint8_t kNakOff = 2;

}  // namespace

int klcontrol_read_status_block(appc_system_all_status& status, bool& nakOff) {
  status = appc_system_all_status{};
  nakOff = false;
  uint8_t* reply = nullptr;
  uint16_t length = 0;
  const int result = klc_send_remote_api_for_response(&KlcontrolCommandServer::m_cameraContext, kGroupSystem,
                                                      kAllStatusGet, &reply, &length);
  if (result != 0 || reply == nullptr) return result;
  nakOff = length == 1 && reply[0] == kNakOff;
  std::memcpy(&status, reply, std::min<size_t>(length, sizeof status));
  return 0;
}
