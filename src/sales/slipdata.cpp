#include "sales/slipdata.h"

#include "datastore/currency.h"
#include "datastore/mdatabase.h"
#include "shell/datetext.h"
#include "shell/moneywords.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

// One row of a statement, read quietly: the slip reports its own failure
// text instead of the database layer's message for each lookup.
class Rows {
public:
    bool open(const QString &sql)
    {
        m_query = QSqlQuery(mDatabase::gConnection());
        m_query.setForwardOnly(true);
        if (!m_query.exec(sql)) {
            m_error = m_query.lastError().text();
            return false;
        }
        return true;
    }
    bool next() { return m_query.next(); }
    QVariant value(const char *column) const
    {
        return m_query.value(m_query.record().indexOf(QLatin1String(column)));
    }
    const QString &error() const { return m_error; }

private:
    QSqlQuery m_query;
    QString m_error;
};

// The row of `table` with `id`, or the reason there is none.
bool lookUp(Rows *rows, const char *table, qint64 id, QString *failure)
{
    if (!rows->open(QStringLiteral("select * from %1 where ID=%2")
                        .arg(QLatin1String(table), QString::number(id)))) {
        *failure = rows->error();
        return false;
    }
    if (!rows->next()) {
        *failure = QStringLiteral("%1 中没有编号为 %2 的记录").arg(QLatin1String(table)).arg(id);
        return false;
    }
    return true;
}

QString money(const QVariant &value)
{
    return Currency::fromVariant(value).toGrouped();
}

} // namespace

QString SlipData::customerTypeText(int type)
{
    switch (type) {
    case 0:
        return QStringLiteral("未开户");
    case 1:
        return QStringLiteral("已开户");
    case 2:
        return QStringLiteral("大客户");
    case 3:
        return QStringLiteral("托管户");
    case 4:
        return QStringLiteral("其它");
    default:
        return {};
    }
}

QString SlipData::dateText(int year, int month, int day)
{
    return QStringLiteral("%1年%2月%3日").arg(year).arg(month).arg(day);
}

namespace SlipReader {

SlipData load(qint64 saleId)
{
    SlipData slip;
    auto &f = slip.fields;
    Rows sale, row;
    if (!lookUp(&sale, "Sale", saleId, &slip.failure))
        return slip;
    f.insert(QStringLiteral("txtSaleID"), QString::number(saleId));
    const QDate date = DateText::fromValue(sale.value("CreateDate"));
    if (date.isValid())
        f.insert(
            QStringLiteral("txtDate"), SlipData::dateText(date.year(), date.month(), date.day()));
    f.insert(QStringLiteral("txtDetail"), sale.value("Detail").toString());
    const Currency total = Currency::fromVariant(sale.value("TotalMoney"));
    f.insert(QStringLiteral("txtSmallTotal"), QStringLiteral("￥") + total.toGrouped());
    f.insert(QStringLiteral("txtBigTotal"), mSystem::MoneyToChinese(total));
    const qint64 station = sale.value("StationID").toLongLong();
    const qint64 customer = sale.value("CustomerID").toLongLong();
    const qint64 user = sale.value("UserID").toLongLong();
    const qint64 sender = sale.value("SenderID").toLongLong();

    if (!lookUp(&row, "Station", station, &slip.failure))
        return slip;
    f.insert(QStringLiteral("txtStation"), row.value("Name").toString());
    if (!lookUp(&row, "Customer", customer, &slip.failure))
        return slip;
    f.insert(QStringLiteral("txtCustID"), row.value("Account").toString());
    f.insert(QStringLiteral("txtCustName"), row.value("Name").toString());
    f.insert(QStringLiteral("txtCustPhone"), row.value("Phone").toString());
    f.insert(QStringLiteral("txtAddress"), row.value("Address").toString());
    f.insert(
        QStringLiteral("txtCustType"), SlipData::customerTypeText(row.value("CustType").toInt()));
    if (!lookUp(&row, "SysUser", user, &slip.failure))
        return slip;
    f.insert(QStringLiteral("txtOperator"), row.value("Name").toString());
    if (sender != 0) {
        if (!lookUp(&row, "Sender", sender, &slip.failure))
            return slip;
        f.insert(QStringLiteral("txtSender"), row.value("Name").toString());
    }

    Rows lines;
    if (!lines.open(QStringLiteral("select * from Sale_Detail where IsContainer='0' and SaleID=%1 "
                                   "order by ID")
                        .arg(saleId))) {
        slip.failure = lines.error();
        return slip;
    }
    // Bottle lines never print, and the slip has room for three lines.
    for (int n = 1; n <= 3 && lines.next(); ++n) {
        const QString suffix = QString::number(n);
        f.insert(QStringLiteral("txtLine") + suffix, suffix);
        f.insert(QStringLiteral("txtPrice") + suffix, money(lines.value("Price")));
        f.insert(QStringLiteral("txtAmount") + suffix,
            QString::number(Currency::fromVariant(lines.value("MyAmount")).roundToWhole()));
        f.insert(QStringLiteral("txtMoney") + suffix, money(lines.value("MyMoney")));
        if (!lookUp(&row, "Product", lines.value("ProductID").toLongLong(), &slip.failure))
            return slip;
        f.insert(QStringLiteral("txtProduct") + suffix, row.value("Name").toString());
        f.insert(QStringLiteral("txtUnit") + suffix, row.value("Unit").toString());
    }
    return slip;
}

} // namespace SlipReader
