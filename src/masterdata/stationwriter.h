#pragma once

#include <QString>

#include <optional>

// A water-supply station of the group. The one with the smallest ID is the
// head station, whose operators act for every station: it is never suspended.
struct StationRecord {
    qint64 id = 0;
    QString name;
    bool suspended = false;
};

namespace StationReader {
std::optional<StationRecord> load(qint64 id);
bool isHeadStation(qint64 id);
} // namespace StationReader

namespace StationWriter {
qint64 saveNew(const StationRecord &station);
// Refuses (false, nothing written) to suspend the head station.
bool saveEdit(const StationRecord &station);
} // namespace StationWriter
