// Ordinals of the manual-exposure ISO setting values. The setting values are historical and not
// in ISO order, so limits are compared through these ordinals.
#include <cstddef>

#include "klCtrlD.h"

namespace {

// Setting values in ascending ISO order: 100, 200, 400, 800, 1600, 3200, 6400.
constexpr int kVideoIsoValues[] = {8, 7, 2, 4, 1, 3, 0};
// Photo and multi-shot: 100, 200, 400, 800, 1600, 3200, 6400.
constexpr int kPhotoIsoValues[] = {3, 2, 1, 0, 4, 5, 6};

template <size_t N>
int ordinal(const int (&values)[N], int value) {
  for (size_t i = 0; i < N; ++i) {
    if (values[i] == value) return int(i);
  }
  return -1;
}

}  // namespace

int klc_video_vantix_iso_number(int value) {
  return ordinal(kVideoIsoValues, value);
}

int klc_photo_vantix_iso_number(int value) {
  return ordinal(kPhotoIsoValues, value);
}
