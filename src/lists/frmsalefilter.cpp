#include "lists/frmsalefilter.h"

namespace {

// Each condition carries its own " AND ": the sale lists' statement already
// has its WHERE. Columns of Sale and Customer, as the lists join them.
FilterDialog::Table saleCriteria()
{
    using Input = FilterDialog::Input;
    return {{
                {"Address", "客户地址包括字符串：", Input::Text, " AND Address Like %1 "},
                {"Account", "客户帐号：", Input::Number, " AND Account%1%2"},
                {"UserID", "操作员为：", Input::Id, " AND Sale.UserID=%1",
                    QStringLiteral("select * from SysUser where Status='1'")},
                {"CreateDate", "单据日期", Input::Date, " AND Sale.CreateDate%1%2"},
                {"ID", "单据编号", Input::Number, " AND Sale.ID%1%2"},
                {"TotalMoney", "单据金额", Input::Number, " And TotalMoney%1%2"},
                {"TotalAmount", "单据数量", Input::Number, " And TotalAmount%1%2"},
                {"MoneyBalance", "欠钱金额", Input::Number, " And (TotalMoney-InMoney)%1%2"},
                {"ContainerBalance", "欠瓶金度", Input::Number,
                    " And (TotalContainer-InContainer)%1%2"},
                {"SenderID", "送水员为：", Input::Id, " AND Sale.SenderID=%1",
                    QStringLiteral("Select * from Sender where Status='1'")},
            },
        {{"optFinish", "结转状态：",
            {QStringLiteral("所有单据"), QStringLiteral("已结转单据"),
                QStringLiteral("未结转单据")},
            {QString(), QStringLiteral(" AND Sale.FinishFlag='1'"),
                QStringLiteral(" AND FinishFlag='0'")}}},
        "所辖供水站：", " AND Sale.StationID=%1"};
}

} // namespace

frmSaleFilter::frmSaleFilter(ListWindow *target, QWidget *parent)
    : FilterDialog(saleCriteria(), Joining::Appended, target, parent)
{
    setObjectName(QStringLiteral("frmSaleFilter"));
    setWindowTitle(QStringLiteral("销售单据过滤器"));
}
