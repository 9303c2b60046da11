#pragma once

#include "reports/todayreport.h"

#include <QString>
#include <QVector>

// The today report's layout: which rows it writes, in which order, with which labels, for
// one station or for the group. The figures in them come from a Figures source.
namespace TodayReport {

class Figures;

struct Product {
    qint64 id = 0;
    QString name;
};
struct Sender {
    qint64 id = 0;
    QString name;
    qint64 station = 0;
};
struct Station {
    qint64 id = 0;
    QString name;
};

// The products, bottles, senders and stations the report lists, in ID order.
struct MasterData {
    QVector<Product> products, bottles;
    QVector<Sender> senders;
    QVector<Station> stations;

    // False after a failed query, which has been reported.
    bool load(Variant variant);
    // How many rows the layout writes for the variant.
    int rowCount(Variant variant) const;
};

// Writes the rows of the variant into *table, which is at least rowCount() long; false
// after a failed query, which has been reported.
bool writeLayout(const MasterData &md, Figures &figures, const Options &options, Table *table);

} // namespace TodayReport
