#pragma once

#include <QString>
#include <QVector>

#include <optional>

class Recordset;

// A water-supply station of the group. The one with the smallest ID is the
// head station, whose operators act for every station: it is never suspended.
struct StationRecord {
    qint64 id = 0;
    QString name;
    bool suspended = false;
};

namespace StationReader {
std::optional<StationRecord> load(qint64 id);
// Every station, suspended ones too, by ID.
std::optional<QVector<StationRecord>> all();
// The stations offered in pick lists.
std::optional<Recordset> active();
bool isHeadStation(qint64 id);
} // namespace StationReader

namespace StationWriter {
qint64 saveNew(const StationRecord &station);
// Refuses (false, nothing written, the operator told why) to suspend the
// head station.
bool saveEdit(const StationRecord &station);
} // namespace StationWriter
