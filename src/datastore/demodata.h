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

} // namespace DemoData
