#include "sales/calllog.h"

#include "datastore/boundstatement.h"

#include <QDateTime>

namespace CallLog {

bool add(const QString &number)
{
    return mDatabase::ExecuteBound(
        QStringLiteral("INSERT INTO Call(PhoneNumber,CreateDate) values (?,?)"),
        {number, QDateTime::currentDateTime()});
}

bool remove(qint64 id)
{
    return mDatabase::ExecuteBound(QStringLiteral("delete from Call where ID=?"), {id});
}

bool clear()
{
    return mDatabase::ExecuteBound(QStringLiteral("DELETE from Call"), {});
}

} // namespace CallLog
