#include "sales/salereader.h"

#include "datastore/boundstatement.h"
#include "datastore/mdatabase.h"
#include "shell/datetext.h"

namespace SaleReader {
namespace {

qint32 wholeNumber(const QVariant &value)
{
    return qint32(Currency::fromVariant(value).roundToWhole());
}

// False only when the query failed; a customer deleted since leaves the
// sale without one.
bool readCustomer(qint64 id, SaleRecord::Customer *customer)
{
    const auto rs = mDatabase::OpenBound(QStringLiteral("Select * from Customer where ID=?"), {id});
    if (!rs)
        return false;
    if (rs->isEmpty())
        return true;
    auto field = [&](const char *name) {
        return rs->value(0, QString::fromLatin1(name));
    };
    customer->id = id;
    customer->account = field("Account").toLongLong();
    customer->name = field("Name").toString();
    customer->phone = field("Phone").toString();
    customer->address = field("Address").toString();
    customer->createDate = DateText::fromValue(field("CreateDate"));
    customer->custType = field("CustType").toInt();
    customer->status = field("Status").toString();
    customer->stationId = field("StationID").toLongLong();
    return true;
}

} // namespace

std::optional<SaleRecord> load(qint64 id)
{
    const auto sale = mDatabase::OpenBound(QStringLiteral("Select * from Sale where ID=?"), {id});
    if (!sale || sale->isEmpty())
        return std::nullopt;
    auto field = [&](const char *name) {
        return sale->value(0, QString::fromLatin1(name));
    };

    SaleRecord record;
    record.id = field("ID").toLongLong();
    record.customerId = field("CustomerID").toLongLong();
    record.detail = field("Detail").toString();
    record.createDate = DateText::fromValue(field("CreateDate"));
    record.senderId = field("SenderID").toLongLong();
    record.stationId = field("StationID").toLongLong();
    record.userId = field("UserID").toLongLong();
    record.totalAmount = wholeNumber(field("TotalAmount"));
    record.totalMoney = Currency::fromVariant(field("TotalMoney"));
    record.totalContainer = wholeNumber(field("TotalContainer"));
    record.inMoney = Currency::fromVariant(field("InMoney"));
    record.outAmount = Currency::fromVariant(field("OutAmount"));
    record.inContainer = Currency::fromVariant(field("InContainer"));
    record.transferFee = Currency::fromVariant(field("TransferFee"));
    record.finished = mDatabase::TrimBlanks(field("FinishFlag").toString()) == QLatin1String("1");

    // Half a sale is never shown: it could be saved back as the whole.
    if (!readCustomer(record.customerId, &record.customer))
        return std::nullopt;
    record.address = record.customer.address;
    record.phone = record.customer.phone;

    const auto lines = mDatabase::OpenBound(
        QStringLiteral(
            "select a.ProductID as product_id,a.MyAmount as product_MyAmount,a.price as "
            "product_price,a.MyMoney as product_MyMoney,b.name as product_name,b.unit as "
            "product_unit from Sale_detail as a ,product as b where a.SaleID=? and "
            "a.ProductID=b.ID and a.IsContainer='0' order by a.ID"),
        {id});
    if (!lines)
        return std::nullopt;
    for (int row = 0; row < lines->recordCount(); ++row) {
        auto value = [&](const char *name) {
            return lines->value(row, QString::fromLatin1(name));
        };
        SaleRecord::Line line;
        line.productId = value("product_id").toLongLong();
        line.price = Currency::fromVariant(value("product_price"));
        line.amount = wholeNumber(value("product_MyAmount"));
        line.money = Currency::fromVariant(value("product_MyMoney"));
        line.name = value("product_name").toString();
        line.unit = value("product_unit").toString();
        record.lines << line;
    }
    return record;
}

WindowSettings windowSettings()
{
    const QStringList names = {QStringLiteral("AutoOutAmount"), QStringLiteral("AutoInMoney"),
        QStringLiteral("AutoInContainer"), QStringLiteral("SearchAddress")};
    const auto rs = mDatabase::OpenBound(
        QStringLiteral("select Name,myValue from SysValue where Name in (?,?,?,?)"),
        {names[0], names[1], names[2], names[3]});
    const auto on = [&](const QString &name) {
        for (int row = 0; rs && row < rs->recordCount(); ++row)
            if (rs->value(row, QStringLiteral("Name")).toString() == name)
                return rs->value(row, QStringLiteral("myValue")).toString() == QLatin1String("1");
        return false;
    };
    return {.autoOutAmount = on(names[0]),
        .autoInMoney = on(names[1]),
        .autoInContainer = on(names[2]),
        .searchAddress = on(names[3])};
}

} // namespace SaleReader
