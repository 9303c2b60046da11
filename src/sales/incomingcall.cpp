#include "sales/incomingcall.h"

#include "sales/calllog.h"
#include "sales/callnotice.h"
#include "sales/frmsale.h"
#include "shell/workstationline.h"

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
    // Without a sale open the call is shown only where the workstation asks
    // for it; otherwise nothing happens at all.
    if (!form && !WorkstationLine::read().callNotice)
        return;
    QApplication::beep();
    // A failed log is reported and the caller is still shown.
    CallLog::add(number);
    // An order being typed belongs to a customer still on the line: the
    // call waits beside it instead of wiping it.
    if (form && !form->hasUnsavedInput()) {
        form->takeIncomingCall(number);
        return;
    }
    CallNotice::showCall(number, form);
}

} // namespace IncomingCall
