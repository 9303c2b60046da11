#include "stock/frmstorefilter.h"

#include "datastore/mdatabase.h"
#include "lists/listwindow.h"
#include "shell/loginstate.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

frmStoreFilter::frmStoreFilter(ListWindow *target, QWidget *parent)
    : FilterDialog(parent), m_target(target)
{
    setObjectName(QStringLiteral("frmStoreFilter"));
    setWindowTitle(QStringLiteral("库存资料过滤器"));

    addCriterion({addCheck("chkPaperID", "原始单据号包括字符："), nullptr,
        addBox("txtPaperID", BoxKind::Text)});
    addCriterion(
        {addCheck("chkDetail", "备注中含字符串："), nullptr, addBox("txtDetail", BoxKind::Text)});
    addCriterion({addCheck("chkUserID", "操作员为："), nullptr, nullptr,
        addChoice("cmbUserID", QStringLiteral("select * from SysUser where Status='1'"))});
    addCriterion({addCheck("chkCreateDate", "单据日期"), addOperator(0),
        addBox("txtCreateDate", BoxKind::Date), nullptr, nullptr, BoxKind::Date});
    addCriterion({addCheck("chkTotalMoney", "总金额"), addOperator(1),
        addBox("txtTotalMoney", BoxKind::Number), nullptr, nullptr, BoxKind::Number});
    addCriterion({addCheck("chkTotalAmount", "总数量"), addOperator(2),
        addBox("txtTotalAmount", BoxKind::Number), nullptr, nullptr, BoxKind::Number});
    optDirection = addOptions("optDirection", "单据类别：",
        {QStringLiteral("所有单据"), QStringLiteral("出货单据"), QStringLiteral("进货单据")}, 0);
    optFinish = addOptions("optFinish", "结转状态：",
        {QStringLiteral("所有单据"), QStringLiteral("已结转单据"), QStringLiteral("未结转单据")},
        0);
    chkStation->setText(QStringLiteral("所属供水站为："));
    finishLayout();
    if (auto *group = qobject_cast<QGroupBox *>(optSearchType->button(0)->parentWidget()))
        group->setTitle(QStringLiteral("查询类型："));
    btnOk->setText(QStringLiteral("确认"));

    fillStations();
    RefreshControl();
    connect(btnOk, &QPushButton::clicked, this, &frmStoreFilter::confirm);
}

void frmStoreFilter::RefreshControl()
{
    FilterDialog::RefreshControl();
    cmbStation->setEnabled(chkStation->isChecked() && gIsHeadStation);
}

bool frmStoreFilter::BuildFilterSQL(QString *condition)
{
    QStringList conditions;
    const QStringList columns = {QStringLiteral("PaperID"), QStringLiteral("Detail"),
        QStringLiteral("UserID"), QStringLiteral("CreateDate"), QStringLiteral("TotalMoney"),
        QStringLiteral("TotalAmount")};
    for (int i = 0; i < m_criteria.size(); ++i) {
        const Criterion &c = m_criteria[i];
        if (!c.check->isChecked())
            continue;
        const QString column = columns.value(i);
        if (c.choice) {
            conditions << QStringLiteral(" %1=%2").arg(
                column, QString::number(c.choice->currentData().toLongLong()));
        } else if (c.kind == BoxKind::Text) {
            conditions << QStringLiteral(" %1 Like %2 ").arg(column, likeAnywhere(c.text->text()));
        } else {
            QString value;
            if (!(c.kind == BoxKind::Date ? dateValue(c, &value) : numberValue(c, &value)))
                return false;
            conditions << QStringLiteral(" %1%2%3").arg(column, operatorText(c.op), value);
        }
    }
    if (optDirection->checkedId() == 1)
        conditions << QStringLiteral(" Direction='1'");
    else if (optDirection->checkedId() == 2)
        conditions << QStringLiteral(" Direction='0'");
    if (optFinish->checkedId() == 1)
        conditions << QStringLiteral(" FinishFlag='1'");
    else if (optFinish->checkedId() == 2)
        conditions << QStringLiteral(" FinishFlag='0'");
    qint64 station = 0;
    if (stationCondition(&station))
        conditions << QStringLiteral(" StationID=%1").arg(QString::number(station));
    *condition = conditions.join(QStringLiteral(" AND "));
    return true;
}

void frmStoreFilter::confirm()
{
    QString condition;
    if (!BuildFilterSQL(&condition))
        return;
    if (m_target) {
        if (optSearchType->checkedId() == 1) {
            m_target->curFilterSQL
                = condition.isEmpty() ? QString() : QStringLiteral(" WHERE ") + condition;
        } else if (!condition.isEmpty()) {
            if (mDatabase::TrimBlanks(m_target->curFilterSQL).isEmpty())
                m_target->curFilterSQL = QStringLiteral(" WHERE ") + condition;
            else
                m_target->curFilterSQL
                    = QStringLiteral("%1 AND %2").arg(m_target->curFilterSQL, condition);
        }
    }
    accept();
}
