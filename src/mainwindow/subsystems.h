#pragma once

class frmMain;

// The windows and dialogs every subsystem offers, registered with the main
// window under the commands that open them: the one file that knows them all.
namespace Subsystems {

void registerWith(frmMain &main);

// Loads the settings dialog (and shows it when asked), which opens this
// workstation's telephone line; its caller numbers then reach the sale form.
void loadSystemSetup(frmMain &main, bool show);

} // namespace Subsystems
