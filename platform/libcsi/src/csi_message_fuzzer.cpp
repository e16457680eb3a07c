// Any bytes handed to the listener as a received CSI message: nothing may be read past them, and
// a delivered text must come from inside them.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "KLCSIListener.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact-size copy, so that a read past the received bytes is caught.
  const std::vector<uint8_t> received(data, data + size);
  KLCSIListener listener;
  listener.RegisterForCSINotifications({7, 151, 152, 143, 138});
  listener.SetNotificationObserver([size](uint32_t, const std::string& text) {
    if (text.size() > size) std::abort();
  });
  listener.HandleCSIMessage(received.data(), received.size());
  listener.HandleSubscribeResponse(received.data(), received.size());
  listener.HandleSetResponse(received.data(), received.size());
  return 0;
}
