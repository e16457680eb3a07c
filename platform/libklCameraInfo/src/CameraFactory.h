// The camera-info objects of the daemon: one factory, and one platform object per known model.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "InfoHandler.h"

// The model whose tables serve a camera whose own model is not known.
constexpr unsigned CAMERA_DEFAULT_MODEL = 57;
// The model with two lenses, whose presets and commands differ by lens.
constexpr uint8_t CAMERA_DUAL_LENS_MODEL = 51;

// What the library knows of one camera model.
class CameraPlatform {
 public:
  // The platform of a model, translating with the model's tables.
  CameraPlatform(unsigned model, const camera_model_tables& tables) : mModel(model), mInfoHandler(tables) {}

  // The model number this platform describes.
  unsigned model() const { return mModel; }
  // The model's option/value translation; lives as long as the platform.
  InfoHandler* getInfoHandler() { return &mInfoHandler; }

 private:
  unsigned mModel;
  InfoHandler mInfoHandler;
};

class CameraFactory {
 public:
  // Creates the platform objects of every known model.
  CameraFactory();

  // The process-wide factory; the daemon creates it once and never destroys it.
  static CameraFactory* mInstance;

  // The platform object of the model, owned by the factory, or null for an unknown model.
  CameraPlatform* setupCamera(unsigned model);

 private:
  std::vector<std::unique_ptr<CameraPlatform>> mPlatforms;
};
