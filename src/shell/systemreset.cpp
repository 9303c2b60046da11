#include "shell/systemreset.h"

#include "datastore/mdatabase.h"
#include "datastore/prompt.h"
#include "datastore/transaction.h"

namespace mSystem {

bool ResetSystem()
{
    const QString title = QStringLiteral("初始化");
    if (!Prompt::confirm(QStringLiteral("你确认要重新启用系统吗？执行此操作后所有运行过程中产生的数"
                                        "据包括销售单、收款单、库存单、用户资料都将被删除！"),
            title, Prompt::Icon::Critical)
        || !Prompt::confirm(QStringLiteral("请再次确认是否要重新启用系统！！！执行此操作后所有运行"
                                           "过程中产生的数据包括销售单、收款单、库存单、用户资料都"
                                           "将被删除！"),
            title, Prompt::Icon::Critical))
        return false;
    bool done = false;
    {
        mDatabase::Transaction tx;
        done = static_cast<bool>(tx);
        for (const char *statement : {"Delete from Sender", "delete from Product",
                 "delete from Customer", "delete from sale", "delete from sale_detail",
                 "delete from store", "delete from store_detail",
                 // The head station is the one with the smallest ID, which is
                 // not 1 once an identity value has been used up; deleting
                 // it would leave no station anyone can log in to.
                 "delete from Station where ID>(select min(ID) from Station)"}) {
            if (!done)
                break;
            done = mDatabase::ExecuteSQL(QLatin1String(statement));
        }
        done = done && tx.commit();
    }
    if (!done) {
        Prompt::error(QStringLiteral("重新启用系统时出现错误，重启失败！"), QStringLiteral("失败"));
        return false;
    }
    Prompt::information(
        QStringLiteral("系统重新启用成功，现在系统需要退出再进入，请按确认键退出系统重"
                       "新登录！"),
        QStringLiteral("退出"));
    return true;
}

} // namespace mSystem
