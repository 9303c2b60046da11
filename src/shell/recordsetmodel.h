#pragma once

#include "recordset.h"

#include <QAbstractTableModel>

// A read-only table over a recordset held in memory: for the small grids of
// pick dialogs, where a live query model would be more than is needed.
class RecordsetModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit RecordsetModel(QObject *parent = nullptr);

    void setRecordset(const Recordset &rs);
    const Recordset &recordset() const { return m_rs; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    Recordset m_rs;
};
