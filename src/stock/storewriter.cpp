#include "stock/storewriter.h"

#include "datastore/mdatabase.h"
#include "datastore/transaction.h"

using mDatabase::SqlStr;

namespace {

QString number(qint64 value)
{
    return QString::number(value);
}

QString directionFlag(StoreRecord::Direction direction)
{
    return direction == StoreRecord::Direction::Out ? QStringLiteral("'1'") : QStringLiteral("'0'");
}

bool insertLines(qint64 storeId, const QVector<StoreRecord::Line> &lines)
{
    for (const StoreRecord::Line &line : lines) {
        if (!mDatabase::ExecuteSQL(
                QStringLiteral(
                    "insert into Store_detail(StoreID,ProductID,Price,MyAmount,MyMoney)  "
                    "values(%1,%2,%3,%4,%5)")
                    .arg(number(storeId), number(line.productId), line.price.toSqlText(),
                        number(line.amount), line.money.toSqlText())))
            return false;
    }
    return true;
}

} // namespace

namespace StoreReader {

std::optional<StoreRecord> load(qint64 id)
{
    const auto header
        = mDatabase::OpenRecordset(QStringLiteral("Select * from Store where ID=%1").arg(id));
    if (!header || header->isEmpty())
        return std::nullopt;
    const auto field = [&](const char *name) {
        return header->value(0, QLatin1String(name));
    };
    StoreRecord doc;
    doc.id = id;
    doc.paperId = field("PaperID").toString();
    doc.createDate = field("CreateDate").toDate();
    doc.totalAmount = field("TotalAmount").toInt();
    doc.totalMoney = Currency::fromVariant(field("TotalMoney"));
    doc.detail = field("Detail").toString();
    doc.userId = field("UserID").toLongLong();
    doc.direction = field("Direction").toString() == QLatin1String("0")
        ? StoreRecord::Direction::In
        : StoreRecord::Direction::Out;
    doc.handInput = field("HandInput").toString() != QLatin1String("0");
    doc.finished = field("FinishFlag").toString() == QLatin1String("1");
    doc.stationId = field("StationID").toLongLong();

    const auto lines = mDatabase::OpenRecordset(
        QStringLiteral("select a.ProductID as product_id,a.MyAmount as product_MyAmount,"
                       "a.price as product_price,a.MyMoney as product_MyMoney,b.name as "
                       "product_name,b.unit as product_unit from Store_detail as a ,product as b "
                       "where a.StoreID=%1 and a.ProductID=b.ID order by a.ID")
            .arg(id));
    if (!lines || lines->isEmpty())
        return std::nullopt;
    for (int row = 0; row < lines->recordCount(); ++row) {
        const auto value = [&](const char *name) {
            return lines->value(row, QLatin1String(name));
        };
        StoreRecord::Line line;
        line.productId = value("product_id").toLongLong();
        line.productName = value("product_name").toString();
        line.unit = value("product_unit").toString();
        line.price = Currency::fromVariant(value("product_price"));
        line.amount = Currency::fromVariant(value("product_MyAmount")).roundToWhole();
        line.money = Currency::fromVariant(value("product_MyMoney"));
        doc.lines << line;
    }
    return doc;
}

} // namespace StoreReader

namespace StoreWriter {

qint64 saveNew(const StoreRecord &doc)
{
    mDatabase::Transaction tx;
    if (!tx)
        return 0;
    const qint64 id = mDatabase::InsertAndGetID(
        QStringLiteral(
            "insert into Store(PaperID,CreateDate,TotalAmount,TotalMoney,Detail,UserID,"
            "Direction,HandInput,FinishFlag,StationID) values (%1,%2,%3,%4,%5,%6,%7,'1','0',"
            "%8)")
            .arg(SqlStr(doc.paperId), mDatabase::dialect().dateLiteral(doc.createDate),
                number(doc.totalAmount), doc.totalMoney.toSqlText(), SqlStr(doc.detail),
                number(doc.userId), directionFlag(doc.direction), number(doc.stationId)));
    if (id == 0 || !insertLines(id, doc.lines))
        return 0;
    return tx.commit() ? id : 0;
}

Result saveEdit(const StoreRecord &doc, const StoreRecord &loaded)
{
    if (!loaded.handInput)
        return Result::Generated;
    if (loaded.finished)
        return Result::Finished;
    mDatabase::Transaction tx;
    if (!tx)
        return Result::Failed;
    // The header is rewritten only while it is still open and exactly as the
    // form read it; a document another workstation changed, closed or deleted
    // meanwhile is left alone and the operator told.
    const int changed = mDatabase::ExecuteAffected(
        QStringLiteral("update Store set PaperID=%1, Detail=%2, TotalAmount=%3, TotalMoney=%4,"
                       "UserID=%5, StationID=%6, Direction=%7 where ID=%8 and FinishFlag='0' and "
                       "HandInput='1' and PaperID=%9 and Detail=%10 and TotalAmount=%11 and "
                       "TotalMoney=%12 and UserID=%13 and StationID=%14 and Direction=%15")
            .arg(SqlStr(doc.paperId), SqlStr(doc.detail), number(doc.totalAmount),
                doc.totalMoney.toSqlText(), number(doc.userId), number(doc.stationId),
                directionFlag(doc.direction), number(loaded.id), SqlStr(loaded.paperId),
                SqlStr(loaded.detail), number(loaded.totalAmount), loaded.totalMoney.toSqlText(),
                number(loaded.userId), number(loaded.stationId), directionFlag(loaded.direction)));
    if (changed < 0)
        return Result::Failed;
    if (changed == 0)
        return Result::ChangedElsewhere;
    if (!mDatabase::ExecuteSQL(
            QStringLiteral("delete from store_detail where StoreID=%1").arg(number(loaded.id)))
        || !insertLines(loaded.id, doc.lines))
        return Result::Failed;
    return tx.commit() ? Result::Done : Result::Failed;
}

Result deleteOne(qint64 id)
{
    mDatabase::Transaction tx;
    if (!tx)
        return Result::Failed;
    const auto row = mDatabase::OpenRecordset(
        QStringLiteral("select HandInput,FinishFlag from Store where ID=%1").arg(number(id)));
    if (!row)
        return Result::Failed;
    if (row->isEmpty())
        return Result::ChangedElsewhere;
    if (row->value(0, QStringLiteral("HandInput")).toString() == QLatin1String("0"))
        return Result::Generated;
    if (row->value(0, QStringLiteral("FinishFlag")).toString() != QLatin1String("0"))
        return Result::Finished;
    const int deleted = mDatabase::ExecuteAffected(
        QStringLiteral("Delete from Store where ID=%1 and HandInput='1' and FinishFlag='0'")
            .arg(number(id)));
    if (deleted < 0)
        return Result::Failed;
    if (deleted == 0)
        return Result::ChangedElsewhere;
    if (!mDatabase::ExecuteSQL(
            QStringLiteral(" Delete from Store_Detail where StoreID=%1").arg(number(id))))
        return Result::Failed;
    return tx.commit() ? Result::Done : Result::Failed;
}

bool deleteAllOpen()
{
    mDatabase::Transaction tx;
    if (!tx)
        return false;
    // Headers first, then the lines whose header is really gone: a document
    // that another workstation saves or closes meanwhile keeps its lines.
    // What day closing generated is never deleted by hand, open or not.
    return mDatabase::ExecuteSQL(
               QStringLiteral("Delete from Store where FinishFlag='0' and HandInput='1'"))
        && mDatabase::ExecuteSQL(
            QStringLiteral("Delete from Store_Detail where StoreID not in (select ID from Store)"))
        && tx.commit();
}

} // namespace StoreWriter
