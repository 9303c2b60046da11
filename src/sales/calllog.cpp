#include "sales/calllog.h"

#include "datastore/mdatabase.h"

#include <QDateTime>

namespace CallLog {

bool add(const QString &number)
{
    return mDatabase::ExecuteSQL(
        QStringLiteral("INSERT INTO Call(PhoneNumber,CreateDate) values (%1,%2)")
            .arg(mDatabase::SqlStr(number),
                mDatabase::dialect().dateTimeLiteral(QDateTime::currentDateTime())));
}

bool remove(qint64 id)
{
    return mDatabase::ExecuteSQL(QStringLiteral("delete from Call where ID=%1").arg(id));
}

bool clear()
{
    return mDatabase::ExecuteSQL(QStringLiteral("DELETE from Call"));
}

} // namespace CallLog
