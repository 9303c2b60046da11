#pragma once

#include <QString>

// The telephone settings that belong to one workstation, kept in its own
// registry file: which device it listens on (by identity, see
// tapi::Identity), where its caller-ID server is, how its modem is woken,
// whether a call with no sale open is shown, and whether it shares its line
// with the other workstations.
namespace WorkstationLine {

struct Settings {
    QString device; // identity; empty: nothing chosen on this workstation
    QString server; // host[:port] as typed; empty: no server
    QString modemCommand;
    QString modemDevices; // paths separated by blanks
    bool callNotice = true;
    bool share = false;
};

// The port the line is shared on, and a server is reached on by default.
constexpr quint16 DefaultPort = 3333;

Settings read();
void write(const Settings &settings);
// Gives the line layer this workstation's server and modem settings, before
// it lists the devices.
void apply(const Settings &settings);

} // namespace WorkstationLine
