#include "sales/slipprintjob.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>

namespace {

// "宋体" where it is installed; the Song (Ming) style faces of the free CJK
// fonts stand in for it elsewhere.
const QStringList SongFamilies{QStringLiteral("宋体"), QStringLiteral("SimSun"),
    QStringLiteral("AR PL UMing CN"), QStringLiteral("AR PL UMing TW"),
    QStringLiteral("Noto Serif CJK SC"), QStringLiteral("WenQuanYi Micro Hei")};

QFont labelFont(const SlipItem &item)
{
    QFont font;
    if (item.fontFamily.isEmpty())
        font.setFamilies(SongFamilies);
    else
        font.setFamilies(QStringList{item.fontFamily} + SongFamilies);
    font.setPointSizeF(item.fontSize);
    font.setBold(item.bold);
    font.setItalic(item.italic);
    font.setUnderline(item.underline);
    return font;
}

Qt::Alignment alignment(SlipItem::Align align)
{
    switch (align) {
    case SlipItem::Align::Centre:
        return Qt::AlignHCenter;
    case SlipItem::Align::Right:
        return Qt::AlignRight;
    case SlipItem::Align::Left:
        break;
    }
    return Qt::AlignLeft;
}

// A text wider than its box is drawn smaller rather than cut off: an
// address must stay readable on the slip the customer signs.
void drawFitted(
    QPainter *painter, const QRectF &box, QFont font, const QString &text, Qt::Alignment align)
{
    for (int i = 0; i < 12; ++i) {
        if (QFontMetricsF(font, painter->device()).horizontalAdvance(text) <= box.width()
            || font.pointSizeF() <= 6)
            break;
        font.setPointSizeF(font.pointSizeF() * 0.9);
    }
    painter->setFont(font);
    painter->drawText(box, int(align | Qt::AlignVCenter | Qt::TextSingleLine), text);
}

} // namespace

SlipPrintJob::SlipPrintJob(SlipLayout layout, SlipData data)
    : m_layout(std::move(layout)), m_data(std::move(data))
{
}

QString SlipPrintJob::documentName() const
{
    return QStringLiteral("销售单据%1").arg(m_data.value(QStringLiteral("txtSaleID")));
}

QFont SlipPrintJob::fieldFont(const SlipItem &item)
{
    QFont font;
    font.setFamilies(SongFamilies);
    font.setPointSizeF(item.fontSize);
    font.setBold(true);
    font.setItalic(item.italic);
    font.setUnderline(item.underline);
    return font;
}

void SlipPrintJob::preparePrinter(QPrinter *printer) const
{
    // A printer knows its papers by their upright size, and refuses a whole
    // page layout whose margins are narrower than it can print (keeping its
    // default paper then). So the paper and its turn are set on their own:
    // a slip wider than tall is its standard paper turned (half an A4 sheet
    // is A5 landscape). The layout places everything from the paper's edge.
    const QSizeF mm = m_layout.pageMm;
    const bool wide = mm.width() > mm.height();
    printer->setPageSize(QPageSize(
        wide ? mm.transposed() : mm, QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch));
    printer->setPageOrientation(wide ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer->setPageMargins(QMarginsF(), QPageLayout::Millimeter);
    printer->setFullPage(true);
}

void SlipPrintJob::paint(
    QPainter *painter, const SlipLayout &layout, const SlipData &data, double dotsPerMm)
{
    const auto px = [dotsPerMm](const QRectF &mm) {
        return QRectF(mm.x() * dotsPerMm, mm.y() * dotsPerMm, mm.width() * dotsPerMm,
            mm.height() * dotsPerMm);
    };
    painter->save();
    painter->setPen(QPen(Qt::black, qMax(1.0, 0.3 * dotsPerMm)));
    painter->setBrush(Qt::NoBrush);
    for (const SlipItem &item : layout.items) {
        if (!item.visible)
            continue;
        const QRectF box = px(item.rectMm);
        switch (item.kind) {
        case SlipItem::Kind::Line:
            painter->drawLine(box.topLeft(), box.bottomRight());
            break;
        case SlipItem::Kind::Box:
            painter->drawRect(box);
            break;
        case SlipItem::Kind::Label:
            drawFitted(painter, box, labelFont(item), item.text, alignment(item.align));
            break;
        case SlipItem::Kind::Field:
            drawFitted(painter, box, fieldFont(item), data.value(item.name), alignment(item.align));
            break;
        }
    }
    painter->restore();
}

bool SlipPrintJob::render(QPrinter *printer)
{
    QPainter painter;
    if (!painter.begin(printer))
        return false;
    paint(&painter, m_layout, m_data, printer->resolution() / 25.4);
    return painter.end();
}

bool SlipPrintJob::exportPdf(const QString &fileName)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(fileName);
    printer.setDocName(documentName());
    preparePrinter(&printer);
    return render(&printer);
}
