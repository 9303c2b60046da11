#include "reports/frmtodayreport.h"

#include "datastore/mdatabase.h"
#include "datastore/prompt.h"
#include "reports/dayclosing.h"
#include "reports/frmsettodayreport.h"
#include "shell/datetext.h"
#include "shell/loginstate.h"

#include <QHeaderView>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>

namespace {

QString amountText(const std::optional<Currency> &value)
{
    return value ? value->toSqlText() : QString();
}

// The grid's "Currency" format.
QString moneyText(const std::optional<Currency> &value)
{
    if (!value)
        return {};
    return value->units() < 0 ? QStringLiteral("-￥") + (-*value).toGrouped()
                              : QStringLiteral("￥") + value->toGrouped();
}

} // namespace

frmTodayReport::frmTodayReport(QWidget *parent)
    : ListWindow(parent), ReportDate(QDate::currentDate()), curStationID(gStationID),
      m_table(new QStandardItemModel(0, 3, this))
{
    setObjectName(QStringLiteral("frmTodayReport"));
    setWindowTitle(QStringLiteral("实时盘点"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("         项           目"),
        QStringLiteral("  数     量   "), QStringLiteral(" 金    额  ")});
    grid()->setModel(m_table);
    grid()->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid()->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    // Twips as the list windows take them: 4000, 3000, 3000.
    grid()->setColumnWidth(0, 4000 / 15);
    grid()->setColumnWidth(1, 3000 / 15);
    grid()->setColumnWidth(2, 3000 / 15);
    setPrintFailureTexts(QStringLiteral("打印预览失败，请检查您的系统中是否正确安装了打印机！"),
        QStringLiteral("打印失败，请检查您的系统中是否正确安装了打印机！"), QStringLiteral("预览"),
        QStringLiteral("打印"));

    ListCommands &c = commands();
    offerPrintCommands(true);
    c.ShowFilter = std::bind_front(&frmTodayReport::ShowFilter, this);
    c.DataRefresh = [this] {
        m_namedStation = -1;
        SetMyDBGrid();
    };
    c.FinishToday = std::bind_front(&frmTodayReport::FinishToday, this);
    SetMyDBGrid();
    // The stocktaking dialog as soon as the window is on screen.
    QTimer::singleShot(0, this, [this] { ShowFilter(); });
}

QString frmTodayReport::caption() const
{
    if (m_namedStation != curStationID) {
        m_stationName = mDatabase::GetFieldByID(
            curStationID, QStringLiteral("Station"), QStringLiteral("Name"));
        m_namedStation = curStationID;
    }
    return m_stationName + DateText::shortDate(ReportDate) + QStringLiteral("日盘点表");
}

void frmTodayReport::SetMyDBGrid()
{
    const QString text = caption();
    setGridCaption(text);
    setPrintTitle(QStringLiteral("\t") + text);
}

void frmTodayReport::showTable(const TodayReport::Table &table)
{
    m_table->setRowCount(0);
    for (const TodayReport::Row &row : table) {
        auto *item = new QStandardItem(row.item);
        item->setBackground(QColor(224, 224, 224));
        auto *amount = new QStandardItem(amountText(row.amount));
        amount->setTextAlignment(Qt::AlignCenter);
        auto *money = new QStandardItem(moneyText(row.money));
        money->setTextAlignment(Qt::AlignCenter);
        m_table->appendRow({item, amount, money});
    }
}

void frmTodayReport::ShowFilter()
{
    frmSetTodayReport dialog(this);
    if (dialog.exec() == QDialog::Accepted) {
        ReportDate = dialog.ReportDate;
        curStationID = dialog.curStationID;
        showTable(dialog.table);
    }
    SetMyDBGrid();
}

void frmTodayReport::FinishToday()
{
    Prompt::Request input;
    input.kind = Prompt::Kind::Input;
    input.text = QStringLiteral("请输入入帐单据的最后截止日期：");
    input.title = QStringLiteral("日期");
    input.argument = DateText::todayForm(QDate::currentDate());
    // A cut-off that is not a date is asked for again, as typed, until the
    // operator gives a date or cancels: a typing slip does not end the closing.
    while (true) {
        const QVariant cutOff = Prompt::choose(input);
        if (!cutOff.isValid())
            return;
        if (DayClosing::FinishToday({cutOff.toString(), gUserID, {}}).outcome
            != DayClosing::Outcome::Refused)
            return;
        input.argument = cutOff;
    }
}
