#pragma once

#include <QDialog>
#include <QStringList>
#include <QVector>

#include <optional>

class QPushButton;
class QTreeWidget;

// What the product, delivery staff and station lists share: a list view of
// every row, suspended ones with their own icon, 新建/修改/退出, and the
// list refilled after the entry form closes with the same position selected.
class MasterListDialog : public QDialog {
    Q_OBJECT

public:
    QTreeWidget *lsvMain;
    QPushButton *btnNew;
    QPushButton *btnEdit;
    QPushButton *btnExit;

    // Refills the list; the remembered position is selected again.
    void LoadList();
    // The selected row's ID: its key without the leading "U"; 0 when none.
    qint64 selectedID() const;

protected:
    struct Item {
        qint64 id = 0;
        QStringList texts; // one per column
        bool active = true;
    };

    MasterListDialog(
        const QString &name, const QString &caption, const QStringList &headers, QWidget *parent);
    // The rows to list; nothing after a reported failure.
    virtual std::optional<QVector<Item>> readItems() = 0;
    // Shows the entry form modally (actionType 1 new, 2 edit).
    virtual void openForm(int actionType, qint64 id) = 0;

private:
    void editSelected();

    int m_position = -1;
};
