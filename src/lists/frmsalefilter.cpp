#include "lists/frmsalefilter.h"

#include "datastore/mdatabase.h"
#include "lists/listwindow.h"
#include "shell/loginstate.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

frmSaleFilter::frmSaleFilter(ListWindow *target, QWidget *parent)
    : FilterDialog(parent), m_target(target)
{
    setObjectName(QStringLiteral("frmSaleFilter"));
    setWindowTitle(QStringLiteral("销售单据过滤器"));

    addCriterion({addCheck("chkAddress", "客户地址包括字符串："), nullptr,
        addBox("txtAddress", BoxKind::Text)});
    addCriterion({addCheck("chkAccount", "客户帐号："), addOperator(0),
        addBox("txtAccount", BoxKind::Number), nullptr, nullptr, BoxKind::Number});
    addCriterion({addCheck("chkUserID", "操作员为："), nullptr, nullptr,
        addChoice("cmbUserID", QStringLiteral("select * from SysUser where Status='1'"))});
    addCriterion({addCheck("chkCreateDate", "单据日期"), addOperator(1),
        addBox("txtCreateDate", BoxKind::Date), nullptr, nullptr, BoxKind::Date});
    addCriterion({addCheck("chkID", "单据编号"), addOperator(2), addBox("txtID", BoxKind::Number),
        nullptr, nullptr, BoxKind::Number});
    addCriterion({addCheck("chkTotalMoney", "单据金额"), addOperator(3),
        addBox("txtTotalMoney", BoxKind::Number), nullptr, nullptr, BoxKind::Number});
    addCriterion({addCheck("chkTotalAmount", "单据数量"), addOperator(4),
        addBox("txtTotalAmount", BoxKind::Number), nullptr, nullptr, BoxKind::Number});
    addCriterion({addCheck("chkMoneyBalance", "欠钱金额"), addOperator(5),
        addBox("txtMoneyBalance", BoxKind::Number), nullptr, nullptr, BoxKind::Number});
    addCriterion({addCheck("chkContainerBalance", "欠瓶金度"), addOperator(6),
        addBox("txtContainerBalance", BoxKind::Number), nullptr, nullptr, BoxKind::Number});
    addCriterion({addCheck("chkSenderID", "送水员为："), nullptr, nullptr,
        addChoice("cmbSenderID", QStringLiteral("Select * from Sender where Status='1'"))});
    optFinish = addOptions("optFinish", "结转状态：",
        {QStringLiteral("所有单据"), QStringLiteral("已结转单据"), QStringLiteral("未结转单据")},
        0);
    chkStation->setText(QStringLiteral("所辖供水站："));
    finishLayout();

    RefreshControl();
    fillStations();
    connect(btnOk, &QPushButton::clicked, this, &frmSaleFilter::confirm);
}

bool frmSaleFilter::BuildFilterSQL(QString *fragment)
{
    QString f;
    const QStringList names = {"Address", "Account", "UserID", "CreateDate", "ID", "TotalMoney",
        "TotalAmount", "MoneyBalance", "ContainerBalance", "SenderID"};
    static const QHash<QString, QString> prefix = {
        {"Account", " AND Account"},
        {"CreateDate", " AND Sale.CreateDate"},
        {"ID", " AND Sale.ID"},
        {"TotalMoney", " And TotalMoney"},
        {"TotalAmount", " And TotalAmount"},
        {"MoneyBalance", " And (TotalMoney-InMoney)"},
        {"ContainerBalance", " And (TotalContainer-InContainer)"},
    };
    for (int i = 0; i < m_criteria.size(); ++i) {
        const Criterion &c = m_criteria[i];
        if (!c.check->isChecked())
            continue;
        const QString name = names.value(i);
        if (name == QLatin1String("Address")) {
            f += QStringLiteral(" AND Address Like %1 ").arg(likeAnywhere(c.text->text()));
        } else if (name == QLatin1String("UserID") || name == QLatin1String("SenderID")) {
            if (c.choice->currentIndex() >= 0)
                f += QStringLiteral(" AND Sale.%1=%2")
                         .arg(name, QString::number(c.choice->currentData().toLongLong()));
        } else {
            QString value;
            if (!(c.kind == BoxKind::Date ? dateValue(c, &value) : numberValue(c, &value)))
                return false;
            f += QStringLiteral("%1%2%3").arg(prefix.value(name), operatorText(c.op), value);
        }
    }
    if (optFinish->checkedId() == 1)
        f += QStringLiteral(" AND Sale.FinishFlag='1'");
    else if (optFinish->checkedId() == 2)
        f += QStringLiteral(" AND FinishFlag='0'");
    qint64 station = 0;
    if (stationCondition(&station))
        f += QStringLiteral(" AND Sale.StationID=%1").arg(QString::number(station));
    *fragment = f;
    return true;
}

void frmSaleFilter::confirm()
{
    QString f;
    if (!BuildFilterSQL(&f))
        return;
    if (m_target) {
        if (optSearchType->checkedId() == 1)
            m_target->curFilterSQL = f;
        else if (!f.isEmpty())
            m_target->curFilterSQL += f;
    }
    accept();
}
