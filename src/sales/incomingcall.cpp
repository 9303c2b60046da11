#include "incomingcall.h"

#include "frmsale.h"
#include "mdatabase.h"

#include <QApplication>
#include <QDateTime>

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

bool logCall(const QString &number)
{
    return mDatabase::ExecuteSQL(
        QStringLiteral("INSERT INTO Call(PhoneNumber,CreateDate) values (%1,%2)")
            .arg(mDatabase::SqlStr(number),
                mDatabase::dialect().dateTimeLiteral(QDateTime::currentDateTime())));
}

void Tapiline_InfoCallerID(const QString &number)
{
    if (number.trimmed().isEmpty())
        return;
    frmSale *form = newSaleWaiting();
    if (!form)
        return;
    QApplication::beep();
    // A failed log is reported and the caller is still shown.
    logCall(number);
    form->takeIncomingCall(number);
}

} // namespace IncomingCall
