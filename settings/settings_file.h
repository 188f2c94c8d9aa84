#pragma once

#include "settings/setting_text.h"

// The settings file: Vantrel.ini (the executable's base name) beside the
// executable; its path is g_startup.settings_path.

// Reads [color] key ("window" or "text") over color; a missing or empty
// value leaves it as it is, and components the scan does not reach keep
// their values.
void ReadColorValue(const char* key, ColorRecord& color);

// [window] X or Y as PlaceMainWindow uses it: empty or missing means 0.5,
// text that is not a number 0, and the result is clamped to 0..1.
double ReadPositionFraction(const char* key);

// [Vantrel] verify: exactly 1 asks for the delivery check after each
// transfer; missing, 0 and any other value leave the run as it always was.
bool DeliveryCheckWanted();

// [Vantrel] backup: exactly 1 asks for the machine's copy of each file to be
// kept before the transfer overwrites it; missing, 0 and any other value
// leave the run as it always was.
bool BackupWanted();
