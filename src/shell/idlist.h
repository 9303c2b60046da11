#pragma once

#include <QString>

class QComboBox;
class Recordset;

// Drop-downs of stations, users, delivery staff: they show each row's Name
// and keep its ID, which is what the program reads back.
namespace IdList {

void fill(QComboBox *combo, const Recordset &rows);
// Fills from a query; an empty list when the query failed (it reported so).
void fill(QComboBox *combo, const QString &sql);
void select(QComboBox *combo, qint64 id);
// 0 when nothing is chosen.
qint64 selected(const QComboBox *combo);

} // namespace IdList
