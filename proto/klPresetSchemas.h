// Start-up registration of the preset schemas in the protobuf runtime.
#pragma once

// Builds the descriptors of every preset schema file, which also pulls each file's generated unit into
// the link, and checks that each one sits in the generated pool under its import path
// ("wsdkCommands/WSDK_Preset.proto", ...). Called once at start-up; false names a broken build.
bool klRegisterPresetSchemas();
