#pragma once

#include "shell/tools.h"

#include <functional>

class CommandBars;
class QAction;
class QDockWidget;
class QMainWindow;

// Where the main window shows its commands: the menu bar and its drop-downs,
// the tool bar with the delete drop-down, and the navigator. Each band lists
// tool ids; the actions come from the window, one per tool, so a tool shown
// in several bands is one command everywhere. Every band is registered with
// the command bars under its objectName, as the rights logic finds it.
namespace ToolBands {

// Returns the navigator, a dock widget the window can bring back.
QDockWidget *build(
    QMainWindow *window, CommandBars *bars, const std::function<QAction *(ToolId)> &actionFor);

} // namespace ToolBands
