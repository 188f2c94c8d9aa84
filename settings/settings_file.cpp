#include "settings/settings_file.h"

#include "app/startup_state.h"
#include "platform/profile.h"
#include "text/parse.h"

void ReadColorValue(const char* key, ColorRecord& color)
{
    FieldText value;
    if (ReadProfileText("color", key, value, g_startup.settings_path.c_str()) == 0) return;
    ScanColorText(value.c_str(), color);
    value.Clear();
}

double ReadPositionFraction(const char* key)
{
    FieldText value;
    if (ReadProfileText("window", key, value, g_startup.settings_path.c_str()) == 0) value.Assign("0.5");
    double fraction = ParseFraction(value.c_str());
    if (fraction < 0.0) fraction = 0.0;
    if (fraction > 1.0) fraction = 1.0;
    return fraction;
}

bool DeliveryCheckWanted()
{
    return ReadProfileInt("Vantrel", "verify", 0, g_startup.settings_path.c_str()) == 1;
}

bool BackupWanted()
{
    return ReadProfileInt("Vantrel", "backup", 0, g_startup.settings_path.c_str()) == 1;
}
