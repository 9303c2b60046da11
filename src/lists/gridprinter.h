#pragma once

#include "shell/printjob.h"

#include <QDateTime>
#include <QPageLayout>
#include <QStringList>
#include <QVector>

class QAbstractItemModel;
class QPrinter;

// Prints a list as a table: its title, the column headers on every page,
// all rows, the totals line, and a footer with the page number, the page
// count and the time of printing. Each column is as wide as its widest text
// in the printer's fonts; a table wider than the paper gives up width from
// its widest columns first, and a text that still does not fit is cut short
// with "…" rather than run into its neighbour.
class GridPrinter : public PrintJob {
public:
    GridPrinter(QAbstractItemModel *model, QString title);

    void setFooter(const QStringList &footer) { m_footer = footer; }
    void setPrintTime(const QDateTime &when) { m_printTime = when; }
    void setPageLayout(const QPageLayout &layout) { m_layout = layout; }

    QString documentName() const override;
    bool render(QPrinter *printer) override;
    void preparePrinter(QPrinter *printer) const override;
    // The same pages as a PDF file.
    bool exportPdf(const QString &fileName);

    // " 第1页 共3页(2026-12-08 14:05:00打印) ", the centred page footer.
    static QString pageFooter(int page, int pages, const QDateTime &printTime);
    // Where the columns of the last printout lie, in points from the
    // paper's left edge: each column's left edge, then the last one's right.
    QVector<qreal> columnEdges() const { return m_edges; }

private:
    QAbstractItemModel *m_model;
    QString m_title;
    QStringList m_footer;
    QDateTime m_printTime;
    QPageLayout m_layout;
    QVector<qreal> m_edges;
};
