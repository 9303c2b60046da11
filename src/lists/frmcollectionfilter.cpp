#include "lists/frmcollectionfilter.h"

#include "datastore/prompt.h"
#include "shell/frmselcustomer.h"
#include "shell/loginstate.h"
#include "shell/picklists.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace {

const QString All = QStringLiteral("全部");

void fill(QComboBox *box, const std::optional<Recordset> &rows, std::optional<qint64> chosen)
{
    box->addItem(All);
    for (int row = 0; rows && row < rows->recordCount(); ++row) {
        const qint64 id = rows->value(row, QStringLiteral("ID")).toLongLong();
        box->addItem(rows->value(row, QStringLiteral("Name")).toString().trimmed(), id);
        if (chosen && *chosen == id)
            box->setCurrentIndex(box->count() - 1);
    }
}

std::optional<qint64> chosenId(const QComboBox *box)
{
    const QVariant id = box->currentData();
    return id.isValid() ? std::optional<qint64>(id.toLongLong()) : std::nullopt;
}

} // namespace

frmCollectionFilter::frmCollectionFilter(
    const frmCollectionList::Criteria &current, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("欠款欠瓶客户 — 查询条件"));
    cmbStation = new QComboBox(this);
    cmbStation->setObjectName(QStringLiteral("cmbStation"));
    fill(cmbStation, PickLists::activeStations(),
        gIsHeadStation ? current.stationId : std::optional<qint64>(gStationID));
    // A branch sees only its own customers.
    cmbStation->setEnabled(gIsHeadStation);
    cmbSender = new QComboBox(this);
    cmbSender->setObjectName(QStringLiteral("cmbSender"));
    fill(cmbSender, PickLists::activeSenders(gIsHeadStation, gStationID), current.senderId);
    cmbCustType = new QComboBox(this);
    cmbCustType->setObjectName(QStringLiteral("cmbCustType"));
    cmbCustType->addItem(All);
    for (int type = 0; !frmSelCustomer::customerTypeText(type).isEmpty(); ++type)
        cmbCustType->addItem(frmSelCustomer::customerTypeText(type), type);
    if (current.customerType)
        cmbCustType->setCurrentIndex(cmbCustType->findData(*current.customerType));
    txtMinimum = new QLineEdit(this);
    txtMinimum->setObjectName(QStringLiteral("txtMinimum"));
    txtMinimum->setPlaceholderText(QStringLiteral("不限"));
    if (current.minimumOwed)
        txtMinimum->setText(current.minimumOwed->toSqlText());
    spnOlderThan = new QSpinBox(this);
    spnOlderThan->setObjectName(QStringLiteral("spnOlderThan"));
    spnOlderThan->setRange(0, 3650);
    spnOlderThan->setSpecialValueText(QStringLiteral("不限"));
    spnOlderThan->setSuffix(QStringLiteral(" 天"));
    spnOlderThan->setValue(current.olderThanDays.value_or(0));

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("供水站："), cmbStation);
    form->addRow(QStringLiteral("送水工："), cmbSender);
    form->addRow(QStringLiteral("客户类型："), cmbCustType);
    form->addRow(QStringLiteral("欠款不少于（元）："), txtMinimum);
    form->addRow(QStringLiteral("有未结单据超过："), spnOlderThan);

    btnOk = new QPushButton(QStringLiteral("确定"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("取消"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnDefault = new QPushButton(QStringLiteral("恢复默认"), this);
    btnDefault->setObjectName(QStringLiteral("btnDefault"));
    btnDefault->setToolTip(QStringLiteral("清除查询条件，列出所有欠款欠瓶的客户"));
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(btnOk, QDialogButtonBox::AcceptRole);
    buttons->addButton(btnCancel, QDialogButtonBox::RejectRole);
    buttons->addButton(btnDefault, QDialogButtonBox::ResetRole);
    connect(btnOk, &QPushButton::clicked, this, &frmCollectionFilter::confirm);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnDefault, &QPushButton::clicked, this, [this] {
        m_criteria = {};
        m_description.clear();
        accept();
    });

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void frmCollectionFilter::confirm()
{
    frmCollectionList::Criteria c;
    QStringList words;
    c.stationId = chosenId(cmbStation);
    if (c.stationId)
        words << cmbStation->currentText();
    c.senderId = chosenId(cmbSender);
    if (c.senderId)
        words << QStringLiteral("送水工 ") + cmbSender->currentText();
    if (cmbCustType->currentData().isValid()) {
        c.customerType = cmbCustType->currentData().toInt();
        words << cmbCustType->currentText();
    }
    const QString minimum = txtMinimum->text().trimmed();
    if (!minimum.isEmpty()) {
        Currency value;
        if (!Currency::parse(minimum, &value) || value < Currency()) {
            Prompt::error(
                QStringLiteral("欠款金额必须是不小于零的数字！"), QStringLiteral("查询条件"));
            txtMinimum->setFocus();
            txtMinimum->selectAll();
            return;
        }
        c.minimumOwed = value;
        words << QStringLiteral("欠款不少于 ") + value.toSqlText() + QStringLiteral(" 元");
    }
    if (spnOlderThan->value() > 0) {
        c.olderThanDays = spnOlderThan->value();
        words << QStringLiteral("超过 %1 天").arg(spnOlderThan->value());
    }
    m_criteria = c;
    m_description = words.join(QStringLiteral("，"));
    accept();
}
