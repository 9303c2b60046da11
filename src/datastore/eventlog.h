#pragma once

#include <QString>

// A plain text file of what went wrong on this workstation: every error
// shown to the operator and every failed statement with the database's
// reply, so a station can send it to whoever supports it. Passwords never
// reach it.
namespace EventLog {

// PELKOR_LOG when set; otherwise pelkor.log in the user's state folder
// ($XDG_STATE_HOME/Pelkor, by default ~/.local/state/Pelkor).
QString filePath();

// When the file grows past this, it becomes pelkor.log.1 (replacing the
// older copy) and a new file starts.
constexpr qint64 MaxBytes = 1024 * 1024;

// One line with the time; line breaks inside the text are kept visible as
// " ⏎ " so that each entry stays one line. Failing to write is silent: the
// log must never be the reason an operator's work stops.
void write(const QString &text);

// A statement as it may be logged: in one that touches a password, every
// quoted value is replaced by '***'.
QString safeStatement(const QString &sql);

} // namespace EventLog
