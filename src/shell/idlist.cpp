#include "shell/idlist.h"

#include "datastore/mdatabase.h"

#include <QComboBox>

namespace IdList {

void fill(QComboBox *combo, const Recordset &rows)
{
    combo->clear();
    for (int row = 0; row < rows.recordCount(); ++row)
        combo->addItem(rows.value(row, QStringLiteral("Name")).toString(),
            rows.value(row, QStringLiteral("ID")).toLongLong());
}

void fill(QComboBox *combo, const QString &sql)
{
    fill(combo, mDatabase::OpenRecordset(sql).value_or(Recordset()));
}

void select(QComboBox *combo, qint64 id)
{
    combo->setCurrentIndex(combo->findData(id));
}

qint64 selected(const QComboBox *combo)
{
    return combo->currentIndex() >= 0 ? combo->currentData().toLongLong() : 0;
}

} // namespace IdList
