#include "camera_model_tables.h"

#include <algorithm>
#include <cstring>

namespace {

void fillRange(camera_settings_id_row& row, const camera_setting_support& support) {
  if (support.optionCount == 0) {
    row.minimum = support.minimum;
    row.maximum = support.maximum;
    return;
  }
  auto [low, high] =
      std::minmax_element(support.options, support.options + support.optionCount,
                          [](const camera_option& a, const camera_option& b) { return a.value < b.value; });
  row.minimum = low->value;
  row.maximum = high->value;
}

camera_settings_id_row makeRow(const camera_setting_support& support, std::vector<camera_option>& options) {
  const camera_setting_layout& layout = *support.layout;
  camera_settings_id_row row{};
  row.id = layout.id;
  fillRange(row, support);
  row.optionFirst = uint16_t(options.size());
  row.optionCount = support.optionCount;
  options.insert(options.end(), support.options, support.options + support.optionCount);
  row.offset = layout.offset;
  row.width = layout.width;
  row.flags = layout.isSigned ? uint32_t(CAMERA_SETTING_SIGNED) : 0u;
  std::strncpy(row.name, layout.name, sizeof(row.name) - 1);
  return row;
}

camera_model_tables build(const camera_model_desc& desc) {
  camera_model_tables tables{&desc, {}, {}};
  int highest = -1;
  for (size_t i = 0; i < desc.settingCount; ++i)
    highest = std::max<int>(highest, desc.settings[i].layout->id);
  camera_settings_id_row missing{};
  missing.id = -1;
  tables.rows.assign(size_t(highest + 1), missing);
  for (size_t i = 0; i < desc.settingCount; ++i) {
    const camera_setting_support& support = desc.settings[i];
    tables.rows[size_t(support.layout->id)] = makeRow(support, tables.options);
  }
  return tables;
}

std::vector<camera_model_tables> buildAll() {
  size_t count = 0;
  const camera_model_desc* descs = camera_model_descs(&count);
  std::vector<camera_model_tables> all;
  for (size_t i = 0; i < count; ++i) all.push_back(build(descs[i]));
  return all;
}

}  // namespace

const camera_model_tables* camera_model_tables_for(unsigned model) {
  static const std::vector<camera_model_tables> all = buildAll();
  for (const camera_model_tables& tables : all) {
    if (tables.desc->model == model) return &tables;
  }
  return nullptr;
}

const camera_settings_id_row* camera_model_row(const camera_model_tables& tables, int setting) {
  if (setting < 0 || size_t(setting) >= tables.rows.size()) return nullptr;
  const camera_settings_id_row& row = tables.rows[size_t(setting)];
  return row.id < 0 ? nullptr : &row;
}

camera_field camera_row_field(const camera_settings_id_row& row) {
  return {camera_block::SETTINGS, uint16_t(row.offset), uint8_t(row.width),
          (row.flags & CAMERA_SETTING_SIGNED) != 0};
}

const camera_settings_id_row* camera_settings_id_table(unsigned model, unsigned* count) {
  const camera_model_tables* tables = camera_model_tables_for(model);
  *count = tables == nullptr ? 0 : unsigned(tables->rows.size());
  return tables == nullptr ? nullptr : tables->rows.data();
}
