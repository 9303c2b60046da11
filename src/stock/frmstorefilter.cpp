#include "stock/frmstorefilter.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGroupBox>
#include <QPushButton>

namespace {

FilterDialog::Table storeCriteria()
{
    using Input = FilterDialog::Input;
    const QStringList documents
        = {QStringLiteral("所有单据"), QStringLiteral("出货单据"), QStringLiteral("进货单据")};
    return {{
                {"PaperID", "原始单据号包括字符：", Input::Text, " PaperID Like %1 "},
                {"Detail", "备注中含字符串：", Input::Text, " Detail Like %1 "},
                {"UserID", "操作员为：", Input::Id, " UserID=%1",
                    QStringLiteral("select * from SysUser where Status='1'")},
                {"CreateDate", "单据日期", Input::Date, " CreateDate%1%2"},
                {"TotalMoney", "总金额", Input::Number, " TotalMoney%1%2"},
                {"TotalAmount", "总数量", Input::Number, " TotalAmount%1%2"},
            },
        {{"optDirection", "单据类别：", documents,
             {QString(), QStringLiteral(" Direction='1'"), QStringLiteral(" Direction='0'")}},
            {"optFinish", "结转状态：",
                {QStringLiteral("所有单据"), QStringLiteral("已结转单据"),
                    QStringLiteral("未结转单据")},
                {QString(), QStringLiteral(" FinishFlag='1'"), QStringLiteral(" FinishFlag='0'")}}},
        "所属供水站为：", " StationID=%1", true};
}

} // namespace

frmStoreFilter::frmStoreFilter(ListWindow *target, QWidget *parent)
    : FilterDialog(storeCriteria(), Joining::Where, target, parent)
{
    setObjectName(QStringLiteral("frmStoreFilter"));
    setWindowTitle(QStringLiteral("库存资料过滤器"));
    if (auto *group = qobject_cast<QGroupBox *>(optSearchType->button(0)->parentWidget()))
        group->setTitle(QStringLiteral("查询类型："));
    btnOk->setText(QStringLiteral("确认"));
}
