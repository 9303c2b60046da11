#include "benchdata.h"

#include "datastore/mdatabase.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTextStream>

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

bool generate(const Shape &shape, const QDate &today, QString *error)
{
    const bool pg = mDatabase::dialect().kind() == SqlDialect::PostgreSQL;
    const int stations = qMax(1, shape.stations);
    const int bottles = qBound(1, shape.bottles, shape.products - 1);
    const int goods = shape.products - bottles;
    const int perStation = qMax(1, shape.senders / stations);
    const int days = shape.years * 365 + shape.years / 4;
    const int weeks = days / 7;
    const int months = days / 30;
    const int customers = shape.customers > 0 ? shape.customers : qMax(100, shape.sales / 50);
    const int open = qBound(0, shape.open, shape.sales);

    // Every figure of the statements below is one of these numbers; the
    // statements name them {LIKE_THIS}, which reads better than %7.
    const QHash<QString, QString> numbers{
        {QStringLiteral("N"), QString::number(shape.sales)},
        {QStringLiteral("S"), QString::number(stations)},
        {QStringLiteral("B"), QString::number(bottles)},
        {QStringLiteral("G"), QString::number(goods)},
        {QStringLiteral("K"), QString::number(perStation)},
        {QStringLiteral("D"), QString::number(days)},
        {QStringLiteral("C"), QString::number(customers)},
        {QStringLiteral("FIRSTOPEN"), QString::number(shape.sales - open)},
        {QStringLiteral("TODAY"), mDatabase::dialect().dateLiteral(today)},
    };
    const auto fill = [&](QString sql) {
        for (auto it = numbers.cbegin(); it != numbers.cend(); ++it)
            sql.replace(QLatin1Char('{') + it.key() + QLatin1Char('}'), it.value());
        return sql;
    };
    // The numbers 1..n as rows of a column i, in each database's own way.
    const auto series = [pg](int n) {
        return pg ? QStringLiteral("(SELECT generate_series(1,%1) AS i) n").arg(n)
                  : QStringLiteral(
                      "(WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM s WHERE i<%1) "
                      "SELECT i FROM s) n")
                        .arg(n);
    };
    // The day `back` days before today, where `back` is an expression.
    const auto daysBefore = [pg](const QString &back) {
        return pg ? QStringLiteral("(DATE {TODAY} - (%1))").arg(back)
                  : QStringLiteral("date({TODAY}, '-' || (%1) || ' days')").arg(back);
    };

    // Products 1..B are bottles, B+1..B+G goods; goods of odd ID come in a
    // bottle (the bottle of ID (g % B) + 1), the others in boxes. A good's
    // price is 5 + (ID % 8).
    // Order i (its ID on an empty database) belongs to customer (i % C) + 1
    // and that customer's station; one of the station's senders delivers it.
    // It holds (i % 3) + 1 of good B + 1 + (i % G), every fourth one also
    // one of the next good. Every seventh is unpaid, every eleventh has its
    // bottles still out, every thirteenth is undelivered; the newest `open`
    // are not closed yet.
    const QString good = QStringLiteral("({B} + 1 + (%1 %% {G}))");
    const QString nextGood = QStringLiteral("({B} + 1 + ((%1 + 1) %% {G}))");
    const auto price = [](const QString &product) {
        return QStringLiteral("(5 + (%1 %% 8))").arg(product);
    };
    QStringList statements = {
        QStringLiteral("insert into Station(Name,Status) select '第' || (i + 1) || '水站','1' "
                       "from %1")
            .arg(series(stations - 1)),
        QStringLiteral("insert into Product(Name,Unit,Price,Status,IsContainer,ContainerID) "
                       "select '18.9升水桶' || i,'个',30,'1','1',0 from %1")
            .arg(series(bottles)),
        QStringLiteral("insert into Product(Name,Unit,Price,Status,IsContainer,ContainerID) "
                       "select '纯净水' || i,'桶',%1,'1','0',CASE WHEN (i + {B}) %% 2 = 1 THEN "
                       "((i + {B}) %% {B}) + 1 ELSE 0 END from %2 order by i")
            .arg(price(QStringLiteral("(i + {B})")), series(goods)),
        QStringLiteral("insert into Sender(Name,Phone,Price,Status,StationID) select '师傅' || "
                       "i,'139' || i,1,'1',((i - 1) %% {S}) + 1 from %1 order by i")
            .arg(series(perStation * stations)),
        QStringLiteral(
            "insert into "
            "Customer(Account,Name,Phone,Address,Detail,CustType,Status,UserID,CreateDate,"
            "StationID,TotalBuyMoney,TotalDebt) select i,'','8612' || i,'人民路' || i || "
            "'号','',1,'1',1,{TODAY},(i %% {S}) + 1,0,0 from %1 order by i")
            .arg(series(customers)),
        QStringLiteral(
            "insert into "
            "Sale(CustomerID,SenderID,UserID,TotalAmount,TotalMoney,TotalContainer,InMoney,"
            "OutAmount,InContainer,TransferFee,Detail,CreateDate,FinishFlag,StationID) "
            "select c, st + {S} * ((i / 7) %% {K}), 1, q + x, q * p + x * p2, tc, "
            "CASE WHEN i %% 7 = 0 THEN 0 ELSE q * p + x * p2 END, "
            "CASE WHEN i %% 13 = 0 THEN 0 ELSE q + x END, "
            "CASE WHEN i %% 11 = 0 THEN 0 ELSE tc END, 1, '', %1, "
            "CASE WHEN i > {FIRSTOPEN} THEN '0' ELSE '1' END, st from "
            "(select i, (i %% {C}) + 1 as c, (((i %% {C}) + 1) %% {S}) + 1 as st, "
            "(i %% 3) + 1 as q, CASE WHEN i %% 4 = 0 THEN 1 ELSE 0 END as x, %2 as p, %3 as p2, "
            "CASE WHEN %4 %% 2 = 1 THEN (i %% 3) + 1 ELSE 0 END as tc from %5) v order by i")
            .arg(daysBefore(QStringLiteral("({N} - i) * {D} / {N}")),
                price(good.arg(QStringLiteral("i"))), price(nextGood.arg(QStringLiteral("i"))),
                good.arg(QStringLiteral("i")), series(shape.sales)),
        QStringLiteral(
            "insert into Sale_detail(SaleID,ProductID,Price,MyAmount,MyMoney,IsContainer) "
            "select ID,%1,%2,(ID %% 3) + 1,((ID %% 3) + 1) * %2,'0' from Sale order by ID")
            .arg(good.arg(QStringLiteral("ID")), price(good.arg(QStringLiteral("ID")))),
        QStringLiteral(
            "insert into Sale_detail(SaleID,ProductID,Price,MyAmount,MyMoney,IsContainer) "
            "select ID,%1,%2,1,%2,'0' from Sale where ID %% 4 = 0 order by ID")
            .arg(nextGood.arg(QStringLiteral("ID")), price(nextGood.arg(QStringLiteral("ID")))),
        QStringLiteral(
            "insert into Sale_detail(SaleID,ProductID,Price,MyAmount,MyMoney,IsContainer) "
            "select ID,(%1 %% {B}) + 1,0,TotalContainer,0,'1' from Sale where TotalContainer>0 "
            "order by ID")
            .arg(good.arg(QStringLiteral("ID"))),
        // What the closings so far carried: a stock-out document for every
        // closed order that was delivered, paid and has its bottles back.
        QStringLiteral(
            "INSERT INTO Store(PaperID,CreateDate,TotalAmount,TotalMoney,Detail,UserID,HandInput,"
            "Direction,FinishFlag,StationID) select cast(ID as varchar(50)),CreateDate,"
            "TotalAmount,TotalMoney,'根据销售单自动生成',1,'0','1','1',StationID from Sale where "
            "FinishFlag='1' and TotalAmount-OutAmount=0 and TotalMoney-InMoney=0 and "
            "TotalContainer-InContainer=0 order by ID"),
        QStringLiteral(
            "INSERT INTO Store_Detail(StoreID,ProductID,Price,MyAmount,MyMoney) select "
            "Store.ID,d.ProductID,d.Price,d.MyAmount,d.MyMoney from Store,Sale_detail d where "
            "Store.HandInput='0' and d.SaleID=cast(Store.PaperID as integer) and "
            "d.IsContainer<>'1' order by Store.ID,d.ID"),
        // Every station takes in every product each week, and writes off a
        // little by hand each month; the last week's documents are open.
        QStringLiteral("INSERT INTO Store(PaperID,CreateDate,TotalAmount,TotalMoney,Detail,UserID,"
                       "HandInput,Direction,FinishFlag,StationID) select 'RK' || i,%1,0,0,'',1,"
                       "'1','0',CASE WHEN (i - 1) / {S} = 0 THEN '0' ELSE '1' END,"
                       "((i - 1) %% {S}) + 1 from %2 order by i")
            .arg(daysBefore(QStringLiteral("((i - 1) / {S}) * 7")), series(weeks * stations)),
        QStringLiteral("INSERT INTO Store_Detail(StoreID,ProductID,Price,MyAmount,MyMoney) select "
                       "Store.ID,Product.ID,Product.Price,CASE WHEN Product.IsContainer='1' THEN "
                       "5 ELSE 25 END,Product.Price * CASE WHEN Product.IsContainer='1' THEN 5 "
                       "ELSE 25 END from Store,Product where Store.HandInput='1' and "
                       "Store.Direction='0' order by Store.ID,Product.ID"),
        QStringLiteral("INSERT INTO Store(PaperID,CreateDate,TotalAmount,TotalMoney,Detail,UserID,"
                       "HandInput,Direction,FinishFlag,StationID) select 'CK' || i,%1,0,0,'',1,"
                       "'1','1','1',((i - 1) %% {S}) + 1 from %2 order by i")
            .arg(daysBefore(QStringLiteral("((i - 1) / {S}) * 30 + 3")), series(months * stations)),
        QStringLiteral(
            "INSERT INTO Store_Detail(StoreID,ProductID,Price,MyAmount,MyMoney) select "
            "Store.ID,Product.ID,Product.Price,2,Product.Price * 2 from Store,Product where "
            "Store.HandInput='1' and Store.Direction='1' and Product.ID={B} + 1 + (Store.ID %% "
            "{G}) order by Store.ID"),
        QStringLiteral("update Store set TotalAmount=(select sum(MyAmount) from Store_Detail where "
                       "StoreID=Store.ID),TotalMoney=(select sum(MyMoney) from Store_Detail where "
                       "StoreID=Store.ID) where HandInput='1'"),
    };
    for (QString &sql : statements)
        sql = fill(sql).replace(QLatin1String("%%"), QLatin1String("%"));

    QSqlDatabase db = mDatabase::gConnection();
    db.transaction();
    if (!run(statements, error)) {
        db.rollback();
        return false;
    }
    if (!db.commit()) {
        *error = db.lastError().text();
        return false;
    }
    // The orders must have the numbers the statements gave their lines.
    const auto last
        = mDatabase::OpenRecordset(QStringLiteral("select max(ID) as LastID from Sale"));
    if (!last || last->value(0, QStringLiteral("LastID")).toLongLong() != shape.sales) {
        *error = QStringLiteral("the database was not empty: order IDs do not start at 1");
        return false;
    }
    return run(
        {pg ? QStringLiteral("VACUUM ANALYZE Sale, Sale_detail, Store, Store_detail, Customer")
            : QStringLiteral("ANALYZE")},
        error);
}

bool reopenSettled(int count, QString *error)
{
    const auto rs = mDatabase::OpenRecordset(
        QStringLiteral("select ID from Sale where TotalAmount-OutAmount=0 and "
                       "TotalMoney-InMoney=0 and TotalContainer-InContainer=0 "
                       "order by ID desc limit 1 offset %1")
            .arg(count - 1));
    if (!rs || rs->isEmpty()) {
        *error = QStringLiteral("fewer settled orders than %1").arg(count);
        return false;
    }
    const QString first = rs->value(0, 0).toString();
    const QString generated = QStringLiteral(
        "select ID from Store where HandInput='0' and (CASE WHEN HandInput='0' THEN "
        "cast(PaperID as integer) ELSE 0 END)>=%1")
                                  .arg(first);
    for (const QString &sql :
        {QStringLiteral("delete from Store_detail where StoreID in (%1)").arg(generated),
            QStringLiteral("delete from Store where ID in (%1)").arg(generated),
            QStringLiteral("update Sale set FinishFlag='0' where ID>=%1").arg(first)}) {
        if (!mDatabase::ExecuteSQL(sql)) {
            *error = sql;
            return false;
        }
    }
    return true;
}

void quietOffscreen()
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &text) {
        if (!text.contains(QLatin1String("propagateSizeHints")))
            QTextStream(stderr) << text << Qt::endl;
    });
}

} // namespace BenchData
