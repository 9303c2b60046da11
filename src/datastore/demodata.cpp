#include "demodata.h"

#include "mdatabase.h"

#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVector>

namespace DemoData {
namespace {

using mDatabase::SqlStr;

class Writer {
public:
    explicit Writer(QString *error) : m_error(error) { }

    bool ok() const { return m_ok; }

    void exec(const QString &sql)
    {
        if (!m_ok)
            return;
        QSqlQuery query(mDatabase::gConnection());
        if (!query.exec(sql))
            fail(query.lastError().text(), sql);
    }

    qint64 insert(const QString &sql)
    {
        if (!m_ok)
            return 0;
        QString error;
        const qint64 id = mDatabase::InsertRow(sql, &error);
        if (id == 0)
            fail(error, sql);
        return id;
    }

private:
    void fail(const QString &error, const QString &sql)
    {
        m_ok = false;
        if (m_error)
            *m_error = error + QLatin1Char('\n') + sql;
    }

    QString *m_error;
    bool m_ok = true;
};

struct Product {
    qint64 id;
    int price;
    qint64 containerId;
};

int count(const QString &sql)
{
    QSqlQuery query(mDatabase::gConnection());
    if (!query.exec(sql) || !query.next())
        return -1;
    return query.value(0).toInt();
}

} // namespace

bool isEmptyDatabase()
{
    return count(QStringLiteral("select count(*) from Station")) <= 1
        && count(QStringLiteral("select count(*) from Sale")) == 0
        && count(QStringLiteral("select count(*) from Customer")) == 0
        && count(QStringLiteral("select count(*) from Product")) == 0;
}

bool fill(const QDate &today, QString *error)
{
    if (!isEmptyDatabase()) {
        if (error)
            *error = QStringLiteral("数据库中已有业务数据，未加入演示数据。");
        return false;
    }
    const SqlDialect &d = mDatabase::dialect();
    QSqlDatabase db = mDatabase::gConnection();
    if (!db.transaction()) {
        if (error)
            *error = db.lastError().text();
        return false;
    }
    Writer w(error);
    QRandomGenerator rng(20261208);

    // Stations and their people. The head station (ID 1) already exists.
    QVector<qint64> stations{1};
    w.exec(QStringLiteral("update Station set Name='总站（城中）' where ID=1"));
    for (const char *name : {"城东水站", "城西水站"})
        stations << w.insert(QStringLiteral("insert into Station(Name,Status) values(%1,'1')")
                                 .arg(SqlStr(QString::fromUtf8(name))));
    w.exec(QStringLiteral("insert into SysUser(Name,Pwd,rolestring,Detail,Status,StationID) "
                          "values('王芳','1','01111111','城东开票员','1',%1)")
               .arg(stations[1]));
    w.exec(QStringLiteral("insert into SysUser(Name,Pwd,rolestring,Detail,Status,StationID) "
                          "values('李强','1','01111101','城西开票员','1',%1)")
               .arg(stations[2]));
    w.exec(QStringLiteral("insert into SysUser(Name,Pwd,rolestring,Detail,Status,StationID) "
                          "values('赵敏','1','11111111','已离职','0',1)"));

    // Bottles first: the water products point at them.
    const qint64 bigBucket = w.insert(QStringLiteral(
        "insert into Product(Name,Unit,Detail,Price,IsDefault,Status,IsContainer,ContainerID) "
        "values('18.9升水桶','个','押金桶',30,'0','1','1',0)"));
    const qint64 smallBucket = w.insert(QStringLiteral(
        "insert into Product(Name,Unit,Detail,Price,IsDefault,Status,IsContainer,ContainerID) "
        "values('11.3升水桶','个','押金桶',20,'0','1','1',0)"));
    QVector<Product> goods;
    const struct {
        const char *name;
        const char *unit;
        int price;
        qint64 container;
        const char *isDefault;
    } catalogue[] = {
        {"18.9升纯净水", "桶", 10, bigBucket, "1"},
        {"18.9升矿泉水", "桶", 14, bigBucket, "1"},
        {"11.3升山泉水", "桶", 8, smallBucket, "0"},
        {"550毫升纯净水", "箱", 24, 0, "0"},
    };
    for (const auto &p : catalogue) {
        const qint64 id = w.insert(
            QStringLiteral(
                "insert into Product(Name,Unit,Detail,Price,IsDefault,Status,IsContainer,"
                "ContainerID) values(%1,%2,'',%3,%4,'1','0',%5)")
                .arg(SqlStr(QString::fromUtf8(p.name)), SqlStr(QString::fromUtf8(p.unit)))
                .arg(p.price)
                .arg(SqlStr(QString::fromLatin1(p.isDefault)))
                .arg(p.container));
        goods << Product{id, p.price, p.container};
    }
    w.exec(QStringLiteral(
        "insert into Product(Name,Unit,Detail,Price,IsDefault,Status,IsContainer,ContainerID) "
        "values('5升桶装水','桶','已停售',6,'0','0','0',0)"));

    // Delivery staff, two per station.
    const char *senderNames[] = {"刘师傅", "陈师傅", "张师傅", "杨师傅", "黄师傅", "周师傅"};
    QVector<QVector<qint64>> senders(stations.size());
    for (int i = 0; i < 6; ++i) {
        const int station = i / 2;
        senders[station] << w.insert(
            QStringLiteral("insert into Sender(Name,Phone,Detail,Price,Status,StationID) "
                           "values(%1,%2,'',%3,'1',%4)")
                .arg(SqlStr(QString::fromUtf8(senderNames[i])),
                    SqlStr(QStringLiteral("1390000%1").arg(1001 + i)))
                .arg(i % 2 ? QStringLiteral("1.5") : QStringLiteral("1"))
                .arg(stations[station]));
    }

    // Customers spread over the stations.
    const char *streets[] = {"人民路", "解放路", "建设路", "和平街", "幸福里", "长江路"};
    const char *names[] = {"", "刘洋", "陈静", "", "王建国", "阳光幼儿园", "", "李娜",
        "华信科技公司", "", "周涛", "吴敏", "", "第三中学", "孙丽"};
    struct Customer {
        qint64 id;
        int station;
    };
    QVector<Customer> customers;
    for (int i = 0; i < 15; ++i) {
        const int station = i % 3;
        const QString address = QStringLiteral("%1%2号%3")
                                    .arg(QString::fromUtf8(streets[i % 6]))
                                    .arg(10 + i * 7)
                                    .arg(i % 4 == 0 ? QStringLiteral("3单元502") : QString());
        const QString phone = QStringLiteral("%1").arg(86120000 + i * 137);
        const int type = QString::fromUtf8(names[i]).isEmpty() ? 0 : (i % 5 == 0 ? 2 : 1);
        const qint64 id = w.insert(
            QStringLiteral("insert into Customer(Account,Name,Phone,Address,Detail,CustType,Status,"
                           "UserID,CreateDate,StationID,TotalBuyMoney,TotalDebt) "
                           "values(0,%1,%2,%3,%4,%5,'1',1,%6,%7,0,0)")
                .arg(SqlStr(QString::fromUtf8(names[i])), SqlStr(phone), SqlStr(address),
                    SqlStr(type == 0 ? QStringLiteral("系统自动加入用户！") : QString()))
                .arg(type)
                .arg(d.dateLiteral(today.addDays(-30 + i)))
                .arg(stations[station]));
        customers << Customer{id, station};
    }
    w.exec(QStringLiteral("update Customer set Account=ID where Account=0"));

    // Four days of orders; every state of settling appears.
    for (int day = 3; day >= 0; --day) {
        const QDate date = today.addDays(-day);
        const int orders = 5 + int(rng.bounded(4));
        for (int n = 0; n < orders; ++n) {
            const Customer &c = customers[int(rng.bounded(customers.size()))];
            const Product &p = goods[int(rng.bounded(goods.size()))];
            const int amount = 1 + int(rng.bounded(3));
            const int bottles = p.containerId ? amount : 0;
            const int money = amount * p.price;
            const qint64 sender = senders[c.station][int(rng.bounded(2))];
            // 0 settled, 1 money owed, 2 not delivered, 3 bottles out, 4 all open.
            const int state = day > 1 ? int(rng.bounded(2)) * 3 : int(rng.bounded(5));
            const int inMoney = (state == 1 || state == 4) ? 0 : money;
            const int outAmount = (state == 2 || state == 4) ? 0 : amount;
            const int inContainer = (state == 3 || state == 4) ? 0 : bottles;
            const qint64 sale = w.insert(
                QStringLiteral("insert into Sale(CustomerID,SenderID,UserID,TotalAmount,TotalMoney,"
                               "TotalContainer,InMoney,OutAmount,InContainer,TransferFee,Detail,"
                               "CreateDate,FinishFlag,StationID) "
                               "values(%1,%2,1,%3,%4,%5,%6,%7,%8,%9,'',%10,'0',%11)")
                    .arg(c.id)
                    .arg(sender)
                    .arg(amount)
                    .arg(money)
                    .arg(bottles)
                    .arg(inMoney)
                    .arg(outAmount)
                    .arg(inContainer)
                    .arg(amount)
                    .arg(d.dateLiteral(date))
                    .arg(stations[c.station]));
            w.exec(QStringLiteral("insert into Sale_detail(SaleID,ProductID,Price,MyAmount,MyMoney,"
                                  "IsContainer) values(%1,%2,%3,%4,%5,'0')")
                       .arg(sale)
                       .arg(p.id)
                       .arg(p.price)
                       .arg(amount)
                       .arg(money));
            if (p.containerId)
                w.exec(QStringLiteral("insert into Sale_detail(SaleID,ProductID,Price,MyAmount,"
                                      "MyMoney,IsContainer) values(%1,%2,0,%3,0,'1')")
                           .arg(sale)
                           .arg(p.containerId)
                           .arg(bottles));
        }
        for (int call = 0; call < 3; ++call)
            w.exec(QStringLiteral("insert into Call(PhoneNumber,CreateDate) values(%1,%2)")
                       .arg(SqlStr(QStringLiteral("%1").arg(86120000 + int(rng.bounded(15)) * 137)),
                           d.dateTimeLiteral(date.startOfDay().addSecs(8 * 3600 + call * 5400))));
    }

    if (!w.ok() || !db.commit()) {
        if (w.ok() && error)
            *error = db.lastError().text();
        db.rollback();
        return false;
    }
    return true;
}

} // namespace DemoData
