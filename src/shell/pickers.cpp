#include "pickers.h"

#include "prompt.h"

QDate PickedDate;
qint32 PickedCustomerID = -1;

namespace mSystem {

QDate PickDate()
{
    PickedDate = QDate();
    Prompt::Request request;
    request.kind = Prompt::Kind::PickDate;
    request.title = QStringLiteral("请选择日期");
    const QVariant picked = Prompt::choose(request);
    if (picked.isValid() && picked.toDate().isValid())
        PickedDate = picked.toDate();
    return PickedDate;
}

qint32 SelectCustomer(const QString &query)
{
    PickedCustomerID = -1;
    Prompt::Request request;
    request.kind = Prompt::Kind::SelectCustomer;
    request.title = QStringLiteral("请选择客户");
    request.argument = query;
    const QVariant picked = Prompt::choose(request);
    if (picked.isValid())
        PickedCustomerID = picked.toInt();
    return PickedCustomerID == -1 ? 0 : PickedCustomerID;
}

} // namespace mSystem
