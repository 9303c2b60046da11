#include "lists/frmcustfilter.h"

namespace {

FilterDialog::Table customerCriteria()
{
    using Input = FilterDialog::Input;
    return {{
                {"Account", "顾客帐户", Input::Integer, " Account%1%2"},
                {"Name", "顾客姓名字符串包含：", Input::Text, " Name Like %1"},
                {"Phone", "联系电话字符串包含：", Input::Text, " phone Like %1"},
                // The position is what Customer.CustType stores.
                {"CustType", "用户类型为：", Input::Position, " CustType=%1", QString(),
                    {QStringLiteral("未开户客户"), QStringLiteral("已开户客户"),
                        QStringLiteral("开户大客户"), QStringLiteral("托管户"),
                        QStringLiteral("其它")}},
                {"CreateDate", "开户日期", Input::Date, " CreateDate%1%2"},
                {"Address", "联系地址字符串包含：", Input::Text, " Address Like %1"},
                {"TotalBuyMoney", "购水总额", Input::Number, " TotalBuyMoney%1%2"},
                {"TotalDebt", "欠款总额", Input::Number, " TotalDebt%1%2"},
            },
        {{"optStatus", "帐户状态：",
            {QStringLiteral("所有帐户"), QStringLiteral("有效帐户"), QStringLiteral("无效帐户")},
            {QString(), QStringLiteral(" Status='1'"), QStringLiteral(" Status='0'")}}},
        "所属供水站为：", " StationID=%1", true};
}

} // namespace

frmCustFilter::frmCustFilter(ListWindow *target, QWidget *parent)
    : FilterDialog(customerCriteria(), Joining::Where, target, parent)
{
    setObjectName(QStringLiteral("frmCustFilter"));
    setWindowTitle(QStringLiteral("客户资料过滤器"));
}
