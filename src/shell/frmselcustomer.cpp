#include "frmselcustomer.h"

#include "mdatabase.h"
#include "pickers.h"
#include "recordsetmodel.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

frmSelCustomer::frmSelCustomer(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSelCustomer"));
    setWindowTitle(QStringLiteral("请选择客户"));

    m_model = new RecordsetModel(this);
    dbgMain = new QTableView(this);
    dbgMain->setObjectName(QStringLiteral("dbgMain"));
    dbgMain->setModel(m_model);
    dbgMain->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgMain->setSelectionMode(QAbstractItemView::SingleSelection);
    dbgMain->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgMain->horizontalHeader()->setStretchLastSection(true);
    dbgMain->verticalHeader()->hide();

    btnOk = new QPushButton(QStringLiteral("确认"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("取消"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(btnOk, QDialogButtonBox::AcceptRole);
    buttons->addButton(btnCancel, QDialogButtonBox::RejectRole);
    disconnect(buttons, nullptr, this, nullptr);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(dbgMain);
    layout->addWidget(buttons);

    connect(btnOk, &QPushButton::clicked, this, &frmSelCustomer::confirm);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(dbgMain, &QTableView::doubleClicked, this, &frmSelCustomer::confirm);
    resize(640, 320);
}

void frmSelCustomer::showEvent(QShowEvent *event)
{
    load();
    QDialog::showEvent(event);
}

void frmSelCustomer::load()
{
    const auto rs = mCurSQL.isEmpty() ? std::nullopt : mDatabase::OpenRecordset(mCurSQL);
    m_model->setRecordset(rs.value_or(Recordset()));
    if (m_model->rowCount() > 0)
        dbgMain->selectRow(0);
    dbgMain->resizeColumnsToContents();
}

void frmSelCustomer::confirm()
{
    const QModelIndex current = dbgMain->currentIndex();
    if (current.isValid()) {
        const QVariant id = m_model->recordset().value(current.row(), 0);
        if (!id.isNull() && !id.toString().isEmpty())
            PickedCustomerID = id.toInt();
    }
    accept();
}
