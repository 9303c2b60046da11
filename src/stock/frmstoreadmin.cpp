#include "stock/frmstoreadmin.h"

#include "datastore/currency.h"
#include "datastore/mdatabase.h"
#include "datastore/prompt.h"
#include "shell/loginstate.h"
#include "stock/frmstore.h"
#include "stock/frmstorefilter.h"
#include "stock/storelines.h"
#include "stock/storewriter.h"

#include <QSqlRecord>

namespace {

QString directionText(const QVariant &value)
{
    return mDatabase::TrimBlanks(value.toString()) == QLatin1String("1")
        ? QStringLiteral("出货单据")
        : QStringLiteral("进货单据");
}

} // namespace

frmStoreAdmin::frmStoreAdmin(QWidget *parent) : ListWindow(parent)
{
    setObjectName(QStringLiteral("frmStoreAdmin"));
    setWindowTitle(QStringLiteral("库存管理"));
    SetMyDBGrid();
    setPrintTitle(QStringLiteral("\t库存单据一览表"));
    setUnsortableFields({QStringLiteral("Detail")});
    setRowStyler([](const QSqlRecord &row) {
        return mDatabase::TrimBlanks(row.value(QStringLiteral("FinishFlag")).toString())
                == QLatin1String("1")
            ? ListModel::RowStyle::Closed
            : ListModel::RowStyle::Normal;
    });
    setFooterTexts([this] { return totalTexts(); });

    curShortSQL = QStringLiteral(" SELECT * FROM Store");
    // Another station's operator sees his own station's documents only.
    curFilterSQL
        = gIsHeadStation ? QString() : QStringLiteral(" Where StationID=%1").arg(gStationID);
    curSortSQL = QStringLiteral(" ORDER BY ID Asc");

    ListCommands &c = commands();
    offerPrintCommands(false);
    c.AddNew = std::bind_front(&frmStoreAdmin::AddNew, this);
    c.EditData = std::bind_front(&frmStoreAdmin::EditData, this);
    c.DeleteData = std::bind_front(&frmStoreAdmin::DeleteData, this);
    c.DeleteAll = std::bind_front(&frmStoreAdmin::DeleteAll, this);
    c.ShowFilter = std::bind_front(&frmStoreAdmin::ShowFilter, this);
    loadRows();
}

void frmStoreAdmin::SetMyDBGrid()
{
    setGridCaption(QStringLiteral(":::进出库单据列表:::"));
    const auto right = Qt::AlignRight;
    setColumns({{QStringLiteral("系统序号"), QStringLiteral("ID"), 900},
        {QStringLiteral("发生日期"), QStringLiteral("CreateDate"), 1300, Qt::AlignCenter,
            ListColumn::Date},
        {QStringLiteral("原始单据号"), QStringLiteral("PaperID"), 1500},
        {QStringLiteral("单据种类"), QStringLiteral("Direction"), 1100, Qt::AlignCenter,
            ListColumn::Text, false, directionText},
        {QStringLiteral("数量"), QStringLiteral("TotalAmount"), 1600, right, ListColumn::Number,
            true},
        {QStringLiteral("金额"), QStringLiteral("TotalMoney"), 1600, right, ListColumn::Money, true,
            StoreRules::moneyText},
        {QStringLiteral("操作员编号"), QStringLiteral("UserID"), 1100},
        {QStringLiteral("备注"), QStringLiteral("Detail"), 3000}});
}

QStringList frmStoreAdmin::totalTexts()
{
    QStringList footer(8);
    footer[1] = QStringLiteral("总计：");
    // Both sums and the count in one pass over the documents.
    const auto rs = mDatabase::OpenRecordset(
        QStringLiteral("select sum(TotalAmount) as TotalAmount,sum(TotalMoney) as TotalMoney,"
                       "count(*) as TotalRow from Store%1")
            .arg(curFilterSQL));
    const auto whole = [&](const char *field) {
        // Whole numbers, as the totals of this list have always been shown.
        return rs && !rs->isEmpty() ? QString::number(
                   Currency::fromVariant(rs->value(0, QLatin1String(field))).roundToWhole())
                                    : QStringLiteral("0");
    };
    footer[4] = QStringLiteral("总数量：%1").arg(whole("TotalAmount"));
    footer[5] = QStringLiteral("总金额：%1元").arg(whole("TotalMoney"));
    footer[7] = QStringLiteral("共%1张").arg(whole("TotalRow"));
    return footer;
}

void frmStoreAdmin::AddNew()
{
    openForm<frmStore>(frmStore::New);
}

void frmStoreAdmin::EditData()
{
    editSelected<frmStore>();
}

void frmStoreAdmin::DeleteData()
{
    const QString id = selectedID();
    if (id.isEmpty()) {
        Prompt::information(
            QStringLiteral("请先选定您要删除或作废的单据！"), QStringLiteral("提示"));
        return;
    }
    const QString generated = QStringLiteral("此单据由系统所生成，不能直接由手工删除或禁用！");
    const QString finished = QStringLiteral("此单据已被审核入帐，不能再删除！");
    if (mDatabase::TrimBlanks(selectedValue(QStringLiteral("HandInput")).toString())
        == QLatin1String("0")) {
        Prompt::error(generated, QStringLiteral("失败"));
        return;
    }
    if (mDatabase::TrimBlanks(selectedValue(QStringLiteral("FinishFlag")).toString())
        != QLatin1String("0")) {
        Prompt::information(finished, QStringLiteral("提示"));
        return;
    }
    if (!Prompt::confirm(QStringLiteral("你确认要删除原始单据号为%1的单据吗？")
                             .arg(selectedValue(QStringLiteral("PaperID")).toString()),
            QStringLiteral("删除单据")))
        return;
    // The delete itself repeats both conditions: a document that another
    // workstation closed or deleted since the list was read is reported,
    // and it stays as it is.
    switch (StoreWriter::deleteOne(id.toLongLong())) {
    case StoreWriter::Result::Done:
    case StoreWriter::Result::Failed: // reported
        break;
    case StoreWriter::Result::Generated:
        Prompt::error(generated, QStringLiteral("失败"));
        break;
    case StoreWriter::Result::Finished:
        Prompt::information(finished, QStringLiteral("提示"));
        break;
    case StoreWriter::Result::ChangedElsewhere:
        Prompt::information(QStringLiteral("单据%1已被其他用户删除或修改，没有删除！").arg(id),
            QStringLiteral("提示"));
        break;
    }
    DataRefresh();
}

void frmStoreAdmin::DeleteAll()
{
    if (!Prompt::confirm(
            QStringLiteral("你确认要删除所有未入帐的库存出入库单吗？"), QStringLiteral("删除")))
        return;
    StoreWriter::deleteAllOpen();
    DataRefresh();
}

void frmStoreAdmin::ShowFilter()
{
    frmStoreFilter filter(this, this);
    filter.exec();
    DataRefresh();
}
