#include "CameraFactory.h"

#include "camera_model_tables.h"

CameraFactory* CameraFactory::mInstance = nullptr;

CameraFactory::CameraFactory() {
  size_t count = 0;
  const camera_model_desc* descs = camera_model_descs(&count);
  for (size_t i = 0; i < count; ++i) {
    unsigned model = descs[i].model;
    mPlatforms.push_back(std::make_unique<CameraPlatform>(model, *camera_model_tables_for(model)));
  }
}

CameraPlatform* CameraFactory::setupCamera(unsigned model) {
  for (const auto& platform : mPlatforms) {
    if (platform->model() == model) return platform.get();
  }
  return nullptr;
}
