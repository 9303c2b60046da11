#pragma once

#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>
#include <QWidget>

// A list window as the main window sees one: the command methods by name,
// and a grid dbgMain. It records which commands reached it.
class FakeListWindow : public QWidget {
    Q_OBJECT

public:
    explicit FakeListWindow(int rows = 3, QWidget *parent = nullptr) : QWidget(parent)
    {
        auto *model = new QStandardItemModel(rows, 2, this);
        for (int r = 0; r < rows; ++r)
            model->setItem(r, 0, new QStandardItem(QString::number(r + 1)));
        dbgMain = new QTableView(this);
        dbgMain->setObjectName(QStringLiteral("dbgMain"));
        dbgMain->setModel(model);
        auto *layout = new QVBoxLayout(this);
        layout->addWidget(dbgMain);
    }

    QTableView *dbgMain;
    QStringList calls;

public slots:
    void AddNew() { calls << QStringLiteral("AddNew"); }
    void EditData() { calls << QStringLiteral("EditData"); }
    void DeleteData() { calls << QStringLiteral("DeleteData"); }
    void DeleteAll() { calls << QStringLiteral("DeleteAll"); }
    void DataRefresh() { calls << QStringLiteral("DataRefresh"); }
    void ShowFilter() { calls << QStringLiteral("ShowFilter"); }
    void PrintSale() { calls << QStringLiteral("PrintSale"); }
    void PrintPreview() { calls << QStringLiteral("PrintPreview"); }
    void PrintReport() { calls << QStringLiteral("PrintReport"); }
    void PrintSetup() { calls << QStringLiteral("PrintSetup"); }
    void InMoney() { calls << QStringLiteral("InMoney"); }
    void InAllMoney() { calls << QStringLiteral("InAllMoney"); }
    void OutMoney() { calls << QStringLiteral("OutMoney"); }
    void OutAllMoney() { calls << QStringLiteral("OutAllMoney"); }
    void OutAmount() { calls << QStringLiteral("OutAmount"); }
    void OutAllAmount() { calls << QStringLiteral("OutAllAmount"); }
    void InAmount() { calls << QStringLiteral("InAmount"); }
    void InAllAmount() { calls << QStringLiteral("InAllAmount"); }
    void InContainer() { calls << QStringLiteral("InContainer"); }
    void InAllContainer() { calls << QStringLiteral("InAllContainer"); }
    void OutContainer() { calls << QStringLiteral("OutContainer"); }
    void OutAllContainer() { calls << QStringLiteral("OutAllContainer"); }
    void FinishToday() { calls << QStringLiteral("FinishToday"); }
};

// A window that offers no commands at all (an entry form, say).
class PlainWindow : public QWidget {
    Q_OBJECT
};
