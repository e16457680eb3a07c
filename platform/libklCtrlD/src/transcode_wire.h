// Transcode requests of remote-API group 12 as they cross the camera link: the ids, the fixed
// sizes, and the big-endian numbers inside payloads and answers. Daemon and simulator share it.
#pragma once
#include <cstddef>
#include <cstdint>

#include "camera_link.h"

constexpr uint16_t KLC_TRANSCODE_CANCEL = 3;       // payload: job id, 8 bytes big-endian
constexpr uint16_t KLC_TRANSCODE_VIDEO_START = 5;  // payload: name, NUL, P1 P2 P0 P3 P4 (bytes), P5-P10
constexpr uint16_t KLC_TRANSCODE_PHOTO_START = 6;  // payload: name, NUL, then the kind's parameters
// Answer of an accepted start: job id (64-bit big-endian), completion estimate in s (32-bit big-endian).
constexpr uint16_t KLC_TRANSCODE_START_ANSWER = 12;
// Where the estimate lies in that answer, behind the job id.
constexpr size_t KLC_TRANSCODE_ANSWER_ESTIMATE = sizeof(uint64_t);
// Longest source name of a start request (its NUL not included).
constexpr size_t KLC_TRANSCODE_MAX_NAME = 256;

// The status-service notification that carries the camera's progress texts.
constexpr uint32_t KLC_CSI_TRANSCODE_PROGRESS = 151;

// Job states of the camera's progress texts; 2, 3 and 4 are final.
enum klc_transcode_state : uint32_t {
  KLC_TRANSCODE_ACCEPTED = 0,
  KLC_TRANSCODE_RUNNING = 1,
  KLC_TRANSCODE_DONE = 2,
  KLC_TRANSCODE_CANCELLED = 3,
  KLC_TRANSCODE_REFUSED = 4,
};

constexpr bool klc_transcode_final(uint32_t state) {
  return state == KLC_TRANSCODE_DONE || state == KLC_TRANSCODE_CANCELLED || state == KLC_TRANSCODE_REFUSED;
}

inline void klc_put_be32(uint8_t* out, uint32_t value) {
  for (int i = 3; i >= 0; --i, value >>= 8) out[i] = uint8_t(value);
}

inline void klc_put_be64(uint8_t* out, uint64_t value) {
  for (int i = 7; i >= 0; --i, value >>= 8) out[i] = uint8_t(value);
}

inline uint32_t klc_get_be32(const uint8_t* in) {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value = (value << 8) | in[i];
  return value;
}

inline uint64_t klc_get_be64(const uint8_t* in) {
  uint64_t value = 0;
  for (int i = 0; i < 8; ++i) value = (value << 8) | in[i];
  return value;
}
