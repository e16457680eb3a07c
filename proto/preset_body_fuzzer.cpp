// Arbitrary command-argument bytes decoded as each request body of the preset commands. Whatever decodes
// must encode, and the encoding must decode back to a message that encodes to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "klControlCommands/klControl_presets.pb.h"

namespace {

namespace kp = klcontrol::presets;

// A command argument always fits in one 1500-byte message.
constexpr size_t kMaxBody = 1500;

template <typename Body>
void roundTrip(const uint8_t* data, size_t size) {
  Body body;
  if (!body.ParseFromArray(data, static_cast<int>(size))) return;
  std::string encoded;
  if (!body.SerializeToString(&encoded) || encoded.size() != body.ByteSizeLong()) abort();
  Body again;
  if (!again.ParseFromString(encoded) || again.SerializeAsString() != encoded) abort();
}

template <typename... Bodies>
void roundTripEach(const uint8_t* data, size_t size) {
  (roundTrip<Bodies>(data, size), ...);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kMaxBody) return 0;
  roundTripEach<kp::KLC_Preset_List_Req, kp::KLC_Preset_Info_Req, kp::KLC_Preset_Custom_Create_Req,
                kp::KLC_Preset_Custom_Remove_Req, kp::KLC_Preset_Set_Order_Req, kp::KLC_Preset_Load_Req,
                kp::KLC_Preset_Edit_Start_Req, kp::KLC_Preset_Factory_Reset_Req,
                kp::KLC_Preset_Switch_Flatmode_Req, kp::KLC_Preset_Set_Title_Icon_Req>(data, size);
  return 0;
}
