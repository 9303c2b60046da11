#include "benchdata.h"

#include "mdatabase.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace BenchData {
namespace {

bool run(const QStringList &statements, QString *error)
{
    for (const QString &sql : statements) {
        QSqlQuery q(mDatabase::gConnection());
        if (!q.exec(sql)) {
            *error = q.lastError().text() + QLatin1Char('\n') + sql;
            return false;
        }
    }
    return true;
}

} // namespace

bool generate(int sales, const QDate &today, QString *error)
{
    const bool pg = mDatabase::dialect().kind() == SqlDialect::PostgreSQL;
    const int customers = qMax(100, sales / 50);
    const QString todayText = mDatabase::dialect().dateLiteral(today);
    // The numbers 1..n as rows, in each database's own way.
    auto series = [pg](int n) {
        return pg ? QStringLiteral("(SELECT generate_series(1,%1) AS i) n").arg(n)
                  : QStringLiteral(
                      "(WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM s WHERE i<%1) "
                      "SELECT i FROM s) n")
                        .arg(n);
    };
    // Orders spread evenly over four years up to today.
    const QString saleDate = pg
        ? QStringLiteral("(DATE %1 - ((%2 - i) * 1461 / %2))").arg(todayText).arg(sales)
        : QStringLiteral("date(%1, '-' || ((%2 - i) * 1461 / %2) || ' days')")
              .arg(todayText)
              .arg(sales);
    QStringList statements = {
        QStringLiteral("insert into Station(Name,Status) values('城东水站','1')"),
        QStringLiteral("insert into Station(Name,Status) values('城西水站','1')"),
        QStringLiteral("insert into Product(Name,Unit,Price,Status,IsContainer,ContainerID) "
                       "values('18.9升水桶','个',30,'1','1',0)"),
        QStringLiteral("insert into Product(Name,Unit,Price,Status,IsContainer,ContainerID) "
                       "values('18.9升纯净水','桶',10,'1','0',1)"),
        QStringLiteral("insert into Product(Name,Unit,Price,Status,IsContainer,ContainerID) "
                       "values('550毫升纯净水','箱',24,'1','0',0)"),
        QStringLiteral(
            "insert into Sender(Name,Phone,Price,Status,StationID) values('刘师傅','1',1,'1',1)"),
        QStringLiteral(
            "insert into Sender(Name,Phone,Price,Status,StationID) values('陈师傅','2',1.5,'1',2)"),
        QStringLiteral(
            "insert into Sender(Name,Phone,Price,Status,StationID) values('张师傅','3',1,'1',3)"),
        QStringLiteral(
            "insert into "
            "Customer(Account,Name,Phone,Address,Detail,CustType,Status,UserID,CreateDate,"
            "StationID,TotalBuyMoney,TotalDebt) select i,'','8612' || i,'人民路' || i || "
            "'号','',1,'1',1,%1,"
            "(i %% 3)+1,0,0 from %2")
            .arg(todayText, series(customers)),
        // Quantities 1 to 3 of water at 10; a seventh unpaid, an eleventh
        // with bottles still out, a thirteenth undelivered; the last 2000
        // orders are not closed yet.
        QStringLiteral(
            "insert into "
            "Sale(CustomerID,SenderID,UserID,TotalAmount,TotalMoney,TotalContainer,InMoney,"
            "OutAmount,InContainer,TransferFee,Detail,CreateDate,FinishFlag,StationID) "
            "select (i %% %1)+1, (i %% 3)+1, 1, (i %% 3)+1, ((i %% 3)+1)*10, (i %% 3)+1, "
            "CASE WHEN i %% 7 = 0 THEN 0 ELSE ((i %% 3)+1)*10 END, "
            "CASE WHEN i %% 13 = 0 THEN 0 ELSE (i %% 3)+1 END, "
            "CASE WHEN i %% 11 = 0 THEN 0 ELSE (i %% 3)+1 END, 1, '', %2, "
            "CASE WHEN i > %3 THEN '0' ELSE '1' END, ((i %% %1) %% 3)+1 from %4")
            .arg(customers)
            .arg(saleDate)
            .arg(sales - 2000)
            .arg(series(sales)),
        QStringLiteral(
            "insert into Sale_detail(SaleID,ProductID,Price,MyAmount,MyMoney,IsContainer) "
            "select ID,2,10,TotalAmount,TotalMoney,'0' from Sale"),
        QStringLiteral(
            "insert into Sale_detail(SaleID,ProductID,Price,MyAmount,MyMoney,IsContainer) "
            "select ID,1,0,TotalAmount,0,'1' from Sale"),
    };
    for (QString &sql : statements)
        sql.replace(QLatin1String("%%"), QLatin1String("%"));
    statements << QStringLiteral("ANALYZE");
    QSqlDatabase db = mDatabase::gConnection();
    db.transaction();
    if (!run(statements.mid(0, statements.size() - 1), error)) {
        db.rollback();
        return false;
    }
    db.commit();
    return run({statements.last()}, error);
}

} // namespace BenchData
