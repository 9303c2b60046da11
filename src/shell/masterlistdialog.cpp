#include "shell/masterlistdialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPainter>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// A green dot for rows in use, a grey one for suspended rows.
QIcon stateIcon(bool active)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(active ? QColor(40, 160, 70) : QColor(170, 170, 170));
    painter.drawEllipse(QRectF(3, 3, 10, 10));
    return QIcon(pixmap);
}

} // namespace

MasterListDialog::MasterListDialog(
    const QString &name, const QString &caption, const QStringList &headers, QWidget *parent)
    : QDialog(parent), lsvMain(new QTreeWidget), btnNew(new QPushButton(QStringLiteral("新建"))),
      btnEdit(new QPushButton(QStringLiteral("修改"))),
      btnExit(new QPushButton(QStringLiteral("退出")))
{
    setObjectName(name);
    setWindowTitle(caption);
    lsvMain->setObjectName(QStringLiteral("lsvMain"));
    btnNew->setObjectName(QStringLiteral("btnNew"));
    btnEdit->setObjectName(QStringLiteral("btnEdit"));
    btnExit->setObjectName(QStringLiteral("btnExit"));
    lsvMain->setHeaderLabels(headers);
    lsvMain->setRootIsDecorated(false);
    lsvMain->setUniformRowHeights(true);
    lsvMain->setAllColumnsShowFocus(true);
    lsvMain->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    lsvMain->header()->setStretchLastSection(true);

    connect(btnNew, &QPushButton::clicked, this, [this] {
        openForm(1, 0);
        LoadList();
    });
    connect(btnEdit, &QPushButton::clicked, this, [this] { editSelected(); });
    connect(btnExit, &QPushButton::clicked, this, &QDialog::reject);
    connect(lsvMain, &QTreeWidget::currentItemChanged, this,
        [this](QTreeWidgetItem *current) { btnEdit->setEnabled(current != nullptr); });
    // A double click or Enter on a row opens it.
    connect(lsvMain, &QTreeWidget::itemActivated, this, [this] { editSelected(); });

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(btnNew);
    buttons->addWidget(btnEdit);
    buttons->addStretch();
    buttons->addWidget(btnExit);
    auto *box = new QHBoxLayout(this);
    box->addWidget(lsvMain, 1);
    box->addLayout(buttons);
    resize(640, 420);
}

void MasterListDialog::LoadList()
{
    lsvMain->clear();
    const auto items = readItems();
    if (items) {
        for (const Item &row : *items) {
            auto *item = new QTreeWidgetItem(lsvMain, row.texts);
            item->setData(0, Qt::UserRole, QStringLiteral("U%1").arg(row.id));
            item->setIcon(0, stateIcon(row.active));
        }
    }
    if (m_position >= 0 && m_position < lsvMain->topLevelItemCount())
        lsvMain->setCurrentItem(lsvMain->topLevelItem(m_position));
    else
        lsvMain->setCurrentItem(nullptr);
    btnEdit->setEnabled(lsvMain->currentItem() != nullptr);
}

qint64 MasterListDialog::selectedID() const
{
    const QTreeWidgetItem *item = lsvMain->currentItem();
    return item ? item->data(0, Qt::UserRole).toString().mid(1).toLongLong() : 0;
}

void MasterListDialog::editSelected()
{
    const qint64 id = selectedID();
    if (id == 0)
        return;
    m_position = lsvMain->indexOfTopLevelItem(lsvMain->currentItem());
    openForm(2, id);
    LoadList();
    lsvMain->setFocus();
}
