// Fuzz target: a preset message built from any 81-byte record, camera model and lens mode. The input is
// the record, then optionally a model byte, a lens-mode byte and a byte whose low bit selects the
// camera-info handler. Whatever the bytes, the message must survive its own wire form unchanged, numbers
// the schema does not name included.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "CameraFactory.h"
#include "klcontrol_preset_loader.h"

namespace {

// More settings than the longest list of a flat mode means a rule was read wrongly.
constexpr int MAX_SETTINGS = 4;

uint8_t byteOr(const uint8_t* data, size_t size, size_t index, uint8_t fallback) {
  return index < size ? data[index] : fallback;
}

void check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static CameraFactory factory;
  appc_presets_settings_info info;
  if (size < sizeof info) return 0;
  std::memcpy(&info, data, sizeof info);
  const PresetContext context{byteOr(data, size, sizeof info, CAMERA_DEFAULT_MODEL),
                              int8_t(byteOr(data, size, sizeof info + 1, 0))};
  CameraPlatform* platform = factory.setupCamera(context.model);
  const bool withHandler = (byteOr(data, size, sizeof info + 2, 0) & 1) != 0 && platform != nullptr;

  wsdk_commands::WSDK_Preset preset;
  preset.set_id(int32_t(info.preset_id));
  populatePresetInfo(&info, preset, withHandler ? platform->getInfoHandler() : nullptr, context);

  check(preset.setting_array_size() <= MAX_SETTINGS);
  for (const auto& setting : preset.setting_array()) check(setting.is_caption());
  std::string wire;
  check(preset.SerializeToString(&wire));
  wsdk_commands::WSDK_Preset parsed;
  check(parsed.ParseFromString(wire));
  check(parsed.SerializeAsString() == wire);
  return 0;
}
