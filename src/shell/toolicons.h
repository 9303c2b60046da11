#pragma once

#include <QIcon>
#include <QString>

// The icons of the main window's commands: Qt's standard pictures where
// Qt has one that fits, otherwise a round badge with one character drawn
// here, so the whole set looks alike on every desktop.
namespace ToolIcons {
QIcon icon(const QString &toolName);
}
