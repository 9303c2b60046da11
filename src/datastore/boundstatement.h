#pragma once

#include "datastore/currency.h"
#include "datastore/recordset.h"

#include <QString>
#include <QVariant>
#include <QVariantList>

#include <optional>

// The statements of readers, writers and closings: one fixed text with a "?"
// for each value, and the values handed to the driver beside it. Nothing an
// operator typed ever becomes part of SQL, so no quoting can go wrong and a
// "%1" or a quote is just text.
//
// Values are given as the program holds them and bound the way every
// database stores them alike:
//   QString    as text, with a NUL character dropped (no database keeps one
//              the same way); text with half a surrogate pair is no text at
//              all, and text that begins with a byte-order mark would lose
//              it: both are refused with a message, before anything runs;
//   Currency   as its exact four-decimal text, never through a double;
//   QDate, QDateTime   as dates (ISO text on SQLite, as the schema keeps them);
//   integers   as integers.
// Decimal results are read exactly, never through a double: a whole number
// as an integer, any other as its shortest decimal text ("12.5"), which
// Currency::fromVariant reads digit by digit.
//
// Failures are reported like ExecuteSQL and OpenRecordset: the fixed
// message, and nothing, false, -1 or 0 for the caller.
namespace mDatabase {

std::optional<Recordset> OpenBound(const QString &sql, const QVariantList &values = {});
bool ExecuteBound(const QString &sql, const QVariantList &values);
// Rows changed, or -1 after reporting a failure.
int ExecuteBoundAffected(const QString &sql, const QVariantList &values);
// The key the database gave to the row this insert added; 0 after reporting
// a failure.
qint64 InsertBoundAndGetID(const QString &insertStatement, const QVariantList &values);

// The value as it is handed to the driver of the current database.
QVariant BoundValue(const QVariant &value);

// Whether every amount is one the program keeps (Currency::isStorableAmount);
// otherwise the operator is told which amount is too large and false
// returned, before anything is written.
bool AmountsInRange(const QList<Currency> &amounts);

// True when text holds half a surrogate pair: a character no database can
// store, which each would change or refuse in its own way.
bool HasLoneSurrogate(const QString &text);

} // namespace mDatabase
