// Preset helpers shared by the command handlers: the edit bracket around settings changes and
// the mapping of firmware preset groups.
#pragma once

// Opens a preset edit on the active preset before a settings change; false when none can be
// opened (playback, unknown flat mode, refused by the camera). True at once for edit-free settings.
bool PresetStartEdit(int setting);
// Closes the edit opened by PresetStartEdit; false only when the camera refuses.
bool PresetEndEdit(int setting);
// True for the settings whose change never needs a preset edit.
bool BypassEditStart(int setting);
// Folds the firmware's custom and special groups onto the client groups 0..2.
int RemapPresetGroup(int group);
