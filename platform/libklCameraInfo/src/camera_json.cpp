#include "camera_json.h"

#include "InfoHandler.h"
#include "camera_model_tables.h"

namespace {

// Writes comma-separated members and counts them.
class MemberWriter {
 public:
  explicit MemberWriter(std::ostream& out) : mOut(out) {}

  void key(const std::string& text) {
    if (mCount++ > 0) mOut << ',';
    mOut << text;
  }
  void key(int id) { key("\"" + std::to_string(id) + "\":"); }
  void number(const camera_field& field, int64_t value) {
    // Only an unsigned 8-byte member can exceed the signed range.
    if (!field.isSigned && field.width == 8) {
      mOut << uint64_t(value);
    } else {
      mOut << value;
    }
  }
  int count() const { return mCount; }

 private:
  std::ostream& mOut;
  int mCount = 0;
};

// One settings-document member: a row of the id table (translated to an option id) or an extra.
struct SettingsMember {
  int id;
  camera_field field;
  bool translate;
};

template <typename Visit>
void forEachSettingsMember(const camera_model_tables& tables, Visit visit) {
  for (const camera_settings_id_row& row : tables.rows) {
    if (row.id >= 0) visit(SettingsMember{row.id, camera_row_field(row), true});
  }
  for (size_t i = 0; i < tables.desc->settingsExtraCount; ++i) {
    const camera_member& extra = *tables.desc->settingsExtras[i];
    visit(SettingsMember{extra.id, extra.field, false});
  }
}

void writeSetting(MemberWriter& writer, const SettingsMember& member, const camera_blocks_view& view,
                  const InfoHandler* handler) {
  int64_t value = camera_field_read(view, member.field);
  writer.key(member.id);
  if (member.translate && handler != nullptr) value = handler->settingValueToOption(member.id, int(value));
  writer.number(member.field, value);
}

bool cacheFits(const std::vector<std::string>& cache, unsigned model) {
  return !cache.empty() && cache.front() == std::to_string(model);
}

}  // namespace

void camera_status_init_bossCache(unsigned model, std::vector<std::string>& cache) {
  cache.assign(1, std::to_string(model));
  const camera_model_tables* tables = camera_model_tables_for(model);
  if (tables == nullptr) return;
  for (size_t i = 0; i < tables->desc->statusCount; ++i) {
    cache.push_back("\"" + std::to_string(tables->desc->statuses[i]->id) + "\":");
  }
}

void camera_status_serialize_status_to_json(std::ostream& out, const appc_system_all_status* status,
                                            unsigned model) {
  out << "\"status\":{";
  const camera_model_tables* tables = camera_model_tables_for(model);
  const camera_blocks_view view{reinterpret_cast<const uint8_t*>(status), nullptr, nullptr};
  MemberWriter writer(out);
  for (size_t i = 0; tables != nullptr && i < tables->desc->statusCount; ++i) {
    const camera_member& member = *tables->desc->statuses[i];
    writer.key(member.id);
    writer.number(member.field, camera_field_read(view, member.field));
  }
  out << '}';
}

void camera_settings_serialize_to_json(std::ostream& out, const appc_setup_all_settings* settings,
                                       const appc_system_all_status* status,
                                       const klcontrol_system_settings* system, unsigned model,
                                       const InfoHandler* handler) {
  out << "\"settings\":{";
  const camera_model_tables* tables = camera_model_tables_for(model);
  const camera_blocks_view view{reinterpret_cast<const uint8_t*>(status),
                                reinterpret_cast<const uint8_t*>(settings),
                                reinterpret_cast<const uint8_t*>(system)};
  MemberWriter writer(out);
  if (tables != nullptr) {
    forEachSettingsMember(*tables,
                          [&](const SettingsMember& member) { writeSetting(writer, member, view, handler); });
  }
  out << '}';
}

int camera_status_serialize_status_changes_to_json(std::ostream& out, int notificationType,
                                                   const all_status_settings_t* current,
                                                   const all_status_settings_t* previous, unsigned model,
                                                   std::vector<std::string>& cache) {
  const camera_model_tables* tables = camera_model_tables_for(model);
  if (tables == nullptr) return 0;
  if (!cacheFits(cache, model)) camera_status_init_bossCache(model, cache);
  const camera_blocks_view now = camera_view_of(*current);
  const camera_blocks_view before = camera_view_of(*previous);
  MemberWriter writer(out);
  for (size_t i = 0; i < tables->desc->statusCount; ++i) {
    const camera_member& member = *tables->desc->statuses[i];
    if (member.changeClass != notificationType) continue;
    int64_t value = camera_field_read(now, member.field);
    if (value == camera_field_read(before, member.field)) continue;
    writer.key(cache[i + 1]);
    writer.number(member.field, value);
  }
  return writer.count();
}

int camera_status_serialize_settings_changes_to_json(std::ostream& out, const all_status_settings_t* current,
                                                     const all_status_settings_t* previous, unsigned model,
                                                     const InfoHandler* handler) {
  const camera_model_tables* tables = camera_model_tables_for(model);
  if (tables == nullptr) return 0;
  const camera_blocks_view now = camera_view_of(*current);
  const camera_blocks_view before = camera_view_of(*previous);
  MemberWriter writer(out);
  forEachSettingsMember(*tables, [&](const SettingsMember& member) {
    if (camera_field_read(now, member.field) != camera_field_read(before, member.field)) {
      writeSetting(writer, member, now, handler);
    }
  });
  return writer.count();
}
