#include "lists/gridprinter.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QPainter>
#include <QPrinter>

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
    while (m_model->canFetchMore({}))
        m_model->fetchMore({});
    QPainter painter;
    if (!painter.begin(printer))
        return false;
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

    painter.setFont(body);
    const qreal rowHeight = painter.fontMetrics().height() * 1.6;
    painter.setFont(title);
    const qreal titleHeight = painter.fontMetrics().height() * 1.8;
    const qreal footerHeight = rowHeight * 1.5;

    const int columns = m_model->columnCount();
    QVector<qreal> widths(columns, 1.0);
    qreal total = 0;
    for (int c = 0; c < columns; ++c) {
        widths[c] = c < m_widths.size() && m_widths[c] > 0 ? m_widths[c] : 80;
        total += widths[c];
    }
    for (qreal &w : widths)
        w = w * area.width() / total;

    const int rows = m_model->rowCount();
    const int bodyRows = rows + (m_footer.isEmpty() ? 0 : 1);
    const int perPage
        = qMax(1, int((area.height() - titleHeight - footerHeight - rowHeight) / rowHeight));
    const int pages = qMax(1, (bodyRows + perPage - 1) / perPage);

    auto drawRow = [&](qreal y, const QStringList &cells, bool bold, bool shade) {
        painter.setFont(bold ? header : body);
        qreal x = 0;
        for (int c = 0; c < columns; ++c) {
            const QRectF cell(x, y, widths[c], rowHeight);
            if (shade)
                painter.fillRect(cell, QColor(235, 235, 235));
            painter.drawRect(cell);
            const int flags = (bold ? Qt::AlignCenter : Qt::AlignVCenter | Qt::AlignLeft);
            painter.drawText(
                cell.adjusted(4, 0, -4, 0), flags | Qt::TextSingleLine, cells.value(c));
            x += widths[c];
        }
    };

    for (int p = 0; p < pages; ++p) {
        if (p > 0)
            printer->newPage();
        painter.setFont(title);
        painter.drawText(
            QRectF(0, 0, area.width(), titleHeight), Qt::AlignCenter, m_title.trimmed());
        qreal y = titleHeight;
        QStringList headers;
        for (int c = 0; c < columns; ++c)
            headers << m_model->headerData(c, Qt::Horizontal).toString();
        drawRow(y, headers, true, true);
        y += rowHeight;
        for (int i = p * perPage; i < qMin(bodyRows, (p + 1) * perPage); ++i) {
            if (i < rows) {
                QStringList cells;
                for (int c = 0; c < columns; ++c)
                    cells << m_model->index(i, c).data().toString();
                drawRow(y, cells, false, false);
            } else {
                drawRow(y, m_footer, true, false);
            }
            y += rowHeight;
        }
        painter.setFont(body);
        painter.drawText(QRectF(0, area.height() - footerHeight, area.width(), footerHeight),
            Qt::AlignCenter, pageFooter(p + 1, pages, printTime));
    }
    painter.end();
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
