#include "datastore/schema.h"

#include "datastore/mdatabase.h"
#include "datastore/prompt.h"

#include <QSqlQuery>

#include <vector>

namespace Schema {
namespace {

enum class Type { Key, Text, Money, Quantity, Flag, Date, DateTime, Integer };

struct Column {
    const char *name;
    Type type;
    int size = 0;
    const char *defaultValue = nullptr;
};

struct Table {
    const char *name;
    std::vector<Column> columns;
    std::vector<std::vector<const char *>> indexes;
};

const std::vector<Table> &tables()
{
    static const std::vector<Table> all = {
        {"Station", {{"ID", Type::Key}, {"Name", Type::Text, 50}, {"Status", Type::Flag, 0, "'1'"}},
            {}},
        {"SysUser",
            {{"ID", Type::Key}, {"Name", Type::Text, 50}, {"Pwd", Type::Text, 50},
                {"rolestring", Type::Text, 50}, {"Detail", Type::Text, 255},
                {"Status", Type::Flag, 0, "'1'"}, {"StationID", Type::Integer, 0, "0"}},
            {{"StationID"}}},
        {"SysValue", {{"Name", Type::Text, 50}, {"myValue", Type::Text, 255}}, {}},
        {"Customer",
            {{"ID", Type::Key}, {"Account", Type::Integer, 0, "0"}, {"Name", Type::Text, 50},
                {"Phone", Type::Text, 50}, {"Address", Type::Text, 200},
                {"Detail", Type::Text, 255}, {"CustType", Type::Integer, 0, "0"},
                {"Status", Type::Flag, 0, "'1'"}, {"UserID", Type::Integer, 0, "0"},
                {"CreateDate", Type::Date}, {"StationID", Type::Integer, 0, "0"},
                {"TotalBuyMoney", Type::Money, 0, "0"}, {"TotalDebt", Type::Money, 0, "0"}},
            {{"Account"}, {"Phone"}, {"StationID"}}},
        {"Product",
            {{"ID", Type::Key}, {"Name", Type::Text, 50}, {"Unit", Type::Text, 20},
                {"Detail", Type::Text, 255}, {"Price", Type::Money, 0, "0"},
                {"IsDefault", Type::Flag, 0, "'0'"}, {"Status", Type::Flag, 0, "'1'"},
                {"IsContainer", Type::Flag, 0, "'0'"}, {"ContainerID", Type::Integer, 0, "0"}},
            {}},
        {"Sender",
            {{"ID", Type::Key}, {"Name", Type::Text, 50}, {"Phone", Type::Text, 50},
                {"Detail", Type::Text, 255}, {"Price", Type::Money, 0, "0"},
                {"Status", Type::Flag, 0, "'1'"}, {"StationID", Type::Integer, 0, "0"}},
            {}},
        {"Sale",
            {{"ID", Type::Key}, {"CustomerID", Type::Integer, 0, "0"},
                {"SenderID", Type::Integer, 0, "0"}, {"UserID", Type::Integer, 0, "0"},
                {"TotalAmount", Type::Quantity, 0, "0"}, {"TotalMoney", Type::Money, 0, "0"},
                {"TotalContainer", Type::Quantity, 0, "0"}, {"InMoney", Type::Money, 0, "0"},
                {"OutAmount", Type::Quantity, 0, "0"}, {"InContainer", Type::Quantity, 0, "0"},
                {"TransferFee", Type::Money, 0, "0"}, {"Detail", Type::Text, 255},
                {"CreateDate", Type::Date}, {"FinishFlag", Type::Flag, 0, "'0'"},
                {"StationID", Type::Integer, 0, "0"}},
            {{"CreateDate"}, {"CustomerID"}, {"FinishFlag", "StationID"}, {"SenderID"}}},
        {"Sale_detail",
            {{"ID", Type::Key}, {"SaleID", Type::Integer, 0, "0"},
                {"ProductID", Type::Integer, 0, "0"}, {"Price", Type::Money, 0, "0"},
                {"MyAmount", Type::Quantity, 0, "0"}, {"MyMoney", Type::Money, 0, "0"},
                {"IsContainer", Type::Flag, 0, "'0'"}},
            {{"SaleID"}, {"ProductID"}}},
        {"Store",
            {{"ID", Type::Key}, {"PaperID", Type::Text, 50}, {"CreateDate", Type::Date},
                {"TotalAmount", Type::Quantity, 0, "0"}, {"TotalMoney", Type::Money, 0, "0"},
                {"Detail", Type::Text, 255}, {"UserID", Type::Integer, 0, "0"},
                {"Direction", Type::Flag, 0, "'0'"}, {"HandInput", Type::Flag, 0, "'1'"},
                {"FinishFlag", Type::Flag, 0, "'0'"}, {"StationID", Type::Integer, 0, "0"}},
            {{"CreateDate"}, {"FinishFlag", "StationID"}, {"PaperID"}}},
        {"Store_detail",
            {{"ID", Type::Key}, {"StoreID", Type::Integer, 0, "0"},
                {"ProductID", Type::Integer, 0, "0"}, {"Price", Type::Money, 0, "0"},
                {"MyAmount", Type::Quantity, 0, "0"}, {"MyMoney", Type::Money, 0, "0"}},
            {{"StoreID"}, {"ProductID"}}},
        {"Call",
            {{"ID", Type::Key}, {"PhoneNumber", Type::Text, 50}, {"CreateDate", Type::DateTime}},
            {{"CreateDate"}, {"PhoneNumber"}}},
    };
    return all;
}

// The lists open on the unclosed orders, a few among millions of closed
// ones: an index of just those finds them without reading the table.
QStringList version2()
{
    return {QStringLiteral("CREATE INDEX IX_Sale_Open ON Sale (FinishFlag) WHERE FinishFlag='0'")};
}

// One address, one customer, even when two workstations take the first
// order for a new address at the same moment: the second insert meets the
// index and takes the first one's row.
const QString AddressIndex
    = QStringLiteral("CREATE UNIQUE INDEX UQ_Customer_Address ON Customer (Address)");

// Addresses that several customers already share. Nothing is deleted: the
// operator merges them; until then the database does without the index.
QStringList sharedAddresses()
{
    QStringList found;
    QSqlQuery query(mDatabase::gConnection());
    query.setForwardOnly(true);
    // No table to read (a partial database gets it with the index) is no
    // address shared; any other failure shows in the index statement.
    if (!query.exec(QStringLiteral("select Address, count(*) as Customers from Customer group by "
                                   "Address having count(*)>1 order by Address")))
        return {};
    while (query.next())
        found << QStringLiteral("%1（%2个客户）")
                     .arg(query.value(0).toString(), query.value(1).toString());
    return found;
}

QStringList version3()
{
    const QStringList shared = sharedAddresses();
    if (shared.isEmpty()) {
        // A database upgraded from a partial one may hold it already.
        if (mDatabase::dialect().kind() == SqlDialect::SqlServer)
            return {QStringLiteral("IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE "
                                   "name='UQ_Customer_Address') %1")
                        .arg(AddressIndex)};
        return {QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS UQ_Customer_Address ON "
                               "Customer (Address)")};
    }
    const int shown = 20;
    QStringList lines = shared.mid(0, shown);
    if (shared.size() > shown)
        lines << QStringLiteral("……共%1个地址").arg(shared.size());
    Prompt::message(QStringLiteral("以下地址已有多个客户资料（没有删除任何资料）：\n%1\n"
                                   "请合并这些客户；在此之前，多个工作站同时为同一新地址开单时"
                                   "仍可能产生重复的客户。")
                        .arg(lines.join(QLatin1Char('\n'))),
        QStringLiteral("数据库升级"), Prompt::Icon::Warning);
    return {};
}

// A closing finds the stock document it generated for a sale by the sale's
// number the document carries; without an index every closing reads every
// document generated since the group began (a million after a few years).
QStringList version4()
{
    if (mDatabase::dialect().kind() == SqlDialect::SqlServer)
        return {QStringLiteral("IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE "
                               "name='IX_Store_PaperID') CREATE INDEX IX_Store_PaperID ON Store "
                               "(PaperID)")};
    // A database completed from a partial one got it with its Store table.
    return {QStringLiteral("CREATE INDEX IF NOT EXISTS IX_Store_PaperID ON Store (PaperID)")};
}

QString columnType(const SqlDialect &d, const Column &c)
{
    switch (c.type) {
    case Type::Key:
        return d.keyColumnType();
    case Type::Text:
        return d.textType(c.size);
    case Type::Money:
        return d.moneyType();
    case Type::Quantity:
        return d.quantityType();
    case Type::Flag:
        return d.flagType();
    case Type::Date:
        return d.dateType();
    case Type::DateTime:
        return d.dateTimeType();
    case Type::Integer:
        return d.integerType();
    }
    return {};
}

} // namespace

QStringList tableNames()
{
    QStringList names;
    for (const Table &t : tables())
        names << QString::fromLatin1(t.name);
    return names;
}

QStringList createStatements(const SqlDialect &dialect, const QStringList &wanted)
{
    QStringList statements;
    for (const Table &t : tables()) {
        const QString table = QString::fromLatin1(t.name);
        if (!wanted.isEmpty() && !wanted.contains(table, Qt::CaseInsensitive))
            continue;
        QStringList columns;
        for (const Column &c : t.columns) {
            QString def = QString::fromLatin1(c.name) + QLatin1Char(' ') + columnType(dialect, c);
            if (c.defaultValue)
                def += QStringLiteral(" DEFAULT ") + QString::fromLatin1(c.defaultValue);
            columns << def;
        }
        if (table == QLatin1String("SysValue"))
            columns << QStringLiteral("CONSTRAINT UQ_SysValue_Name UNIQUE (Name)");
        statements << QStringLiteral("CREATE TABLE %1 (%2)")
                          .arg(table, columns.join(QStringLiteral(", ")));
        if (table == QLatin1String("Sale"))
            statements << version2();
        if (table == QLatin1String("Customer"))
            statements << AddressIndex;
        for (const auto &index : t.indexes) {
            QStringList cols;
            for (const char *col : index)
                cols << QString::fromLatin1(col);
            statements << QStringLiteral("CREATE INDEX IX_%1_%2 ON %1 (%3)")
                              .arg(table, cols.join(QLatin1Char('_')),
                                  cols.join(QStringLiteral(", ")));
        }
    }
    return statements;
}

QStringList upgradeStatements(int fromVersion)
{
    QStringList statements;
    if (fromVersion < 2)
        statements << version2();
    if (fromVersion < 3)
        statements << version3();
    if (fromVersion < 4)
        statements << version4();
    return statements;
}

QString headStationStatement(const SqlDialect &dialect)
{
    return QStringLiteral("insert into Station(Name,Status) values(%1,'1')")
        .arg(dialect.textLiteral(HeadStationName));
}

QString administratorStatement(qint64 stationId, const SqlDialect &dialect)
{
    return QStringLiteral("insert into SysUser(Name,Pwd,rolestring,Detail,Status,StationID) "
                          "values(%1,%2,%3,%2,'1',%4)")
        .arg(dialect.textLiteral(AdministratorName), dialect.textLiteral(QString()),
            dialect.textLiteral(AllRights), QString::number(stationId));
}

QStringList initialContent(const SqlDialect &dialect)
{
    return {
        headStationStatement(dialect),
        administratorStatement(1, dialect),
        QStringLiteral("insert into SysValue(Name,myValue) values('%1','%2')")
            .arg(VersionSettingName, QString::number(Version)),
        // Lists that stay empty until the operator presses refresh surprise
        // newcomers; a fresh group starts with them loading by themselves.
        QStringLiteral("insert into SysValue(Name,myValue) values('AutoDataRefresh','1')"),
        QStringLiteral("insert into SysValue(Name,myValue) values('SearchAddress','1')"),
    };
}

} // namespace Schema

namespace Schema {

int textColumnSize(const QString &table, const QString &column)
{
    for (const Table &t : tables()) {
        if (table.compare(QLatin1String(t.name), Qt::CaseInsensitive) != 0)
            continue;
        for (const Column &c : t.columns) {
            if (column.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0)
                return c.type == Type::Text ? c.size : 0;
        }
    }
    return 0;
}

} // namespace Schema
