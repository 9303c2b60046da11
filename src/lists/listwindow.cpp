#include "listwindow.h"

#include "currency.h"
#include "gridprinter.h"
#include "mdatabase.h"
#include "prompt.h"
#include "rights.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QScrollBar>
#include <QSqlRecord>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

ListWindow::ListWindow(QWidget *parent) : QWidget(parent)
{
    m_caption = new QLabel(this);
    m_caption->setObjectName(QStringLiteral("lblCaption"));
    m_caption->setAlignment(Qt::AlignCenter);
    QFont captionFont = m_caption->font();
    captionFont.setBold(true);
    m_caption->setFont(captionFont);

    m_model = new ListModel(this);
    dbgMain = new QTableView(this);
    dbgMain->setObjectName(QStringLiteral("dbgMain"));
    dbgMain->setModel(m_model);
    dbgMain->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgMain->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgMain->setSelectionMode(QAbstractItemView::SingleSelection);
    dbgMain->setAlternatingRowColors(false);
    dbgMain->verticalHeader()->setDefaultSectionSize(dbgMain->fontMetrics().height() + 8);
    dbgMain->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    dbgMain->verticalHeader()->hide();
    dbgMain->horizontalHeader()->setSectionsClickable(true);
    dbgMain->horizontalHeader()->setHighlightSections(false);
    dbgMain->setSortingEnabled(false);

    // The totals line: one row under the grid, its columns kept in step.
    m_footer = new QStandardItemModel(1, 0, this);
    m_footerView = new QTableView(this);
    m_footerView->setObjectName(QStringLiteral("dbgFooter"));
    m_footerView->setModel(m_footer);
    m_footerView->horizontalHeader()->hide();
    m_footerView->verticalHeader()->hide();
    m_footerView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_footerView->setFocusPolicy(Qt::NoFocus);
    m_footerView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_footerView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_footerView->verticalHeader()->setDefaultSectionSize(
        dbgMain->verticalHeader()->defaultSectionSize());
    m_footerView->setFixedHeight(m_footerView->verticalHeader()->defaultSectionSize() + 4);
    m_footerView->setSelectionMode(QAbstractItemView::NoSelection);
    m_footerView->hide();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_caption);
    layout->addWidget(dbgMain, 1);
    layout->addWidget(m_footerView);

    connect(
        dbgMain->horizontalHeader(), &QHeaderView::sectionClicked, this, &ListWindow::sortByColumn);
    connect(dbgMain->horizontalHeader(), &QHeaderView::sectionResized, this,
        [this](int column, int, int size) { m_footerView->setColumnWidth(column, size); });
    connect(dbgMain->horizontalScrollBar(), &QScrollBar::valueChanged,
        m_footerView->horizontalScrollBar(), &QScrollBar::setValue);
    connect(dbgMain, &QTableView::doubleClicked, this,
        [this] { QMetaObject::invokeMethod(this, "EditData"); });

    m_previewFailure = QStringLiteral("打印预览失败，请检查您的系统中是否正确安装了打印机！");
    m_printFailure = QStringLiteral("打印失败，请检查您的系统中是否正确安装了打印机！");
    m_previewFailureTitle = QStringLiteral("预览");
    m_printFailureTitle = QStringLiteral("打印");
}

void ListWindow::setGridCaption(const QString &caption)
{
    m_caption->setText(caption);
}

void ListWindow::setPrintFailureTexts(const QString &preview, const QString &print,
    const QString &previewTitle, const QString &printTitle)
{
    m_previewFailure = preview;
    m_printFailure = print;
    m_previewFailureTitle = previewTitle;
    m_printFailureTitle = printTitle;
}

void ListWindow::setColumns(const QList<ListColumn> &columns)
{
    m_model->setColumns(columns);
    m_footer->setColumnCount(int(columns.size()));
    const QFontMetrics metrics(dbgMain->horizontalHeader()->font());
    for (int c = 0; c < columns.size(); ++c) {
        // Widths are kept in twips; a caption never gets cut off.
        const int width
            = qMax(columns[c].widthTwips / 12, metrics.horizontalAdvance(columns[c].caption) + 28);
        dbgMain->setColumnWidth(c, width);
        m_footerView->setColumnWidth(c, width);
    }
    dbgMain->horizontalHeader()->setStretchLastSection(true);
    m_footerView->horizontalHeader()->setStretchLastSection(true);
}

void ListWindow::setRowStyler(ListModel::RowStyler styler)
{
    m_model->setRowStyler(std::move(styler));
}

void ListWindow::setTotals(const QList<int> &summedColumns, BalanceSentence sentence)
{
    m_summed = summedColumns;
    m_sentence = std::move(sentence);
    m_footerView->setVisible(!m_summed.isEmpty());
}

bool ListWindow::autoDataRefresh() const
{
    return mDatabase::GetSysValue(QStringLiteral("AutoDataRefresh")) == QLatin1String("1");
}

void ListWindow::loadRows()
{
    if (autoDataRefresh())
        DataRefresh();
}

QString ListWindow::selectedID() const
{
    const QModelIndex current = dbgMain->currentIndex();
    if (!current.isValid())
        return {};
    return m_model->value(current.row(), QStringLiteral("ID")).toString();
}

QVariant ListWindow::selectedValue(const QString &field) const
{
    const QModelIndex current = dbgMain->currentIndex();
    return current.isValid() ? m_model->value(current.row(), field) : QVariant();
}

bool ListWindow::selectRowOfId(qint64 id)
{
    const int row = m_model->rowOfId(id, 0);
    if (row < 0)
        return false;
    dbgMain->setCurrentIndex(m_model->index(row, 0));
    return true;
}

void ListWindow::DataRefresh()
{
    // The selection follows its order by ID, wherever the order now sits.
    const QModelIndex current = dbgMain->currentIndex();
    const QString id = selectedID();
    const int oldRow = current.isValid() ? current.row() : -1;
    const int column = current.isValid() ? current.column() : 0;

    curFullSQL = curShortSQL + curFilterSQL + curSortSQL;
    QString error;
    if (!m_model->run(curFullSQL, &error))
        Prompt::error(QStringLiteral("读取数据库时出现系统错误，错误信息：") + error,
            QStringLiteral("系统错误"));
    ShowTotal();
    if (!id.isEmpty()) {
        const int row = m_model->rowOfId(id.toLongLong(), oldRow + 256);
        if (row >= 0) {
            dbgMain->setCurrentIndex(m_model->index(row, column));
            dbgMain->scrollTo(m_model->index(row, column));
        }
    }
}

void ListWindow::sortByColumn(int ColIndex)
{
    const QList<ListColumn> &columns = m_model->columns();
    if (ColIndex < 0 || ColIndex >= columns.size())
        return;
    const QString field = columns[ColIndex].field;
    if (m_unsortable.contains(field))
        return;
    curSortDirection = curSortDirection == 0 ? 1 : 0;
    curSortSQL = QStringLiteral(" ORDER BY ") + m_sortFields.value(field, field)
        + (curSortDirection == 1 ? QStringLiteral(" Asc") : QStringLiteral(" Desc"));
    ShowSortIcon(ColIndex, curSortDirection);
    DataRefresh();
}

void ListWindow::ShowSortIcon(int ColIndex, int Direction)
{
    QHeaderView *header = dbgMain->horizontalHeader();
    header->setSortIndicatorShown(true);
    header->setSortIndicator(ColIndex, Direction == 1 ? Qt::AscendingOrder : Qt::DescendingOrder);
}

QStringList ListWindow::columnSums(const QList<int> &columns)
{
    QStringList sums;
    if (m_model->rowCount() < 1) {
        for (int i = 0; i < columns.size(); ++i)
            sums << QStringLiteral("0");
        return sums;
    }
    if (curFilterSQL.isEmpty()) {
        for (int i = 0; i < columns.size(); ++i)
            sums << QString();
        return sums;
    }
    // Every summed column in one pass over the rows, not one pass each.
    QStringList terms;
    for (int c : columns)
        terms << QStringLiteral("sum(%1) as T%2").arg(m_model->columns().value(c).field).arg(c);
    const auto rs = mDatabase::OpenRecordset(QStringLiteral("SELECT ")
        + terms.join(QLatin1Char(','))
        + QStringLiteral(" from Sale,Customer where Sale.CustomerID=Customer.ID ") + curFilterSQL);
    for (int c : columns) {
        const QVariant value
            = rs && !rs->isEmpty() ? rs->value(0, QStringLiteral("T%1").arg(c)) : QVariant();
        sums << Currency::fromVariant(value).toSqlText();
    }
    return sums;
}

QString ListWindow::GetColTotalValue(int ColIndex)
{
    return columnSums({ColIndex}).value(0);
}

QString ListWindow::footerDifference(const QStringList &footer, int total, int settled)
{
    Currency a;
    Currency b;
    Currency::parse(footer.value(total), &a);
    Currency::parse(footer.value(settled), &b);
    return (a - b).toSqlText();
}

void ListWindow::ShowTotal()
{
    if (m_summed.isEmpty())
        return;
    const int columns = int(m_model->columns().size());
    QStringList footer;
    for (int c = 0; c < columns; ++c)
        footer << QString();
    footer[1] = QStringLiteral("合      计");
    const QStringList sums = columnSums(m_summed);
    for (int i = 0; i < m_summed.size(); ++i)
        footer[m_summed[i]] = sums.value(i);
    if (m_sentence)
        footer[columns - 1] = m_sentence(footer);
    for (int c = 0; c < columns; ++c) {
        auto *item = new QStandardItem(footer[c]);
        item->setTextAlignment(c == columns - 1 ? Qt::AlignLeft | Qt::AlignVCenter
                                                : Qt::AlignRight | Qt::AlignVCenter);
        m_footer->setItem(0, c, item);
    }
}

QStringList ListWindow::footerTexts() const
{
    QStringList texts;
    for (int c = 0; c < m_footer->columnCount(); ++c) {
        const QStandardItem *item = m_footer->item(0, c);
        texts << (item ? item->text() : QString());
    }
    return texts;
}

void ListWindow::setUpPrinter(GridPrinter &printer) const
{
    QVector<int> widths;
    for (int c = 0; c < m_model->columnCount(); ++c)
        widths << dbgMain->columnWidth(c);
    printer.setColumnWidths(widths);
    printer.setPageLayout(m_pageLayout);
    if (!m_summed.isEmpty())
        printer.setFooter(footerTexts());
}

void ListWindow::PrintSetup()
{
    QPrinter printer(QPrinter::HighResolution);
    if (m_pageLayout.isValid())
        printer.setPageLayout(m_pageLayout);
    if (Prompt::choose(Prompt::Kind::PageSetup, QStringLiteral("打印设置"),
            QVariant::fromValue(reinterpret_cast<quintptr>(&printer)))
            .toBool())
        m_pageLayout = printer.pageLayout();
}

bool ListWindow::runPrintJob(bool preview)
{
    GridPrinter printer(m_model, m_printTitle);
    setUpPrinter(printer);
    return Prompt::choose(preview ? Prompt::Kind::PrintPreview : Prompt::Kind::Print,
        preview ? QStringLiteral("打印预览") : QStringLiteral("打印"),
        QVariant::fromValue(reinterpret_cast<quintptr>(static_cast<PrintJob *>(&printer))))
        .toBool();
}

void ListWindow::PrintPreview()
{
    if (!runPrintJob(true))
        Prompt::error(m_previewFailure, m_previewFailureTitle);
}

void ListWindow::PrintReport()
{
    if (!runPrintJob(false))
        Prompt::error(m_printFailure, m_printFailureTitle);
}

bool ListWindow::exportPdf(const QString &fileName)
{
    GridPrinter printer(m_model, m_printTitle);
    setUpPrinter(printer);
    return printer.exportPdf(fileName);
}

void ListWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    attachToArea();
}

void ListWindow::attachToArea()
{
    auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget());
    if (!sub || sub == m_subWindow)
        return;
    m_subWindow = sub;
    QMdiArea *area = sub->mdiArea();
    if (!area)
        return;
    connect(area, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow *window) {
        if (window == m_subWindow) {
            mSystem::UpdateCommandsForWindow(objectName());
        } else if (window && m_closesOnDeactivation && m_subWindow) {
            m_subWindow->close();
        }
    });
    if (area->currentSubWindow() == sub)
        mSystem::UpdateCommandsForWindow(objectName());
}
