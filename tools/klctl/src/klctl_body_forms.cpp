#include "klctl_body_forms.h"

#include <google/protobuf/descriptor.h>
#include <google/protobuf/message.h>

#include <memory>

#include "klControlCommands/klControl_presets.pb.h"
#include "klcontrol_command_table.h"
#include "klctl_args.h"

namespace {

namespace kp = klcontrol::presets;
using google::protobuf::FieldDescriptor;
using google::protobuf::Message;

struct BodyForm {
  const char* name;
  uint32_t command;
  const Message* prototype;
};

const BodyForm kForms[] = {
    {"preset-list", KLCONTROL_PRESET_LIST, &kp::KLC_Preset_List_Req::default_instance()},
    {"preset-info", KLCONTROL_PRESET_INFO, &kp::KLC_Preset_Info_Req::default_instance()},
    {"preset-create", KLCONTROL_PRESET_CUSTOM_CREATE, &kp::KLC_Preset_Custom_Create_Req::default_instance()},
    {"preset-remove", KLCONTROL_PRESET_CUSTOM_REMOVE, &kp::KLC_Preset_Custom_Remove_Req::default_instance()},
    {"preset-order", KLCONTROL_PRESET_SET_ORDER, &kp::KLC_Preset_Set_Order_Req::default_instance()},
    {"preset-load", KLCONTROL_PRESET_LOAD, &kp::KLC_Preset_Load_Req::default_instance()},
    {"preset-edit-start", KLCONTROL_PRESET_EDIT_START, &kp::KLC_Preset_Edit_Start_Req::default_instance()},
    {"preset-factory-reset", KLCONTROL_PRESET_FACTORY_RESET,
     &kp::KLC_Preset_Factory_Reset_Req::default_instance()},
    {"preset-flatmode", KLCONTROL_PRESET_SWITCH_FLATMODE,
     &kp::KLC_Preset_Switch_Flatmode_Req::default_instance()},
    {"preset-title-icon", KLCONTROL_PRESET_SET_TITLE_ICON,
     &kp::KLC_Preset_Set_Title_Icon_Req::default_instance()},
};

// Short option names for the schema's field names; the field names work as well.
const struct {
  const char* option;
  const char* field;
} kAliases[] = {{"group", "group_id"},   {"id", "preset_id"},      {"mode", "flat_mode"},
                {"icon", "preset_icon"}, {"title", "preset_name"}, {"number", "preset_name_iterator"}};

const BodyForm* findForm(const std::string& name) {
  for (const BodyForm& form : kForms) {
    if (name == form.name) return &form;
  }
  return nullptr;
}

const FieldDescriptor* fieldOf(const Message& body, const std::string& option) {
  std::string name = option;
  for (const auto& alias : kAliases) {
    if (option == alias.option) name = alias.field;
  }
  return body.GetDescriptor()->FindFieldByName(name);
}

// Sets one field from its text: unsigned 32-bit numbers, and 0 or 1 for a flag.
bool setField(Message& body, const FieldDescriptor* field, const std::string& text) {
  uint64_t value = 0;
  const bool isFlag = field->cpp_type() == FieldDescriptor::CPPTYPE_BOOL;
  if (!klctlParseUnsigned(text, isFlag ? 1 : UINT32_MAX, value)) return false;
  if (isFlag) {
    body.GetReflection()->SetBool(&body, field, value != 0);
  } else {
    body.GetReflection()->SetUInt32(&body, field, static_cast<uint32_t>(value));
  }
  return true;
}

}  // namespace

bool klctlIsBodyForm(const std::string& word) {
  return findForm(word) != nullptr;
}

bool klctlBuildBodyForm(const std::string& formName, const std::vector<std::string>& words, uint32_t& command,
                        std::vector<uint8_t>& body, std::string& error) {
  const BodyForm* form = findForm(formName);
  if (form == nullptr) {
    error = "unknown form " + formName;
    return false;
  }
  std::unique_ptr<Message> message(form->prototype->New());
  for (size_t i = 0; i < words.size(); i += 2) {
    const bool isOption = words[i].size() > 2 && words[i].compare(0, 2, "--") == 0;
    const FieldDescriptor* field = isOption ? fieldOf(*message, words[i].substr(2)) : nullptr;
    if (field == nullptr || i + 1 >= words.size() || !setField(*message, field, words[i + 1])) {
      error = formName + ": bad field or value at \"" + words[i] + "\"";
      return false;
    }
  }
  const std::string encoded = message->SerializeAsString();
  command = form->command;
  body.assign(encoded.begin(), encoded.end());
  return true;
}

std::string klctlBodyFormList() {
  std::string list;
  for (const BodyForm& form : kForms) {
    list += "  " + std::string(form.name);
    const auto* descriptor = form.prototype->GetDescriptor();
    for (int i = 0; i < descriptor->field_count(); ++i) list += " --" + descriptor->field(i)->name() + " N";
    list += "\n";
  }
  return list;
}
