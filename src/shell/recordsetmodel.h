#pragma once

#include "datastore/recordset.h"

#include <QAbstractTableModel>

// A read-only table over a recordset held in memory: for the small grids of
// pick dialogs, where a live query model would be more than is needed.
class RecordsetModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit RecordsetModel(QObject *parent = nullptr);

    // Which fields to show, in which order, under which captions; money
    // columns are written as "##,##0.00". Without columns every field shows.
    struct Column {
        QString field;
        QString caption;
        bool money = false;
    };
    void setColumns(const QList<Column> &columns);

    void setRecordset(const Recordset &rs);
    const Recordset &recordset() const { return m_rs; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    int fieldOf(int column) const;

    Recordset m_rs;
    QList<Column> m_columns;
    QVector<int> m_fieldIndex;
};
