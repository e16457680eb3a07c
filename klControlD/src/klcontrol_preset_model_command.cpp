// Command 81: the whole preset model, every group the camera shows now with its presets and settings.
#include <string>
#include <vector>

#include "KLCSIListener.h"
#include "klErrno.h"
#include "klcontrol_if_server.h"
#include "klcontrol_log.h"
#include "klcontrol_preset_loader.h"
#include "klcontrol_preset_wire.h"
#include "wsdkCommands/WSDK_NotifyPresetStatus.pb.h"

constexpr const char* LOG_SOURCE = "klcontrol_if_server";

using wsdk_commands::WSDK_NotifyPresetStatus;
using wsdk_commands::WSDK_PresetGroup;

namespace {

constexpr int MAX_USER_PRESETS_BEFORE_FULL = 9;

// What decides which firmware groups the camera shows.
struct ModelContext {
  int8_t lensMode;
  int8_t lensType;
  int8_t powerProfile;
  uint8_t model;
};

// The firmware groups that are not shown in this lens and power state.
bool groupDropped(uint8_t group, const ModelContext& context) {
  if (klc_preset_special_group(group) || group > KLC_PRESET_LAST_GROUP) return true;
  if (context.lensMode == 1 && klc_preset_single_lens_group(group)) return true;
  if (context.lensMode == 0 && klc_preset_dual_lens_group(group)) return true;
  const bool power = klc_preset_power_group(group);
  if (power && (context.lensType == 1 || context.powerProfile == 0)) return true;
  // A power profile shows its own form of the video group in place of the others.
  const bool video = group == KLC_PRESET_GROUP_VIDEO || power;
  return context.powerProfile > 0 && context.powerProfile <= 2 && video &&
         group != klc_preset_power_group_of(context.powerProfile);
}

// Appends the preset to the group when its record can be read; true when it is user-defined.
bool appendPreset(WSDK_PresetGroup& group, uint32_t id, InfoHandler* handler, const PresetContext& context) {
  LOG(UTIL_LOG_DEBUG, "preset id is %u\n", unsigned(id));
  appc_presets_settings_info record{};
  const klcontrol_preset_read read = klcontrol_read_preset_record(id, record);
  if (read.rc != KL_OK) {
    LOG(UTIL_LOG_ERROR, "REMOTE_PRESET_GET_INFO error, %d for preset id %d\n", read.rc, int(id));
    return false;
  }
  if (!read.taken) {
    LOG(UTIL_LOG_ERROR, "REMOTE_PRESET_GET_INFO  response size incorrect\n");
    return false;
  }
  wsdk_commands::WSDK_Preset* preset = group.add_preset_array();
  preset->set_id(int32_t(id));
  populatePresetInfo(&record, *preset, handler, context);
  return preset->user_defined();
}

void appendGroup(WSDK_NotifyPresetStatus& model, uint8_t firmwareGroup, InfoHandler* handler,
                 const ModelContext& context) {
  std::vector<uint32_t> ids;
  const klcontrol_preset_read listed = klcontrol_read_preset_ids(firmwareGroup, ids);
  if (!listed.taken) {
    LOG(UTIL_LOG_ERROR, "REMOTE_PRESET_LIST_IDS error, %d, ID %d\n", listed.rc, int(firmwareGroup));
    return;
  }
  if (ids.empty()) return;
  WSDK_PresetGroup* group = model.add_preset_group_array();
  group->set_id(
      wsdk_commands::WSDK_EnumPresetGroup(RemapPresetGroup(firmwareGroup) + KLC_PRESET_CLIENT_GROUP_BASE));
  LOG(UTIL_LOG_DEBUG, "preset count %u, size is %u\n", unsigned(ids.size()), unsigned(listed.length));
  int userDefined = 0;
  const PresetContext presetCtx{context.model, context.lensMode};
  for (uint32_t id : ids) userDefined += appendPreset(*group, id, handler, presetCtx) ? 1 : 0;
  group->set_can_add_preset(
      userDefined <= MAX_USER_PRESETS_BEFORE_FULL && IsCreatePresetSupported(context.model) &&
      !klc_preset_dual_lens_group(firmwareGroup) && !klc_preset_power_group(firmwareGroup));
}

// A model larger than one response loses presets from its end until it fits; every group stays.
// Returns the size it was last measured at, which the model keeps cached for serializing.
size_t fitResponse(WSDK_NotifyPresetStatus& model) {
  size_t size = model.ByteSizeLong();
  for (int g = model.preset_group_array_size() - 1; g >= 0 && size > KLCONTROL_MAX_PAYLOAD; --g) {
    WSDK_PresetGroup* group = model.mutable_preset_group_array(g);
    while (group->preset_array_size() > 0 && size > KLCONTROL_MAX_PAYLOAD) {
      group->mutable_preset_array()->RemoveLast();
      size = model.ByteSizeLong();
    }
  }
  return size;
}

// Serializes with the sizes fitResponse cached: a second walk of the model to size it is saved.
bool serializeFitted(const WSDK_NotifyPresetStatus& model, size_t size, std::string& bytes) {
  bytes.resize(size);
  auto* begin = reinterpret_cast<uint8_t*>(&bytes[0]);
  return model.SerializeWithCachedSizesToArray(begin) == begin + size;
}

}  // namespace

int KlcontrolCommandServer::cmdPresetGetPresets(Msg& msg, MsgElement*) {
  if (mCameraInfoHandler == nullptr) {
    LOG(UTIL_LOG_ERROR, "mCameraInfoHandler is NULL - unable to get presets");
    return answer(msg, KL_ERR);
  }
  LOG(UTIL_LOG_DEBUG, "KLCONTROL: get presets request\n");
  std::vector<uint8_t> groups;
  int rc = KL_OK;
  if (!klcontrol_read_preset_groups(groups, rc)) {
    answer(msg, rc);
    LOG(UTIL_LOG_DEBUG, "*************************end of handler\n");
    return rc;
  }
  LOG(UTIL_LOG_DEBUG, "group count is %u,\n", unsigned(groups.size()));
  ModelContext context{GetLensMode(), GetLensType(), GetPowerProfile(), klcontrol_model_or_default()};
  if (groups.empty()) {
    LOG(UTIL_LOG_ERROR, "No groups returned\n");
    return answer(msg, KL_ERR);
  }
  // The model's many small messages come from one arena and go with it, not one allocation each.
  google::protobuf::Arena arena;
  WSDK_NotifyPresetStatus& model = *google::protobuf::Arena::CreateMessage<WSDK_NotifyPresetStatus>(&arena);
  for (uint8_t group : groups) {
    LOG(UTIL_LOG_DEBUG, "group id is %d\n", int(group));
    if (!groupDropped(group, context)) appendGroup(model, group, mCameraInfoHandler, context);
  }
  std::string bytes;
  const bool serialized = serializeFitted(model, fitResponse(model), bytes);
  LOG(UTIL_LOG_DEBUG, "resp size %d, success=%d\n", int(bytes.size()), int(serialized));
  answerPresetMessage(msg, KL_OK, bytes);
  KLCSIListener::GetInstance()->SetCSIValue(KLC_CSI_PRESET_CHANGE, 0);
  LOG(UTIL_LOG_DEBUG, "*************************end of handler\n");
  return KL_OK;
}
