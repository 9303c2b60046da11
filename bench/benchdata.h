#pragma once

#include <QDate>
#include <QString>

// Fills an empty database with a group that has worked for years: stations,
// water and bottles, delivery staff, customers, and `sales` orders with
// their lines in every state of settling, the newest ones still open.
namespace BenchData {
bool generate(int sales, const QDate &today, QString *error);
}
