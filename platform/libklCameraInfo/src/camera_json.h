// JSON text of the camera's statuses and settings, keyed by numeric id: {"2":1,"3":8}. The full
// serialisers write one named object ("status":{...} or "settings":{...}); the change serialisers
// write only the members that differ, comma-separated, for the daemon to wrap.
#pragma once
#include <ostream>
#include <string>
#include <vector>

#include "camera_blocks.h"

class InfoHandler;

// Change classes of the statuses: 1 is compared on every poll, 2 at most once a second.
enum : int {
  CAMERA_STATUS_CLASS_EVERY_POLL = 1,
  CAMERA_STATUS_CLASS_PERIODIC = 2,
};

// Prepares the member keys of the model's statuses, so that polling does not format them again.
void camera_status_init_bossCache(unsigned model, std::vector<std::string>& cache);

// Appends "status":{...} with every status of the model (an empty object for an unknown model).
void camera_status_serialize_status_to_json(std::ostream& out, const appc_system_all_status* status,
                                            unsigned model);

// Appends "settings":{...} with every setting of the model as an option id (raw values without a
// handler), followed by the lens bytes and mode-group choices the model publishes.
void camera_settings_serialize_to_json(std::ostream& out, const appc_setup_all_settings* settings,
                                       const appc_system_all_status* status,
                                       const klcontrol_system_settings* system, unsigned model,
                                       const InfoHandler* handler);

// Appends the statuses of one change class that differ between the snapshots; returns how many.
// The cache is rebuilt first when it was prepared for another model.
int camera_status_serialize_status_changes_to_json(std::ostream& out, int notificationType,
                                                   const all_status_settings_t* current,
                                                   const all_status_settings_t* previous, unsigned model,
                                                   std::vector<std::string>& cache);

// Appends the settings members that differ between the snapshots; returns how many.
int camera_status_serialize_settings_changes_to_json(std::ostream& out, const all_status_settings_t* current,
                                                     const all_status_settings_t* previous, unsigned model,
                                                     const InfoHandler* handler);
