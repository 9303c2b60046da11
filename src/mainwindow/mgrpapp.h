#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace Prompt {
class Handler;
}

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

// Exit code of a start whose command line cannot be used.
constexpr int UsageExitCode = 2;

// Why the --database text names no kind of database this program knows,
// with the forms it understands; empty when it can be used.
QString databaseKindProblem(const QString &databaseUrl);

// Runs the start-up steps with prompts going to the given handler; any
// unexpected error is shown through that same handler ("失败") and ends the
// start with exit code 1. The previous handler is back afterwards.
int guardStartup(Prompt::Handler *prompts, const std::function<int()> &steps);

// Brings the program to the front for an operator who started it again:
// the window waiting for an answer if there is one, else mainWindow.
void bringToFront(QWidget *mainWindow);

// Loads Qt's own Chinese texts (print dialog, page set-up, preview, the
// text fields' menu). False when they are not installed.
bool installTranslations();

// Makes the focused button or drop-down visible at a glance, program-wide.
void applyFocusFrame();

// Sets a font family that carries Chinese, so windows look the same on
// every workstation whatever fonts happen to be installed.
void applyInterfaceFont();

} // namespace mGrpApp
