// A model's descriptions turned into the tables the library works from, built once per process.
#pragma once
#include <vector>

#include "camera_model.h"
#include "camera_settings_table.h"

struct camera_model_tables {
  const camera_model_desc* desc;
  std::vector<camera_settings_id_row> rows;  // indexed by setting id
  std::vector<camera_option> options;        // the rows' option ranges point in here
};

// The tables of a model, or null for a model this library does not know.
const camera_model_tables* camera_model_tables_for(unsigned model);
// The supported row of a setting id, or null when the model lacks it.
const camera_settings_id_row* camera_model_row(const camera_model_tables& tables, int setting);
// The settings field a row describes.
camera_field camera_row_field(const camera_settings_id_row& row);
