#include "shell/operatorstore.h"

#include "datastore/boundstatement.h"
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

std::optional<QList<OperatorRecord>> operators(const QString &sql, const QVariantList &values)
{
    const auto rs = mDatabase::OpenBound(sql, values);
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
    const auto rs = mDatabase::OpenBound(QStringLiteral("select * from Station WHERE Status='1'"));
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
    return operators(
        QStringLiteral("SELECT * FROM SysUser Where Status='1' and StationID=?"), {stationId});
}

std::optional<QList<OperatorRecord>> allUsers()
{
    return operators(QStringLiteral("Select * from SysUser"), {});
}

std::optional<OperatorRecord> load(qint64 userId)
{
    const auto list = operators(QStringLiteral("Select * from SysUser where ID=?"), {userId});
    if (!list || list->isEmpty())
        return std::nullopt;
    return list->first();
}

} // namespace UserReader

namespace UserWriter {

bool setPassword(qint64 userId, const QString &password)
{
    return mDatabase::ExecuteBound(
        QStringLiteral("update sysuser set pwd=? where ID=?"), {password, userId});
}

bool isFirstOperator(qint64 userId)
{
    return userId != 0
        && mDatabase::GetMinValue(QStringLiteral("SysUser"), QStringLiteral("ID")) == userId;
}

qint64 saveNew(const OperatorRecord &user)
{
    return mDatabase::InsertBoundAndGetID(
        QStringLiteral("insert into SysUser (name,pwd,rolestring,detail,status,StationID) values "
                       "(?,?,?,?,?,?)"),
        {user.name.trimmed(), user.password, user.roleString, user.detail,
            user.active ? QStringLiteral("1") : QStringLiteral("0"), user.stationId});
}

bool saveEdit(const OperatorRecord &user)
{
    if (isFirstOperator(user.id))
        return mDatabase::ExecuteBound(
            QStringLiteral("update SysUser set name=?, detail=? where ID=?"),
            {user.name.trimmed(), user.detail.trimmed(), user.id});
    return mDatabase::ExecuteBound(
        QStringLiteral("update SysUser set name=?, detail=?, rolestring=?, StationID=?, "
                       "Status=? where ID=?"),
        {user.name.trimmed(), user.detail.trimmed(), user.roleString, user.stationId,
            user.active ? QStringLiteral("1") : QStringLiteral("0"), user.id});
}

} // namespace UserWriter
