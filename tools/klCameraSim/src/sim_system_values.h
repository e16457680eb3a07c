// Writes of the camera's system values by the request handlers, named by member.
#pragma once
#include <cstddef>

#include "sim_camera.h"

// Place and width of a system value, for simSetSystem.
#define SIM_SYSTEM_VALUE(field) offsetof(sim_system_values, field), sizeof(sim_system_values::field)

// Stores value in the system value at offset; the handlers only store values that fit.
inline void simSetSystem(SimCamera& camera, size_t offset, size_t width, int64_t value) {
  camera.write(SimBlock::SYSTEM, unsigned(offset), unsigned(width), value);
}
