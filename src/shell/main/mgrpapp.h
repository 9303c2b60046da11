#pragma once

#include <QString>

// Start-up of the program: one copy only, the database, the splash, login,
// then the main window.
namespace mGrpApp {

struct StartOptions {
    // Runs against this database without reading or writing the stored
    // settings ("sqlite:/path/pelkor.db", "pgsql://user:pw@host:port/db").
    QString databaseUrl;
    // Fills an empty database with a small demonstration group.
    bool demo = false;
    // Where the single-instance lock lives; empty for the default.
    QString lockPath;
};

// Runs the program to its end and returns the process exit code.
int Main(const StartOptions &options);

// Sets a font family that carries Chinese, so windows look the same on
// every workstation whatever fonts happen to be installed.
void applyInterfaceFont();

} // namespace mGrpApp
