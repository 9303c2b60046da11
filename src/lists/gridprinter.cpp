#include "lists/gridprinter.h"

#include "shell/columnfit.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>

#include <cmath>

GridPrinter::GridPrinter(QAbstractItemModel *model, QString title)
    : m_model(model), m_title(std::move(title))
{
}

QString GridPrinter::documentName() const
{
    return m_title.trimmed();
}

QString GridPrinter::pageFooter(int page, int pages, const QDateTime &printTime)
{
    return QStringLiteral(" 第%1页 共%2页(%3打印) ")
        .arg(page)
        .arg(pages)
        .arg(printTime.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
}

bool GridPrinter::render(QPrinter *printer)
{
    setErrorText({});
    while (m_model->canFetchMore({}))
        m_model->fetchMore({});
    QPainter painter;
    if (!painter.begin(printer)) {
        setErrorText(failureOf(printer));
        return false;
    }
    const QDateTime printTime = m_printTime.isValid() ? m_printTime : QDateTime::currentDateTime();
    const QRectF page = printer->pageLayout().paintRectPixels(printer->resolution());
    const QRectF area(0, 0, page.width(), page.height());

    QFont body = QApplication::font();
    body.setPointSizeF(9);
    QFont title = body;
    title.setPointSizeF(16);
    title.setBold(true);
    QFont header = body;
    header.setBold(true);
    // Measured on the printer itself: its resolution, not the screen's,
    // decides how wide a text comes out.
    const QFontMetricsF bodyMetrics(body, printer);
    const QFontMetricsF headerMetrics(header, printer);
    const QFontMetricsF titleMetrics(title, printer);

    const qreal rowHeight = bodyMetrics.height() * 1.6;
    const qreal titleHeight = titleMetrics.height() * 1.8;
    const qreal footerHeight = rowHeight * 1.5;
    const qreal padding = bodyMetrics.averageCharWidth() * 0.6;

    const int columns = m_model->columnCount();
    const int rows = m_model->rowCount();
    QStringList headers;
    QVector<Qt::Alignment> alignments;
    for (int c = 0; c < columns; ++c) {
        headers << m_model->headerData(c, Qt::Horizontal).toString();
        const QVariant align
            = rows > 0 ? m_model->index(0, c).data(Qt::TextAlignmentRole) : QVariant();
        const Qt::Alignment horizontal
            = Qt::Alignment(align.isValid() ? align.toInt() : 0) & Qt::AlignHorizontal_Mask;
        alignments << (horizontal ? horizontal : Qt::AlignLeft);
    }
    auto cellsOf = [&](int row) {
        QStringList cells;
        for (int c = 0; c < columns; ++c)
            cells << m_model->index(row, c).data().toString();
        return cells;
    };

    // Figures (sums, dates, numbers) are never cut or broken: their width
    // is the least a column gets.
    static const QRegularExpression figure(QStringLiteral("^[-+0-9.,:/% ]*$"));
    QVector<qreal> natural(columns, 0);
    QVector<qreal> minimum(columns, 0);
    auto measure = [&](int c, const QString &text, const QFontMetricsF &metrics) {
        // A hair over the advance: a text exactly as wide as its room may
        // still be broken by the layout's rounding.
        const qreal width = std::ceil(metrics.horizontalAdvance(text)) + 2 * padding + 2;
        natural[c] = qMax(natural[c], width);
        if (figure.match(text).hasMatch())
            minimum[c] = qMax(minimum[c], width);
    };
    for (int c = 0; c < columns; ++c) {
        measure(c, headers[c], headerMetrics);
        measure(c, m_footer.value(c), headerMetrics);
    }
    for (int i = 0; i < rows; ++i) {
        const QStringList cells = cellsOf(i);
        for (int c = 0; c < columns; ++c)
            measure(c, cells[c], bodyMetrics);
    }
    const QVector<qreal> widths = ColumnFit::fit(natural, minimum, area.width());

    const qreal toPoints = 72.0 / printer->resolution();
    m_edges.clear();
    qreal edge = 0;
    for (int c = 0; c < columns; ++c) {
        m_edges << (page.left() + edge) * toPoints;
        edge += widths[c];
    }
    m_edges << (page.left() + edge) * toPoints;

    // The column headers and the totals line wrap inside their cells when
    // a column gave up width (their sentence is meant to be read whole);
    // the rows stay one line each, cut short where they must be.
    const int wrap = Qt::TextWordWrap;
    auto heightOf = [&](const QStringList &cells, const QFontMetricsF &metrics) {
        qreal height = rowHeight;
        for (int c = 0; c < columns; ++c) {
            const QRectF room(0, 0, qMax<qreal>(1, widths[c] - 2 * padding), 1e6);
            height = qMax(height,
                metrics.boundingRect(room, wrap, cells.value(c)).height() + rowHeight
                    - metrics.height());
        }
        return height;
    };
    const qreal headerHeight = heightOf(headers, headerMetrics);
    const qreal totalsHeight = m_footer.isEmpty() ? 0 : heightOf(m_footer, headerMetrics);

    // Pages: as many rows as fit under the headers; the totals line comes
    // after the last row, on a page of its own when it does not fit there.
    const qreal room = area.height() - titleHeight - footerHeight - headerHeight;
    const int perPage = qMax(1, int(room / rowHeight));
    int pages = qMax(1, (rows + perPage - 1) / perPage);
    const int lastRows = rows - (pages - 1) * perPage;
    if (totalsHeight > 0 && rows > 0 && lastRows * rowHeight + totalsHeight > room)
        ++pages;

    enum class Line { Header, Row, Totals };
    auto drawRow = [&](qreal y, qreal height, const QStringList &cells, Line line) {
        const bool bold = line != Line::Row;
        painter.setFont(bold ? header : body);
        const QFontMetricsF &metrics = bold ? headerMetrics : bodyMetrics;
        qreal x = 0;
        for (int c = 0; c < columns; ++c) {
            const QRectF cell(x, y, widths[c], height);
            if (line == Line::Header)
                painter.fillRect(cell, QColor(235, 235, 235));
            painter.drawRect(cell);
            const QRectF inside = cell.adjusted(padding, 0, -padding, 0);
            const Qt::Alignment align = line == Line::Header ? Qt::AlignHCenter : alignments[c];
            if (line == Line::Row)
                painter.drawText(inside, int(align | Qt::AlignVCenter | Qt::TextSingleLine),
                    metrics.elidedText(cells.value(c), Qt::ElideRight, inside.width()));
            else
                painter.drawText(inside, int(align | Qt::AlignVCenter) | wrap, cells.value(c));
            x += widths[c];
        }
    };

    for (int p = 0; p < pages; ++p) {
        if (p > 0)
            printer->newPage();
        painter.setFont(title);
        painter.drawText(QRectF(0, 0, area.width(), titleHeight), Qt::AlignCenter,
            titleMetrics.elidedText(m_title.trimmed(), Qt::ElideRight, area.width()));
        qreal y = titleHeight;
        drawRow(y, headerHeight, headers, Line::Header);
        y += headerHeight;
        for (int i = p * perPage; i < qMin(rows, (p + 1) * perPage); ++i) {
            drawRow(y, rowHeight, cellsOf(i), Line::Row);
            y += rowHeight;
        }
        if (p == pages - 1 && totalsHeight > 0)
            drawRow(y, totalsHeight, m_footer, Line::Totals);
        painter.setFont(body);
        painter.drawText(QRectF(0, area.height() - footerHeight, area.width(), footerHeight),
            Qt::AlignCenter, pageFooter(p + 1, pages, printTime));
    }
    if (!painter.end() || printer->printerState() == QPrinter::Error) {
        setErrorText(failureOf(printer));
        return false;
    }
    return true;
}

void GridPrinter::preparePrinter(QPrinter *printer) const
{
    if (m_layout.isValid())
        printer->setPageLayout(m_layout);
}

bool GridPrinter::exportPdf(const QString &fileName)
{
    QPrinter printer(QPrinter::HighResolution);
    preparePrinter(&printer);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(fileName);
    printer.setDocName(documentName());
    return render(&printer);
}
