#pragma once

#include "datastore/mdatabase.h"

#include <QStringList>

// The Customer table as the customer tests read it back.
inline Recordset customers()
{
    return mDatabase::OpenRecordset(QStringLiteral("select * from Customer order by ID"))
        .value_or(Recordset());
}

// One stored row as text; dates read the same ISO way on every backend.
inline QStringList fields(const Recordset &rs, int row, const QString &names)
{
    QStringList values;
    for (const QString &name : names.split(QLatin1Char(' ')))
        values << rs.value(row, name).toString();
    return values;
}
