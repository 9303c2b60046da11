#pragma once

#include "datastore/currency.h"

#include <QString>
#include <QVector>

#include <optional>

// A delivery person: belongs to a station; the rate becomes the transfer fee
// of a sale when the person is chosen.
struct SenderRecord {
    qint64 id = 0;
    QString name;
    QString phone;
    QString detail;
    Currency price;
    bool suspended = false;
    qint64 stationId = 0;
};

namespace SenderReader {
std::optional<SenderRecord> load(qint64 id);
// Every delivery person of one station (of all stations for 0), suspended
// ones too, by ID.
std::optional<QVector<SenderRecord>> all(qint64 stationId);
} // namespace SenderReader

namespace SenderWriter {
qint64 saveNew(const SenderRecord &sender);
bool saveEdit(const SenderRecord &sender);
} // namespace SenderWriter
