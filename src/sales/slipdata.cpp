#include "sales/slipdata.h"

#include "datastore/currency.h"
#include "datastore/mdatabase.h"
#include "shell/datetext.h"
#include "shell/moneywords.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

// Every result is read whole and its statement finished before the next
// lookup: some ODBC drivers allow one active result per connection, and a
// slip asks several tables. Failures are kept quietly: the slip reports its
// own text once instead of the database layer's message for each lookup.
class SlipRows {
public:
    QList<QSqlRecord> read(const QString &sql, const QVariantList &values)
    {
        QList<QSqlRecord> rows;
        QSqlQuery query(mDatabase::gConnection());
        query.setForwardOnly(true);
        bool ok = query.prepare(sql);
        for (const QVariant &value : values)
            query.addBindValue(value);
        ok = ok && query.exec();
        if (!ok) {
            note(query.lastError().text());
            return rows;
        }
        while (query.next())
            rows.append(query.record());
        query.finish();
        return rows;
    }

    // The row of `table` with `id`; an empty record (every field then reads
    // as empty text) when there is none, so the other fields still fill.
    QSqlRecord byId(const char *table, qint64 id)
    {
        const QList<QSqlRecord> rows
            = read(QStringLiteral("select * from %1 where ID=?").arg(QLatin1String(table)), {id});
        if (!rows.isEmpty())
            return rows.first();
        if (m_failure.isEmpty())
            note(QStringLiteral("%1 中没有编号为 %2 的记录").arg(QLatin1String(table)).arg(id));
        return {};
    }

    const QString &failure() const { return m_failure; }

private:
    void note(const QString &text)
    {
        if (m_failure.isEmpty())
            m_failure = text;
    }

    QString m_failure;
};

QString text(const QSqlRecord &row, const char *column)
{
    return row.value(QLatin1String(column)).toString();
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
    SlipRows rows;
    const QList<QSqlRecord> found
        = rows.read(QStringLiteral("select * from Sale where ID=?"), {saleId});
    if (found.isEmpty()) {
        slip.failure = rows.failure().isEmpty()
            ? QStringLiteral("Sale 中没有编号为 %1 的记录").arg(saleId)
            : rows.failure();
        return slip;
    }
    const QSqlRecord &sale = found.first();
    f.insert(QStringLiteral("txtSaleID"), QString::number(saleId));
    const QDate date = DateText::fromValue(sale.value(QStringLiteral("CreateDate")));
    if (date.isValid())
        f.insert(
            QStringLiteral("txtDate"), SlipData::dateText(date.year(), date.month(), date.day()));
    f.insert(QStringLiteral("txtDetail"), text(sale, "Detail"));
    const Currency total = Currency::fromVariant(sale.value(QStringLiteral("TotalMoney")));
    f.insert(QStringLiteral("txtSmallTotal"), QStringLiteral("￥") + total.toGrouped());
    f.insert(QStringLiteral("txtBigTotal"), mSystem::MoneyToChinese(total));
    const auto key = [&sale](const char *column) {
        return sale.value(QLatin1String(column)).toLongLong();
    };

    // Each lookup fills its own fields: a missing customer leaves the
    // customer's fields empty and the operator, the delivery person and the
    // lines still print.
    f.insert(QStringLiteral("txtStation"), text(rows.byId("Station", key("StationID")), "Name"));
    const QSqlRecord customer = rows.byId("Customer", key("CustomerID"));
    f.insert(QStringLiteral("txtCustID"), text(customer, "Account"));
    f.insert(QStringLiteral("txtCustName"), text(customer, "Name"));
    f.insert(QStringLiteral("txtCustPhone"), text(customer, "Phone"));
    f.insert(QStringLiteral("txtAddress"), text(customer, "Address"));
    if (!customer.isEmpty())
        f.insert(QStringLiteral("txtCustType"),
            SlipData::customerTypeText(customer.value(QStringLiteral("CustType")).toInt()));
    f.insert(QStringLiteral("txtOperator"), text(rows.byId("SysUser", key("UserID")), "Name"));
    if (key("SenderID") != 0)
        f.insert(QStringLiteral("txtSender"), text(rows.byId("Sender", key("SenderID")), "Name"));

    const QList<QSqlRecord> lines = rows.read(
        QStringLiteral("select * from Sale_Detail where IsContainer='0' and SaleID=? order by ID"),
        {saleId});
    // Bottle lines never print, and the slip has room for three lines.
    for (int n = 1; n <= 3 && n <= lines.size(); ++n) {
        const QSqlRecord &line = lines.at(n - 1);
        const QString suffix = QString::number(n);
        f.insert(QStringLiteral("txtLine") + suffix, suffix);
        f.insert(QStringLiteral("txtPrice") + suffix, money(line.value(QStringLiteral("Price"))));
        f.insert(QStringLiteral("txtAmount") + suffix,
            QString::number(
                Currency::fromVariant(line.value(QStringLiteral("MyAmount"))).roundToWhole()));
        f.insert(QStringLiteral("txtMoney") + suffix, money(line.value(QStringLiteral("MyMoney"))));
        const QSqlRecord product
            = rows.byId("Product", line.value(QStringLiteral("ProductID")).toLongLong());
        f.insert(QStringLiteral("txtProduct") + suffix, text(product, "Name"));
        f.insert(QStringLiteral("txtUnit") + suffix, text(product, "Unit"));
    }
    slip.failure = rows.failure();
    return slip;
}

} // namespace SlipReader
