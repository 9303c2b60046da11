#include "lists/frmcustfilter.h"

#include "datastore/mdatabase.h"
#include "lists/listwindow.h"
#include "shell/loginstate.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

frmCustFilter::frmCustFilter(ListWindow *target, QWidget *parent)
    : FilterDialog(parent), m_target(target)
{
    setObjectName(QStringLiteral("frmCustFilter"));
    setWindowTitle(QStringLiteral("客户资料过滤器"));

    addCriterion({addCheck("chkAccount", "顾客帐户"), addOperator(0),
        addBox("txtAccount", BoxKind::Integer), nullptr, nullptr, BoxKind::Integer});
    addCriterion(
        {addCheck("chkName", "顾客姓名字符串包含："), nullptr, addBox("txtName", BoxKind::Text)});
    addCriterion(
        {addCheck("chkPhone", "联系电话字符串包含："), nullptr, addBox("txtPhone", BoxKind::Text)});
    QComboBox *types = addChoice("cmbCustType", QString());
    // The position is what Customer.CustType stores.
    types->addItems({QStringLiteral("未开户客户"), QStringLiteral("已开户客户"),
        QStringLiteral("开户大客户"), QStringLiteral("托管户"), QStringLiteral("其它")});
    addCriterion({addCheck("chkCustType", "用户类型为："), nullptr, nullptr, types});
    addCriterion({addCheck("chkCreateDate", "开户日期"), addOperator(1),
        addBox("txtCreateDate", BoxKind::Date), nullptr, nullptr, BoxKind::Date});
    addCriterion({addCheck("chkAddress", "联系地址字符串包含："), nullptr,
        addBox("txtAddress", BoxKind::Text)});
    addCriterion({addCheck("chkTotalBuyMoney", "购水总额"), addOperator(2),
        addBox("txtTotalBuyMoney", BoxKind::Number), nullptr, nullptr, BoxKind::Number});
    addCriterion({addCheck("chkTotalDebt", "欠款总额"), addOperator(3),
        addBox("txtTotalDebt", BoxKind::Number), nullptr, nullptr, BoxKind::Number});
    optStatus = addOptions("optStatus", "帐户状态：",
        {QStringLiteral("所有帐户"), QStringLiteral("有效帐户"), QStringLiteral("无效帐户")}, 0);
    chkStation->setText(QStringLiteral("所属供水站为："));
    finishLayout();

    fillStations();
    RefreshControl();
    connect(btnOk, &QPushButton::clicked, this, &frmCustFilter::confirm);
}

void frmCustFilter::RefreshControl()
{
    FilterDialog::RefreshControl();
    cmbStation->setEnabled(chkStation->isChecked() && gIsHeadStation);
}

bool frmCustFilter::BuildFilterSQL(QString *fragment)
{
    QStringList conditions;
    const QStringList columns = {"Account", "Name", "phone", "CustType", "CreateDate", "Address",
        "TotalBuyMoney", "TotalDebt"};
    for (int i = 0; i < m_criteria.size(); ++i) {
        const Criterion &c = m_criteria[i];
        if (!c.check->isChecked())
            continue;
        const QString column = columns.value(i);
        if (c.choice) {
            if (c.choice->currentIndex() >= 0)
                conditions << QStringLiteral(" %1=%2").arg(
                    column, QString::number(c.choice->currentIndex()));
        } else if (c.kind == BoxKind::Text) {
            conditions << QStringLiteral(" %1 Like %2").arg(column, likeAnywhere(c.text->text()));
        } else {
            QString value;
            if (!(c.kind == BoxKind::Date ? dateValue(c, &value) : numberValue(c, &value)))
                return false;
            conditions << QStringLiteral(" %1%2%3").arg(column, operatorText(c.op), value);
        }
    }
    if (optStatus->checkedId() == 1)
        conditions << QStringLiteral(" Status='1'");
    else if (optStatus->checkedId() == 2)
        conditions << QStringLiteral(" Status='0'");
    qint64 station = 0;
    if (stationCondition(&station))
        conditions << QStringLiteral(" StationID=%1").arg(QString::number(station));
    *fragment = conditions.join(QStringLiteral(" AND "));
    return true;
}

void frmCustFilter::confirm()
{
    QString f;
    if (!BuildFilterSQL(&f))
        return;
    if (m_target) {
        if (optSearchType->checkedId() == 1) {
            m_target->curFilterSQL = f.isEmpty() ? QString() : QStringLiteral(" WHERE ") + f;
        } else if (!f.isEmpty()) {
            if (mDatabase::TrimBlanks(m_target->curFilterSQL).isEmpty())
                m_target->curFilterSQL = QStringLiteral(" WHERE ") + f;
            else
                m_target->curFilterSQL = QStringLiteral("%1 AND %2").arg(m_target->curFilterSQL, f);
        }
    }
    accept();
}
