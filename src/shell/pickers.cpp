#include "shell/pickers.h"

#include "datastore/prompt.h"

QDate PickedDate;
qint32 PickedCustomerID = -1;

namespace mSystem {

QDate PickDate()
{
    PickedDate = QDate();
    const QVariant picked = Prompt::choose(Prompt::Kind::PickDate, QStringLiteral("请选择日期"));
    if (picked.isValid() && picked.toDate().isValid())
        PickedDate = picked.toDate();
    return PickedDate;
}

qint32 SelectCustomer(const QString &query)
{
    PickedCustomerID = -1;
    const QVariant picked
        = Prompt::choose(Prompt::Kind::SelectCustomer, QStringLiteral("请选择客户"), query);
    if (picked.isValid())
        PickedCustomerID = picked.toInt();
    return PickedCustomerID == -1 ? 0 : PickedCustomerID;
}

} // namespace mSystem
