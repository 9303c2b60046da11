#include "sales/incomingcall.h"

#include "sales/calllog.h"
#include "sales/frmsale.h"

#include <QApplication>

namespace IncomingCall {
namespace {

frmSale *newSaleWaiting()
{
    for (QWidget *window : QApplication::topLevelWidgets())
        if (auto *form = qobject_cast<frmSale *>(window); form && form->isWaitingForCall())
            return form;
    return nullptr;
}

} // namespace

void Tapiline_InfoCallerID(const QString &number)
{
    if (number.trimmed().isEmpty())
        return;
    frmSale *form = newSaleWaiting();
    if (!form)
        return;
    QApplication::beep();
    // A failed log is reported and the caller is still shown.
    CallLog::add(number);
    form->takeIncomingCall(number);
}

} // namespace IncomingCall
