#include "lists/listwindow.h"

#include "datastore/currency.h"
#include "datastore/mdatabase.h"
#include "datastore/prompt.h"
#include "lists/gridprinter.h"
#include "sales/frmcustomeraccount.h"
#include "shell/columnfit.h"
#include "shell/pdfoffer.h"
#include "shell/rights.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QPrinterInfo>
#include <QResizeEvent>
#include <QScrollBar>
#include <QSqlRecord>
#include <QStandardItemModel>
#include <QStandardPaths>
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
    // The list draws its own arrow (up for ascending) beside the caption.
    dbgMain->horizontalHeader()->setSortIndicatorShown(false);
    dbgMain->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    dbgMain->installEventFilter(this);
    dbgMain->verticalScrollBar()->installEventFilter(this);
    dbgMain->viewport()->installEventFilter(this);

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
    m_footerView->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_footerView->hide();
    // Takes the place of the grid's vertical scroll bar under it, so both
    // views are equally wide and scroll sideways by the same amount.
    m_footerMargin = new QWidget(this);
    m_footerMargin->setFixedSize(0, 0);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_caption);
    layout->addWidget(dbgMain, 1);
    auto *footerRow = new QHBoxLayout;
    footerRow->setContentsMargins(0, 0, 0, 0);
    footerRow->setSpacing(0);
    footerRow->addWidget(m_footerView, 1);
    footerRow->addWidget(m_footerMargin);
    layout->addLayout(footerRow);

    connect(
        dbgMain->horizontalHeader(), &QHeaderView::sectionClicked, this, &ListWindow::sortByColumn);
    connect(dbgMain->horizontalHeader(), &QHeaderView::sectionResized, this,
        [this](int column, int, int size) { m_footerView->setColumnWidth(column, size); });
    connect(dbgMain->horizontalScrollBar(), &QScrollBar::valueChanged,
        m_footerView->horizontalScrollBar(), &QScrollBar::setValue);
    connect(dbgMain, &QTableView::doubleClicked, this, [this] {
        if (QGuiApplication::keyboardModifiers().testFlag(Qt::ControlModifier)
            && m_commands.run(&ListCommands::ShowAccount))
            return;
        m_commands.run(&ListCommands::EditData);
    });

    m_commands.DataRefresh = std::bind_front(&ListWindow::DataRefresh, this);
    m_commands.PrintPreview = std::bind_front(&ListWindow::PrintPreview, this);
    m_commands.PrintReport = std::bind_front(&ListWindow::PrintReport, this);
    m_commands.PrintSetup = std::bind_front(&ListWindow::PrintSetup, this);

    m_previewFailure = QStringLiteral("打印预览失败，请检查您的系统中是否正确安装了打印机！");
    m_printFailure = QStringLiteral("打印失败，请检查您的系统中是否正确安装了打印机！");
    m_previewFailureTitle = QStringLiteral("预览");
    m_printFailureTitle = QStringLiteral("打印");
}

void ListWindow::setGridCaption(const QString &caption)
{
    m_gridCaption = caption;
    showCaption();
}

void ListWindow::showCaption()
{
    if (!m_defaultKept || curFilterSQL == m_defaultFilter) {
        m_caption->setText(m_gridCaption);
        return;
    }
    // "今日" no longer holds once the operator searches.
    QString caption = m_gridCaption;
    caption.remove(QStringLiteral("今日"));
    m_caption->setText(m_filterDescription.isEmpty()
            ? QStringLiteral("%1（已筛选）").arg(caption)
            : QStringLiteral("%1（已筛选：%2）").arg(caption, m_filterDescription));
}

void ListWindow::keepDefaultView()
{
    if (m_defaultKept)
        return;
    m_defaultKept = true;
    m_defaultFilter = curFilterSQL;
    m_defaultSort = curSortSQL;
    m_defaultSortDirection = curSortDirection;
    m_defaultSortArrow = m_model->sortArrowColumn();
}

void ListWindow::restoreDefaultView()
{
    if (!m_defaultKept)
        return;
    curFilterSQL = m_defaultFilter;
    curSortSQL = m_defaultSort;
    curSortDirection = m_defaultSortDirection;
    m_model->setSortArrow(m_defaultSortArrow, m_defaultSortDirection == 1);
    if (m_defaultSortArrow < 0)
        dbgMain->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    m_filterState.clear();
    m_filterDescription.clear();
    showCaption();
}

void ListWindow::setFilterState(const QVariantMap &state, const QString &description)
{
    m_filterState = state;
    // A search within the result narrows the one before.
    m_filterDescription = m_filterDescription.isEmpty() || description.isEmpty()
            || state.value(QStringLiteral("optSearchType")).toInt() == 1
        ? description
        : m_filterDescription + QStringLiteral("，") + description;
    showCaption();
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

void ListWindow::fitColumns()
{
    // Only the list's own columns: a window that puts a table of its own in
    // the grid sizes it itself.
    if (dbgMain->model() != m_model || m_model->columns().isEmpty())
        return;
    const int columns = int(m_model->columns().size());
    const QFontMetrics headerMetrics(dbgMain->horizontalHeader()->font());
    const QFontMetrics footerMetrics(m_footerView->font());
    const QStringList footer = footerTexts();
    QVector<qreal> natural;
    QVector<qreal> minimum;
    QVector<qreal> figures;
    for (int c = 0; c < columns; ++c) {
        const ListColumn &column = m_model->columns()[c];
        // A caption wants room for the sort arrow beside it, but is read
        // without it.
        const int caption = headerMetrics.horizontalAdvance(column.caption) + 12;
        const int cells = static_cast<const QAbstractItemView *>(dbgMain)->sizeHintForColumn(c);
        const int sum = !m_summed.isEmpty() || m_footerTexts
            ? footerMetrics.horizontalAdvance(footer.value(c)) + 12
            : 0;
        natural << qMax(caption + 16, qMax(cells, sum));
        // Sums, figures and dates are read whole, then the captions; a
        // text (an address) may be cut short.
        const int data = qMax(sum, column.kind == ListColumn::Text ? 0 : cells);
        figures << data;
        minimum << qMax(caption, data);
    }
    const int available = dbgMain->viewport()->width();
    qreal wanted = 0;
    for (qreal w : natural)
        wanted += w;
    // Narrow enough: every column as wide as its text, the last one takes
    // what is left. Too wide: the widest texts give way first.
    qreal least = 0;
    for (qreal w : minimum)
        least += w;
    const QVector<qreal> widths = wanted <= available ? natural
        : least <= available                          ? ColumnFit::fit(natural, minimum, available)
                                                      : ColumnFit::fit(natural, figures, available);
    for (int c = 0; c < columns; ++c)
        dbgMain->setColumnWidth(c, int(widths[c]));
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

void ListWindow::setFooterTexts(FooterTexts texts)
{
    m_footerTexts = std::move(texts);
    m_footerView->setVisible(bool(m_footerTexts));
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

qint64 ListWindow::selectedIdToEdit() const
{
    const qint64 id = selectedID().toLongLong();
    if (id == 0)
        Prompt::information(QStringLiteral("请先选定您要编辑的记录！"), QStringLiteral("提示"));
    return id;
}

void ListWindow::showSelectedAccount()
{
    const qint64 id = selectedID().toLongLong();
    if (id == 0)
        Prompt::information(QStringLiteral("请先选定一个客户！"), QStringLiteral("客户帐户"));
    else
        frmCustomerAccount::open(id, this);
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

    keepDefaultView();
    curFullSQL = curShortSQL + curFilterSQL + curGroupSQL + curSortSQL;
    const ListQuery query{curShortSQL, curFilterSQL, curGroupSQL, curSortSQL, keyField()};
    QString error;
    bool lost = false;
    if (!m_model->run(query, &error, &lost)) {
        // The rows and totals shown before stay: a list that went blank
        // would look as if every order were gone.
        if (!lost)
            Prompt::error(QStringLiteral("读取数据库时出现系统错误，错误信息：%1").arg(error),
                QStringLiteral("系统错误"));
        return;
    }
    m_filled = true;
    ShowTotal();
    fitColumns();
    if (!id.isEmpty()) {
        const int row = m_model->rowOfId(id.toLongLong(), oldRow + 256);
        if (row >= 0) {
            dbgMain->setCurrentIndex(m_model->index(row, column));
            dbgMain->scrollTo(m_model->index(row, column));
        }
    }
}

QString ListWindow::keyField() const
{
    return m_readsWhole ? QString()
                        : m_sortFields.value(QStringLiteral("ID"), QStringLiteral("ID"));
}

void ListWindow::sortByColumn(int ColIndex)
{
    const QList<ListColumn> &columns = m_model->columns();
    if (ColIndex < 0 || ColIndex >= columns.size())
        return;
    const QString field = columns[ColIndex].field;
    if (m_unsortable.contains(field))
        return;
    keepDefaultView();
    curSortDirection = curSortDirection == 0 ? 1 : 0;
    curSortSQL = QStringLiteral(" ORDER BY %1 %2")
                     .arg(m_sortFields.value(field, field),
                         curSortDirection == 1 ? QStringLiteral("Asc") : QStringLiteral("Desc"));
    ShowSortIcon(ColIndex, curSortDirection);
    DataRefresh();
}

void ListWindow::ShowSortIcon(int ColIndex, int Direction)
{
    // Qt's own indicator points down for ascending; the arrow in the
    // header's picture points up for ascending, down for descending.
    dbgMain->horizontalHeader()->setSortIndicator(
        ColIndex, Direction == 1 ? Qt::AscendingOrder : Qt::DescendingOrder);
    m_model->setSortArrow(ColIndex, Direction == 1);
}

QStringList ListWindow::columnSums(const QList<int> &columns)
{
    QStringList sums;
    if (m_model->rowCount() < 1) {
        for (int i = 0; i < columns.size(); ++i)
            sums << QStringLiteral("0");
        return sums;
    }
    if (m_totalsFromRows) {
        while (m_model->canFetchMore())
            m_model->fetchMore();
        for (int c : columns) {
            Currency sum;
            for (int row = 0; row < m_model->rowCount(); ++row) {
                Currency value;
                if (Currency::parse(m_model->index(row, c).data().toString(), &value))
                    sum += value;
            }
            sums << sum.toSqlText();
        }
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
        terms << QStringLiteral("sum(%1) as T%2")
                     .arg(m_model->columns().value(c).field, QString::number(c));
    const auto rs = mDatabase::OpenRecordset(
        QStringLiteral("SELECT %1 from Sale,Customer where Sale.CustomerID=Customer.ID %2")
            .arg(terms.join(QLatin1Char(',')), curFilterSQL));
    for (int c : columns) {
        const QVariant value
            = rs && !rs->isEmpty() ? rs->value(0, QStringLiteral("T%1").arg(c)) : QVariant();
        sums << Currency::fromVariant(value).toSqlText();
    }
    return sums;
}

void ListWindow::offerPrintCommands(bool printSale)
{
    m_commands.PrintPreview = std::bind_front(&ListWindow::PrintPreview, this);
    m_commands.PrintReport = std::bind_front(&ListWindow::PrintReport, this);
    m_commands.PrintSetup = std::bind_front(&ListWindow::PrintSetup, this);
    if (printSale)
        m_commands.PrintSale = std::bind_front(&ListWindow::PrintReport, this);
}

void ListWindow::setTotalsLabel(int column, const QString &label)
{
    m_totalsLabelColumn = column;
    m_totalsLabel = label;
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
    if (m_footerTexts) {
        writeFooter(m_footerTexts());
        return;
    }
    if (m_summed.isEmpty())
        return;
    const int columns = int(m_model->columns().size());
    QStringList footer;
    for (int c = 0; c < columns; ++c)
        footer << QString();
    footer[m_totalsLabelColumn] = m_totalsLabel;
    const QStringList sums = columnSums(m_summed);
    for (int i = 0; i < m_summed.size(); ++i)
        footer[m_summed[i]] = sums.value(i);
    if (m_sentence)
        footer[columns - 1] = m_sentence(footer);
    writeFooter(footer);
}

void ListWindow::writeFooter(const QStringList &footer)
{
    const int columns = int(m_model->columns().size());
    for (int c = 0; c < columns; ++c) {
        // A sum of money reads as the money above it does (846.00 under
        // 226.00, not 846).
        QString text = footer.value(c);
        Currency sum;
        if (m_summed.contains(c) && m_model->columns()[c].kind == ListColumn::Money
            && Currency::parse(text, &sum))
            text = ListModel::displayText(sum.toSqlText(), ListColumn::Money);
        auto *item = new QStandardItem(text);
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
    printer.setPageLayout(m_pageLayout);
    if (!m_summed.isEmpty() || m_footerTexts)
        printer.setFooter(footerTexts());
}

void ListWindow::PrintSetup()
{
    QPrinter printer(QPrinter::HighResolution);
    if (m_pageLayout.isValid())
        printer.setPageLayout(m_pageLayout);
    if (Prompt::choose(Prompt::Kind::PageSetup, QStringLiteral("打印设置"), &printer).toBool())
        m_pageLayout = printer.pageLayout();
}

bool ListWindow::runPrintJob(bool preview, QString *error)
{
    // The grid as shown: the list's rows, or a table a window put there.
    GridPrinter printer(dbgMain->model(), m_printTitle);
    setUpPrinter(printer);
    const bool done = Prompt::choose(preview ? Prompt::Kind::PrintPreview : Prompt::Kind::Print,
        preview ? QStringLiteral("打印预览") : QStringLiteral("打印"),
        static_cast<PrintJob *>(&printer))
                          .toBool();
    m_printedEdges = printer.columnEdges();
    if (error)
        *error = printer.errorText();
    return done;
}

void ListWindow::showPrintFailure(const QString &error)
{
    // A window that names the print job's own error fills it in; an unknown
    // one reads as the usual advice.
    QString text = m_printFailure;
    if (text.contains(QLatin1String("%1")))
        text = text.arg(error.isEmpty()
                ? QStringLiteral("打印失败，请检查您的系统中是否正确安装了打印机！")
                : error);
    Prompt::error(text, m_printFailureTitle);
}

void ListWindow::PrintPreview()
{
    if (!runPrintJob(true, nullptr))
        Prompt::error(m_previewFailure, m_previewFailureTitle);
}

void ListWindow::PrintReport()
{
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        // No printer at all: the printout can still be kept as a PDF file.
        QString error;
        if (PdfOffer::offer(QStringLiteral("报表"), printName(), m_printFailureTitle,
                [&](const QString &file) { return exportPdf(file, &error); })
            == PdfOffer::Outcome::Failed)
            showPrintFailure(error);
        return;
    }
    QString error;
    if (!runPrintJob(false, &error))
        showPrintFailure(error);
}

QString ListWindow::printName() const
{
    return mDatabase::TrimBlanks(m_printTitle).isEmpty()
        ? windowTitle()
        : mDatabase::TrimBlanks(QString(m_printTitle).remove(QLatin1Char('\t')));
}

QString ListWindow::pdfFileName() const
{
    return PdfOffer::fileInDocuments(printName());
}

bool ListWindow::exportPdf(const QString &fileName, QString *error)
{
    GridPrinter printer(dbgMain->model(), m_printTitle);
    setUpPrinter(printer);
    const bool written = printer.exportPdf(fileName);
    m_printedEdges = printer.columnEdges();
    if (error)
        *error = printer.errorText();
    return written;
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
            activated();
        } else if (window) {
            m_behind = true;
            if (m_closesOnDeactivation && m_subWindow)
                m_subWindow->close();
        }
    });
    if (area->currentSubWindow() == sub)
        activated();
}

void ListWindow::activated()
{
    mSystem::UpdateCommandsForWindow(objectName());
    // Back in front after another list: what was done there (settling,
    // say) shows here at once, on the same selected row.
    const bool cameBack = m_behind;
    m_behind = false;
    if (cameBack && m_filled)
        DataRefresh();
}

bool ListWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == dbgMain && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                if (dbgMain->currentIndex().isValid())
                    m_commands.run(&ListCommands::EditData);
                return true;
            }
            if (key->key() == Qt::Key_F5) {
                m_commands.run(&ListCommands::DataRefresh);
                return true;
            }
        }
    } else if (watched == dbgMain->verticalScrollBar()
        && (event->type() == QEvent::Show || event->type() == QEvent::Hide
            || event->type() == QEvent::Resize)) {
        const QScrollBar *bar = dbgMain->verticalScrollBar();
        m_footerMargin->setFixedWidth(bar->isVisibleTo(dbgMain) ? bar->width() : 0);
    } else if (watched == dbgMain->viewport() && event->type() == QEvent::Resize
        && static_cast<QResizeEvent *>(event)->size().width()
            != static_cast<QResizeEvent *>(event)->oldSize().width()) {
        fitColumns();
    }
    return QWidget::eventFilter(watched, event);
}
