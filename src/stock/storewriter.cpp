#include "stock/storewriter.h"

#include "datastore/boundstatement.h"
#include "datastore/transaction.h"

namespace {

QVariant money(const Currency &value)
{
    return QVariant::fromValue(value);
}

QString directionFlag(StoreRecord::Direction direction)
{
    return direction == StoreRecord::Direction::Out ? QStringLiteral("1") : QStringLiteral("0");
}

bool insertLines(qint64 storeId, const QVector<StoreRecord::Line> &lines)
{
    for (const StoreRecord::Line &line : lines) {
        if (!mDatabase::ExecuteBound(
                QStringLiteral("insert into Store_detail(StoreID,ProductID,Price,MyAmount,MyMoney) "
                               "values(?,?,?,?,?)"),
                {storeId, line.productId, money(line.price), line.amount, money(line.money)}))
            return false;
    }
    return true;
}

// The header columns an edit finds unchanged before it writes.
const char *const ComparedColumns[]
    = {"PaperID", "Detail", "TotalAmount", "TotalMoney", "UserID", "StationID", "Direction"};

// Every amount of the document, for the range check before it is stored.
QList<Currency> amounts(const StoreRecord &doc)
{
    QList<Currency> all{doc.totalMoney};
    for (const StoreRecord::Line &line : doc.lines)
        all << line.price << line.money;
    return all;
}

} // namespace

namespace StoreReader {

std::optional<StoreRecord> load(qint64 id)
{
    const auto header
        = mDatabase::OpenBound(QStringLiteral("Select * from Store where ID=?"), {id});
    if (!header || header->isEmpty())
        return std::nullopt;
    const auto field = [&](const char *name) {
        return header->value(0, QLatin1String(name));
    };
    StoreRecord doc;
    doc.id = id;
    doc.paperId = field("PaperID").toString();
    doc.createDate = field("CreateDate").toDate();
    for (const char *column : ComparedColumns)
        doc.asStored.insert(QLatin1String(column), field(column));
    doc.totalAmount = qint32(Currency::fromVariant(field("TotalAmount")).roundToWhole());
    doc.totalMoney = Currency::fromVariant(field("TotalMoney"));
    doc.detail = field("Detail").toString();
    doc.userId = field("UserID").toLongLong();
    doc.direction = field("Direction").toString() == QLatin1String("0")
        ? StoreRecord::Direction::In
        : StoreRecord::Direction::Out;
    // A missing flag reads as day closing's statements read it: made by
    // hand and not closed.
    doc.handInput = field("HandInput").toString() != QLatin1String("0");
    doc.finished = field("FinishFlag").toString() == QLatin1String("1");
    doc.stationId = field("StationID").toLongLong();

    const auto lines = mDatabase::OpenBound(
        QStringLiteral("select a.ProductID as product_id,a.MyAmount as product_MyAmount,"
                       "a.price as product_price,a.MyMoney as product_MyMoney,b.name as "
                       "product_name,b.unit as product_unit from Store_detail as a ,product as b "
                       "where a.StoreID=? and a.ProductID=b.ID order by a.ID"),
        {id});
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
    if (!mDatabase::AmountsInRange(amounts(doc)))
        return 0;
    mDatabase::Transaction tx;
    if (!tx)
        return 0;
    const qint64 id = mDatabase::InsertBoundAndGetID(
        QStringLiteral(
            "insert into Store(PaperID,CreateDate,TotalAmount,TotalMoney,Detail,UserID,"
            "Direction,HandInput,FinishFlag,StationID) values (?,?,?,?,?,?,?,'1','0',?)"),
        {doc.paperId, doc.createDate, doc.totalAmount, money(doc.totalMoney), doc.detail,
            doc.userId, directionFlag(doc.direction), doc.stationId});
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
    if (!mDatabase::AmountsInRange(amounts(doc)))
        return Result::Failed;
    mDatabase::Transaction tx;
    if (!tx)
        return Result::Failed;
    // The header is rewritten only while it is still open and exactly as the
    // form read it; a document another workstation changed, closed or deleted
    // meanwhile is left alone and the operator told. Each column is compared
    // as stored: an empty one (NULL) stays empty, a number with its decimals.
    QString unchanged;
    QVariantList values{doc.paperId, doc.detail, doc.totalAmount, money(doc.totalMoney), doc.userId,
        doc.stationId, directionFlag(doc.direction), loaded.id};
    for (const char *column : ComparedColumns) {
        const QVariant asRead = loaded.asStored.value(QLatin1String(column));
        if (asRead.isNull()) {
            unchanged += QStringLiteral(" and %1 is null").arg(QLatin1String(column));
        } else {
            unchanged += QStringLiteral(" and %1=?").arg(QLatin1String(column));
            values << asRead;
        }
    }
    const int changed = mDatabase::ExecuteBoundAffected(
        QStringLiteral("update Store set PaperID=?, Detail=?, TotalAmount=?, TotalMoney=?, "
                       "UserID=?, StationID=?, Direction=? where ID=? and "
                       "coalesce(FinishFlag,'0')='0' and coalesce(HandInput,'1')='1'")
            + unchanged,
        values);
    if (changed < 0)
        return Result::Failed;
    if (changed == 0)
        return Result::ChangedElsewhere;
    if (!mDatabase::ExecuteBound(
            QStringLiteral("delete from store_detail where StoreID=?"), {loaded.id})
        || !insertLines(loaded.id, doc.lines))
        return Result::Failed;
    return tx.commit() ? Result::Done : Result::Failed;
}

Result deleteOne(qint64 id)
{
    mDatabase::Transaction tx;
    if (!tx)
        return Result::Failed;
    const auto row = mDatabase::OpenBound(
        QStringLiteral("select HandInput,FinishFlag from Store where ID=?"), {id});
    if (!row)
        return Result::Failed;
    if (row->isEmpty())
        return Result::ChangedElsewhere;
    if (row->value(0, QStringLiteral("HandInput")).toString() == QLatin1String("0"))
        return Result::Generated;
    if (row->value(0, QStringLiteral("FinishFlag")).toString() == QLatin1String("1"))
        return Result::Finished;
    const int deleted = mDatabase::ExecuteBoundAffected(
        QStringLiteral("Delete from Store where ID=? and coalesce(HandInput,'1')='1' and "
                       "coalesce(FinishFlag,'0')='0'"),
        {id});
    if (deleted < 0)
        return Result::Failed;
    if (deleted == 0)
        return Result::ChangedElsewhere;
    if (!mDatabase::ExecuteBound(QStringLiteral("Delete from Store_Detail where StoreID=?"), {id}))
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
    return mDatabase::ExecuteBound(QStringLiteral("Delete from Store where "
                                                  "coalesce(FinishFlag,'0')='0' and "
                                                  "coalesce(HandInput,'1')='1'"),
               {})
        && mDatabase::ExecuteBound(
            QStringLiteral("Delete from Store_Detail where StoreID not in (select ID from Store)"),
            {})
        && tx.commit();
}

} // namespace StoreWriter
