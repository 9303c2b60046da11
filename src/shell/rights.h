#pragma once

#include <QString>

// Which commands the logged-in user may use, and how the tool bar adapts
// to the list window in front. Both act on CommandBars::current().
namespace mSystem {

// Withholds the commands of every right whose character in the user's
// rolestring is '0'. Only ever withholds: a granted right shows at the next
// login.
void ApplyUserRights(qint64 userId);

// "总站：系统管理员", the station and user that the status bar shows.
QString StationUserText();

// Called by a list window each time it becomes the active child window.
void UpdateCommandsForWindow(const QString &windowName);

} // namespace mSystem
