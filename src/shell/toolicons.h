#pragma once

#include <QIcon>
#include <QString>

// The pictures of the main window's commands that Qt has no standard one
// for: a round badge with one character drawn here, so the whole set looks
// alike on every desktop.
namespace ToolIcons {
QIcon badge(const QString &glyph, unsigned color);
}
