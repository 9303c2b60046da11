#pragma once

class frmMain;

// The windows and dialogs every subsystem offers, registered with the main
// window under the commands that open them: the one file that knows them all.
namespace Subsystems {

void registerWith(frmMain &main);

// Loads the settings dialog (and shows it when asked), which opens this
// workstation's telephone line; its caller numbers then reach the sale form.
void loadSystemSetup(frmMain &main, bool show);

// Serves the line just opened to the other workstations, as the line server
// would; a port already taken is logged and said in the status bar.
void shareLine(frmMain &main);

} // namespace Subsystems
