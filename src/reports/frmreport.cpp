#include "reports/frmreport.h"

#include "datastore/mdatabase.h"
#include "lists/frmsalefilter.h"

frmReport::frmReport(const PeriodReport::Parameters &p, QWidget *parent)
    : ListWindow(parent), curReportType(p.type), parameters(p)
{
    setObjectName(QStringLiteral("frmReport"));
    setWindowTitle(QStringLiteral("查询结果"));
    setColumns({{QStringLiteral("日 期"), QStringLiteral("ReportDate"), 1200, Qt::AlignCenter,
                    PeriodReport::isMonthReport(p.type) ? ListColumn::Text : ListColumn::Date},
        {QStringLiteral("金额"), QStringLiteral("SumMoney"), 1800, Qt::AlignCenter,
            ListColumn::Money},
        {QStringLiteral("数量"), QStringLiteral("SumAmount"), 1800, Qt::AlignCenter,
            ListColumn::Number},
        {QStringLiteral("欠钱数"), QStringLiteral("LackMoney"), 1800, Qt::AlignCenter,
            ListColumn::Money},
        {QStringLiteral("欠瓶数"), QStringLiteral("LackContainer"), 1800, Qt::AlignCenter,
            ListColumn::Number},
        {QStringLiteral("送水费数"), QStringLiteral("TotalFee"), 1800, Qt::AlignCenter,
            ListColumn::Money}});
    const SqlDialect &dialect = mDatabase::dialect();
    setSortFieldMap({{QStringLiteral("ReportDate"), PeriodReport::dateOrder(p.type)},
        {QStringLiteral("SumAmount"), QStringLiteral("Sum(TotalAmount)")},
        {QStringLiteral("SumMoney"), QStringLiteral("Sum(TotalMoney)")},
        {QStringLiteral("LackMoney"), QStringLiteral("Sum(TotalMoney-InMoney)")},
        {QStringLiteral("LackContainer"), QStringLiteral("Sum(TotalContainer-InContainer)")},
        {QStringLiteral("TotalFee"), QStringLiteral("Sum(TransferFee)")}});
    setTotals({1, 2, 3, 4, 5}, nullptr);
    setTotalsLabel(0, QStringLiteral("合     计:"));
    setTotalsFromRows(true);
    setReadsWhole(true);
    setPrintFailureTexts(QStringLiteral("打印预览失败，请检查您的系统中是否正确安装了打印机！"),
        QStringLiteral("打印错误：%1"), QStringLiteral("预览"), QStringLiteral("打印"));
    // Stays open until the next report replaces it or the operator closes it.
    setClosesOnDeactivation(false);

    const PeriodReport::Query q = PeriodReport::buildQuery(p, dialect);
    curShortSQL = q.curShortSQL;
    curFilterSQL = q.curFilterSQL;
    curGroupSQL = q.curGroupSQL;
    curSortSQL = q.curSortSQL;
    SetMyReportCaption();

    ListCommands &c = commands();
    offerPrintCommands(true);
    c.ShowFilter = std::bind_front(&frmReport::ShowFilter, this);
    // Exist and do nothing: a report has no records of its own.
    for (ListCommands::Member none : {&ListCommands::AddNew, &ListCommands::EditData,
             &ListCommands::DeleteData, &ListCommands::DeleteAll, &ListCommands::InMoney,
             &ListCommands::OutAmount, &ListCommands::InContainer})
        c.*none = [] {
        };
    DataRefresh();
}

void frmReport::SetMyReportCaption()
{
    curReportCaption = PeriodReport::caption(parameters, m_filterNote);
    setGridCaption(curReportCaption);
    setPrintTitle(QStringLiteral("\t") + curReportCaption);
}

void frmReport::ShowFilter()
{
    frmSaleFilter filter(nullptr, this);
    QString fragment;
    if (filter.exec() == QDialog::Accepted && filter.BuildFilterSQL(&fragment)) {
        m_saleFilter = filter.applyTo(m_saleFilter, fragment);
        const QString note = fragment.isEmpty() ? QString() : filter.describe();
        if (filter.isNewSearch())
            m_filterNote = note;
        else if (!note.isEmpty())
            m_filterNote += (m_filterNote.isEmpty() ? QString() : QStringLiteral("，")) + note;
        curFilterSQL
            = PeriodReport::buildQuery(parameters, mDatabase::dialect(), m_saleFilter).curFilterSQL;
        SetMyReportCaption();
    }
    DataRefresh();
}

QVector<PeriodReport::Row> frmReport::rows()
{
    // What the grid holds since its last refresh, in the grid's order: the
    // chart must never show figures the report does not.
    ListModel *m = model();
    m->fetchAll();
    QVector<PeriodReport::Row> shown;
    shown.reserve(m->rowCount());
    for (int i = 0; i < m->rowCount(); ++i)
        shown << PeriodReport::rowOf([&](const QString &field) { return m->value(i, field); });
    return shown;
}
