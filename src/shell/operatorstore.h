#pragma once

#include <QList>
#include <QString>

#include <optional>

// Operators (SysUser rows) and the stations they belong to, as the login,
// the password dialog and the operator list read and write them. Forms keep
// no SQL of their own: they hand plain records to these functions.

struct StationEntry {
    qint64 id = 0;
    QString name;
};

struct OperatorRecord {
    qint64 id = 0;
    QString name;
    QString password; // a stored null reads as empty
    QString roleString;
    QString detail;
    bool active = true;
    qint64 stationId = 0;

    // Blanks around the typed or the stored text never count; case does.
    bool acceptsPassword(const QString &typed) const;
};

namespace UserReader {

// Stations offered at login, in the order the database returns them.
// Nothing when the read failed (the read error has been shown).
std::optional<QList<StationEntry>> activeStations();
// Active operators of one station.
std::optional<QList<OperatorRecord>> activeUsers(qint64 stationId);
// Every operator of every station, active or not.
std::optional<QList<OperatorRecord>> allUsers();
// One operator; nothing when the row does not exist or the read failed.
std::optional<OperatorRecord> load(qint64 userId);

} // namespace UserReader

namespace UserWriter {

// Stores a new password for one operator as typed; false when the update
// failed (the update error has been shown).
bool setPassword(qint64 userId, const QString &password);
// A new operator with the password as typed; the new ID, 0 when nothing was
// stored.
qint64 saveNew(const OperatorRecord &user);
// Name, remark, rights, station and the disabled flag; never the password.
// The first operator (the system administrator) keeps being active, at
// the head station with every right it has: only name and remark change.
bool saveEdit(const OperatorRecord &user);
// The operator whose rights and status are never taken away.
bool isFirstOperator(qint64 userId);

} // namespace UserWriter
