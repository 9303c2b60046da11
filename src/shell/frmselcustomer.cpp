#include "shell/frmselcustomer.h"

#include "datastore/mdatabase.h"
#include "shell/datetext.h"
#include "shell/pickers.h"
#include "shell/recordsetmodel.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <utility>

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

QString frmSelCustomer::customerTypeText(int custType)
{
    static const char *const texts[] = {"未开户", "已开户", "大客户", "托管户", "其它"};
    if (custType < 0 || custType > 4)
        return {};
    return QString::fromUtf8(texts[custType]);
}

namespace {

// The captions of the customer's fields, as the customer form names them.
QString captionOf(const QString &field)
{
    static const std::pair<const char *, const char *> captions[]
        = {{"ID", "客户编号"}, {"Account", "帐户编号"}, {"Name", "顾客姓名"}, {"Phone", "联系电话"},
            {"Address", "联系地址"}, {"Detail", "备注"}, {"CustType", "顾客类型"},
            {"Status", "状态"}, {"UserID", "操作员编号"}, {"CreateDate", "开户日期"},
            {"StationID", "所辖供水站"}, {"TotalBuyMoney", "购水总额"}, {"TotalDebt", "欠款总额"}};
    for (const auto &[name, caption] : captions) {
        if (field.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return QString::fromUtf8(caption);
    }
    return field;
}

// Codes and stored dates as the operator reads them; the ID stays first,
// where the choice is read from.
Recordset forDisplay(const Recordset &rs)
{
    const int type = rs.fieldIndex(QStringLiteral("CustType"));
    const int status = rs.fieldIndex(QStringLiteral("Status"));
    const int created = rs.fieldIndex(QStringLiteral("CreateDate"));
    QVector<QVector<QVariant>> rows;
    for (int row = 0; row < rs.recordCount(); ++row) {
        QVector<QVariant> values;
        for (int field = 0; field < rs.fieldNames().size(); ++field) {
            QVariant value = rs.value(row, field);
            if (field == type && !value.isNull())
                value = frmSelCustomer::customerTypeText(value.toInt());
            else if (field == status && !value.isNull())
                value = value.toString().trimmed() == QLatin1String("0")
                    ? QStringLiteral("暂停使用")
                    : QStringLiteral("正常");
            else if (field == created && DateText::fromValue(value).isValid())
                value = DateText::shortDate(DateText::fromValue(value));
            values << value;
        }
        rows << values;
    }
    return Recordset(rs.fieldNames(), rows);
}

} // namespace

void frmSelCustomer::load()
{
    const auto rs = mCurSQL.isEmpty() ? std::nullopt : mDatabase::OpenRecordset(mCurSQL);
    const Recordset shown = forDisplay(rs.value_or(Recordset()));
    // The query's fields in its order (the first is the ID handed back).
    QList<RecordsetModel::Column> columns;
    for (const QString &field : shown.fieldNames())
        columns.append({field, captionOf(field)});
    m_model->setColumns(columns);
    m_model->setRecordset(shown);
    if (m_model->rowCount() > 0)
        dbgMain->selectRow(0);
    dbgMain->resizeColumnsToContents();
}

void frmSelCustomer::confirm()
{
    const QModelIndex current = dbgMain->currentIndex();
    if (current.isValid()) {
        // The first field of the query, whichever column shows it.
        const QVariant id = m_model->recordset().value(current.row(), 0);
        if (!id.isNull() && !id.toString().isEmpty())
            PickedCustomerID = id.toInt();
    }
    accept();
}
