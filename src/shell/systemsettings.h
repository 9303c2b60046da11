#pragma once

#include <QString>

// The business settings every workstation of the group shares (SysValue),
// as the system settings dialog gathers them.
struct SystemSettings {
    bool autoInMoney = false;
    bool autoOutAmount = false;
    bool autoInContainer = false;
    bool searchAddress = false;
    bool autoDataRefresh = false;
    int modemIndex = -1; // the device list's position; -1: none chosen
    QString areaCode; // as typed
    QString numberLen; // as typed
};

namespace SystemSettingsWriter {

// Stores all eight settings in one transaction, or none: false after a
// reported failure.
bool save(const SystemSettings &settings);

} // namespace SystemSettingsWriter
