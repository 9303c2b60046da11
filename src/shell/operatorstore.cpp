#include "shell/operatorstore.h"

#include "datastore/mdatabase.h"
#include "datastore/recordset.h"

namespace {

OperatorRecord operatorAt(const Recordset &rs, int row)
{
    OperatorRecord op;
    op.id = rs.value(row, QStringLiteral("ID")).toLongLong();
    op.name = rs.value(row, QStringLiteral("Name")).toString();
    op.password = rs.value(row, QStringLiteral("Pwd")).toString();
    op.roleString = rs.value(row, QStringLiteral("rolestring")).toString();
    op.detail = rs.value(row, QStringLiteral("Detail")).toString();
    op.active = mDatabase::TrimBlanks(rs.value(row, QStringLiteral("Status")).toString())
        != QLatin1String("0");
    op.stationId = rs.value(row, QStringLiteral("StationID")).toLongLong();
    return op;
}

std::optional<QList<OperatorRecord>> operators(const QString &sql)
{
    const auto rs = mDatabase::OpenRecordset(sql);
    if (!rs)
        return std::nullopt;
    QList<OperatorRecord> list;
    list.reserve(rs->recordCount());
    for (int row = 0; row < rs->recordCount(); ++row)
        list << operatorAt(*rs, row);
    return list;
}

} // namespace

bool OperatorRecord::acceptsPassword(const QString &typed) const
{
    return mDatabase::TrimBlanks(typed) == mDatabase::TrimBlanks(password);
}

namespace UserReader {

std::optional<QList<StationEntry>> activeStations()
{
    const auto rs
        = mDatabase::OpenRecordset(QStringLiteral("select * from Station WHERE Status='1'"));
    if (!rs)
        return std::nullopt;
    QList<StationEntry> list;
    list.reserve(rs->recordCount());
    for (int row = 0; row < rs->recordCount(); ++row)
        list << StationEntry{rs->value(row, QStringLiteral("ID")).toLongLong(),
            rs->value(row, QStringLiteral("Name")).toString()};
    return list;
}

std::optional<QList<OperatorRecord>> activeUsers(qint64 stationId)
{
    return operators(QStringLiteral("SELECT * FROM SysUser Where Status='1' and StationID=%1")
                         .arg(QString::number(stationId)));
}

std::optional<QList<OperatorRecord>> allUsers()
{
    return operators(QStringLiteral("Select * from SysUser"));
}

std::optional<OperatorRecord> load(qint64 userId)
{
    const auto list = operators(
        QStringLiteral("Select * from SysUser where ID=%1").arg(QString::number(userId)));
    if (!list || list->isEmpty())
        return std::nullopt;
    return list->first();
}

} // namespace UserReader

namespace UserWriter {

bool setPassword(qint64 userId, const QString &password)
{
    return mDatabase::ExecuteSQL(QStringLiteral("update sysuser set pwd=%1 where ID=%2")
                                     .arg(mDatabase::SqlStr(password), QString::number(userId)));
}

bool isFirstOperator(qint64 userId)
{
    return userId != 0
        && mDatabase::GetMinValue(QStringLiteral("SysUser"), QStringLiteral("ID")) == userId;
}

qint64 saveNew(const OperatorRecord &user)
{
    return mDatabase::InsertAndGetID(
        QStringLiteral("insert into SysUser (name,pwd,rolestring,detail,status,StationID) values "
                       "(%1,%2,%3,%4,%5,%6)")
            .arg(mDatabase::SqlStr(user.name.trimmed()), mDatabase::SqlStr(user.password),
                mDatabase::SqlStr(user.roleString), mDatabase::SqlStr(user.detail),
                user.active ? QStringLiteral("'1'") : QStringLiteral("'0'"),
                QString::number(user.stationId)));
}

bool saveEdit(const OperatorRecord &user)
{
    if (isFirstOperator(user.id))
        return mDatabase::ExecuteSQL(
            QStringLiteral("update SysUser set name=%1, detail=%2 where ID=%3")
                .arg(mDatabase::SqlStr(user.name.trimmed()),
                    mDatabase::SqlStr(user.detail.trimmed()), QString::number(user.id)));
    return mDatabase::ExecuteSQL(
        QStringLiteral("update SysUser set name=%1, detail=%2, rolestring=%3, StationID=%4, "
                       "Status=%5 where ID=%6")
            .arg(mDatabase::SqlStr(user.name.trimmed()), mDatabase::SqlStr(user.detail.trimmed()),
                mDatabase::SqlStr(user.roleString), QString::number(user.stationId),
                user.active ? QStringLiteral("'1'") : QStringLiteral("'0'"),
                QString::number(user.id)));
}

} // namespace UserWriter
