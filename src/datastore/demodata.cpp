#include "datastore/demodata.h"

#include "datastore/mdatabase.h"
#include "datastore/prompt.h"

#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVector>

#include <iterator>

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
    const auto number = [](qint64 n) {
        return QString::number(n);
    };

    // Stations and their people. The head station (ID 1) already exists.
    QVector<qint64> stations{1};
    w.exec(QStringLiteral("update Station set Name='总站（城中）' where ID=1"));
    for (const QString &name : {QStringLiteral("城东水站"), QStringLiteral("城西水站")})
        stations << w.insert(
            QStringLiteral("insert into Station(Name,Status) values(%1,'1')").arg(SqlStr(name)));
    w.exec(QStringLiteral("insert into SysUser(Name,Pwd,rolestring,Detail,Status,StationID) "
                          "values('王芳','1','01111111','城东开票员','1',%1)")
               .arg(number(stations[1])));
    w.exec(QStringLiteral("insert into SysUser(Name,Pwd,rolestring,Detail,Status,StationID) "
                          "values('李强','1','01111101','城西开票员','1',%1)")
               .arg(number(stations[2])));
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
        QString name;
        QString unit;
        int price;
        qint64 container;
        QString isDefault;
    } catalogue[] = {
        {QStringLiteral("18.9升纯净水"), QStringLiteral("桶"), 10, bigBucket, QStringLiteral("1")},
        {QStringLiteral("18.9升矿泉水"), QStringLiteral("桶"), 14, bigBucket, QStringLiteral("1")},
        {QStringLiteral("11.3升山泉水"), QStringLiteral("桶"), 8, smallBucket, QStringLiteral("0")},
        {QStringLiteral("550毫升纯净水"), QStringLiteral("箱"), 24, 0, QStringLiteral("0")},
    };
    for (const auto &p : catalogue) {
        const qint64 id = w.insert(QStringLiteral(
            "insert into Product(Name,Unit,Detail,Price,IsDefault,Status,IsContainer,"
            "ContainerID) values(%1,%2,'',%3,%4,'1','0',%5)")
                                       .arg(SqlStr(p.name), SqlStr(p.unit), number(p.price),
                                           SqlStr(p.isDefault), number(p.container)));
        goods << Product{id, p.price, p.container};
    }
    w.exec(QStringLiteral(
        "insert into Product(Name,Unit,Detail,Price,IsDefault,Status,IsContainer,ContainerID) "
        "values('5升桶装水','桶','已停售',6,'0','0','0',0)"));

    // Delivery staff, two per station.
    const QString senderNames[]
        = {QStringLiteral("刘师傅"), QStringLiteral("陈师傅"), QStringLiteral("张师傅"),
            QStringLiteral("杨师傅"), QStringLiteral("黄师傅"), QStringLiteral("周师傅")};
    QVector<QVector<qint64>> senders(stations.size());
    for (int i = 0; i < 6; ++i) {
        const int station = i / 2;
        senders[station] << w.insert(
            QStringLiteral("insert into Sender(Name,Phone,Detail,Price,Status,StationID) "
                           "values(%1,%2,'',%3,'1',%4)")
                .arg(SqlStr(senderNames[i]), SqlStr(QStringLiteral("1390000") + number(1001 + i)),
                    i % 2 ? QStringLiteral("1.5") : QStringLiteral("1"),
                    number(stations[station])));
    }

    // Customers spread over the stations. The last one has stopped taking
    // water for now: the lists show what a suspended customer looks like.
    const QString streets[]
        = {QStringLiteral("人民路"), QStringLiteral("解放路"), QStringLiteral("建设路"),
            QStringLiteral("和平街"), QStringLiteral("幸福里"), QStringLiteral("长江路")};
    const QString names[] = {QString(), QStringLiteral("刘洋"), QStringLiteral("陈静"), QString(),
        QStringLiteral("王建国"), QStringLiteral("阳光幼儿园"), QString(), QStringLiteral("李娜"),
        QStringLiteral("华信科技公司"), QString(), QStringLiteral("周涛"), QStringLiteral("吴敏"),
        QString(), QStringLiteral("第三中学"), QStringLiteral("孙丽")};
    const int customerCount = int(std::size(names));
    const int suspended = customerCount - 1;
    struct Customer {
        qint64 id;
        int station;
    };
    QVector<Customer> customers;
    for (int i = 0; i < customerCount; ++i) {
        const int station = i % 3;
        const QString address = streets[i % 6] + number(10 + i * 7) + QStringLiteral("号")
            + (i % 4 == 0 ? QStringLiteral("3单元502") : QString());
        const QString phone = number(86120000 + i * 137);
        const int type = names[i].isEmpty() ? 0 : (i % 5 == 0 ? 2 : 1);
        const QString detail = i == suspended ? QStringLiteral("暂停送水，等客户通知")
            : type == 0                       ? QStringLiteral("系统自动加入用户！")
                                              : QString();
        const qint64 id = w.insert(
            QStringLiteral("insert into Customer(Account,Name,Phone,Address,Detail,CustType,Status,"
                           "UserID,CreateDate,StationID,TotalBuyMoney,TotalDebt) "
                           "values(0,%1,%2,%3,%4,%5,%6,1,%7,%8,0,0)")
                .arg(SqlStr(names[i]), SqlStr(phone), SqlStr(address), SqlStr(detail), number(type),
                    SqlStr(i == suspended ? QStringLiteral("0") : QStringLiteral("1")),
                    d.dateLiteral(today.addDays(-30 + i)), number(stations[station])));
        customers << Customer{id, station};
    }
    w.exec(QStringLiteral("update Customer set Account=ID where Account=0"));

    struct Order {
        Customer customer;
        Product product;
        int amount;
        // 0 settled, 1 money owed, 2 not delivered, 3 bottles out, 4 all open.
        int state;
        QDate date;
        // Taken before the day closing: a settled order has been carried
        // into the stock books and closed.
        bool beforeClosing;
    };
    const auto addOrder = [&](const Order &o) {
        const Product &p = o.product;
        const int bottles = p.containerId ? o.amount : 0;
        const int money = o.amount * p.price;
        const int inMoney = (o.state == 1 || o.state == 4) ? 0 : money;
        const int outAmount = (o.state == 2 || o.state == 4) ? 0 : o.amount;
        const int inContainer = (o.state == 3 || o.state == 4) ? 0 : bottles;
        const bool closed = o.beforeClosing && o.state == 0;
        const qint64 sender = senders[o.customer.station][int(rng.bounded(2))];
        const qint64 station = stations[o.customer.station];
        const qint64 sale = w.insert(
            QStringLiteral("insert into Sale(CustomerID,SenderID,UserID,TotalAmount,TotalMoney,"
                           "TotalContainer,InMoney,OutAmount,InContainer,TransferFee,Detail,"
                           "CreateDate,FinishFlag,StationID) "
                           "values(%1,%2,1,%3,%4,%5,%6,%7,%8,%9,'',%10,%11,%12)")
                .arg(number(o.customer.id), number(sender), number(o.amount), number(money),
                    number(bottles), number(inMoney), number(outAmount), number(inContainer),
                    number(o.amount), d.dateLiteral(o.date),
                    SqlStr(closed ? QStringLiteral("1") : QStringLiteral("0")), number(station)));
        w.exec(
            QStringLiteral("insert into Sale_detail(SaleID,ProductID,Price,MyAmount,MyMoney,"
                           "IsContainer) values(%1,%2,%3,%4,%5,'0')")
                .arg(number(sale), number(p.id), number(p.price), number(o.amount), number(money)));
        if (p.containerId)
            w.exec(QStringLiteral("insert into Sale_detail(SaleID,ProductID,Price,MyAmount,"
                                  "MyMoney,IsContainer) values(%1,%2,0,%3,0,'1')")
                       .arg(number(sale), number(p.containerId), number(bottles)));
        if (!closed)
            return;
        // What the closing leaves behind for a carried sale: a generated
        // stock-out document with the sale's goods lines.
        const qint64 store = w.insert(
            QStringLiteral("insert into Store(PaperID,CreateDate,TotalAmount,TotalMoney,Detail,"
                           "UserID,HandInput,Direction,FinishFlag,StationID) "
                           "values(%1,%2,%3,%4,'根据销售单自动生成',1,'0','1','1',%5)")
                .arg(SqlStr(number(sale)), d.dateLiteral(o.date), number(o.amount), number(money),
                    number(station)));
        w.exec(QStringLiteral("insert into Store_detail(StoreID,ProductID,Price,MyAmount,MyMoney) "
                              "values(%1,%2,%3,%4,%5)")
                   .arg(number(store), number(p.id), number(p.price), number(o.amount),
                       number(money)));
    };

    // Four days of orders; every state of settling appears. The day closing
    // ran around noon today: what was settled by then is closed (the sale
    // list shows today's closed orders grey), what still owed money or
    // bottles stayed open, and undelivered orders were deleted by it, so
    // none is older than the closing. A suspended customer orders nothing.
    for (int day = 3; day >= 0; --day) {
        const QDate date = today.addDays(-day);
        const int orders = 6 + int(rng.bounded(4));
        for (int n = 0; n < orders; ++n) {
            const Customer &c = customers[int(rng.bounded(suspended))];
            const Product &p = goods[int(rng.bounded(goods.size()))];
            const int amount = 1 + int(rng.bounded(3));
            const bool beforeClosing = day > 0 || n < orders / 2;
            // Before the closing: mostly settled, some owing money or bottles.
            static const int carried[] = {0, 0, 0, 1, 3};
            const int state = beforeClosing ? carried[rng.bounded(5)] : int(rng.bounded(5));
            addOrder(Order{c, p, amount, state, date, beforeClosing});
        }
        for (int call = 0; call < 3; ++call)
            w.exec(QStringLiteral("insert into Call(PhoneNumber,CreateDate) values(%1,%2)")
                       .arg(SqlStr(number(86120000 + int(rng.bounded(customerCount)) * 137)),
                           d.dateTimeLiteral(date.startOfDay().addSecs(8 * 3600 + call * 5400))));
    }
    // Whatever the dice said: one customer keeps three bottles of an order
    // that is otherwise paid and delivered, another has owed two since
    // before the closing, and a settled order of this morning is closed.
    addOrder(Order{customers[1], goods[0], 3, 3, today.addDays(-1), true});
    addOrder(Order{customers[4], goods[1], 2, 3, today.addDays(-3), true});
    addOrder(Order{customers[2], goods[0], 2, 0, today, true});

    if (!w.ok() || !db.commit()) {
        if (w.ok() && error)
            *error = db.lastError().text();
        db.rollback();
        return false;
    }
    return true;
}

bool askAndFill(const QDate &today)
{
    if (!isEmptyDatabase()
        || !Prompt::confirm(
            QStringLiteral("这是一个新的数据库。要填入演示数据吗？"), QStringLiteral("演示数据")))
        return false;
    QString error;
    if (fill(today, &error))
        return true;
    Prompt::error(QStringLiteral("加入演示数据失败：") + error, QStringLiteral("错误"));
    return false;
}

bool offerOnce(const QDate &today)
{
    bool ok = false;
    if (!isEmptyDatabase() || mDatabase::GetSysValue(OfferedSettingName, &ok) == QLatin1String("1")
        || !ok || !mDatabase::SetSysValue(OfferedSettingName, QStringLiteral("1")))
        return false;
    return askAndFill(today);
}

} // namespace DemoData
