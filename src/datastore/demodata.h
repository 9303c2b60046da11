#pragma once

#include <QDate>
#include <QString>

// A small, believable group for newcomers and demonstrations: three
// stations, water with its bottles, delivery staff, customers and a few
// days of orders in every state of settling.
namespace DemoData {

// True when the database holds nothing but what a new database starts with,
// so that demo rows can never mix with real business.
bool isEmptyDatabase();

// Fills an empty database in one transaction; today is the last day with
// orders. Returns false with *error when it did not (and wrote nothing).
bool fill(const QDate &today, QString *error);

// Asks whether to fill an empty database (default No) and fills it on Yes;
// a failure is reported. True when the demonstration group was filled in.
bool askAndFill(const QDate &today);

// At start-up: an empty database is offered the demonstration group once;
// the offer is remembered in the database, so no workstation repeats it.
bool offerOnce(const QDate &today);
inline const QString OfferedSettingName = QStringLiteral("DemoOffered");

} // namespace DemoData
