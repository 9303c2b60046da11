#include "shell/toolicons.h"

#include <QApplication>
#include <QHash>
#include <QPainter>
#include <QStyle>

namespace ToolIcons {
namespace {

struct Badge {
    const char *glyph;
    QRgb color;
};

QIcon badge(const Badge &b)
{
    QIcon icon;
    for (int size : {16, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor::fromRgb(b.color));
        const qreal margin = size / 16.0;
        p.drawRoundedRect(
            QRectF(margin, margin, size - 2 * margin, size - 2 * margin), size / 4.0, size / 4.0);
        QFont font = QApplication::font();
        font.setPixelSize(int(size * 0.62));
        font.setBold(true);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, QString::fromUtf8(b.glyph));
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

QIcon icon(const QString &toolName)
{
    static const QHash<QString, QStyle::StandardPixmap> standard = {
        {"tlFirst", QStyle::SP_MediaSkipBackward},
        {"tlPrevious", QStyle::SP_MediaSeekBackward},
        {"tlNext", QStyle::SP_MediaSeekForward},
        {"tlLast", QStyle::SP_MediaSkipForward},
        {"tlRefresh", QStyle::SP_BrowserReload},
        {"tlExit", QStyle::SP_DialogCloseButton},
        {"tlHelp", QStyle::SP_DialogHelpButton},
        {"tlAbout", QStyle::SP_MessageBoxInformation},
    };
    // Colours by kind of work: blue records, green money, orange goods,
    // teal bottles, purple reports, grey set-up.
    static const QHash<QString, Badge> badges = {
        {"tlAdd", {"新", 0xff1e6fb8}},
        {"tlEdit", {"改", 0xff1e6fb8}},
        {"tlDel", {"删", 0xffc0392b}},
        {"tlDelAll", {"删", 0xffc0392b}},
        {"tlPrintSale", {"印", 0xff5d6d7e}},
        {"tlPrint", {"印", 0xff5d6d7e}},
        {"tlPrintPreview", {"览", 0xff5d6d7e}},
        {"tlPrintSetup", {"设", 0xff5d6d7e}},
        {"tlSalePrintSetup", {"式", 0xff5d6d7e}},
        {"tlFinish", {"账", 0xff8e44ad}},
        {"tlFilter", {"查", 0xff1e6fb8}},
        {"tlChart", {"图", 0xff8e44ad}},
        {"tlOutAmount", {"发", 0xffd35400}},
        {"tlInAmount", {"退", 0xffd35400}},
        {"tlInMoney", {"收", 0xff27ae60}},
        {"tlOutMoney", {"退", 0xff27ae60}},
        {"tlSaleAdmin", {"票", 0xff1e6fb8}},
        {"tlMoneyAdmin", {"款", 0xff27ae60}},
        {"tlAmountAdmin", {"货", 0xffd35400}},
        {"tlContainerAdmin", {"瓶", 0xff16a085}},
        {"tlStoreAdmin", {"库", 0xff7f8c8d}},
        {"tlTodayReport", {"盘", 0xff8e44ad}},
        {"tlUserAdmin", {"户", 0xff5d6d7e}},
        {"tlChangePwd", {"密", 0xff5d6d7e}},
        {"tlSysConfigure", {"参", 0xff5d6d7e}},
        {"tlSysReset", {"启", 0xffc0392b}},
        {"tlGrpStationAdmin", {"站", 0xff7f8c8d}},
        {"tlSenderAdmin", {"送", 0xff7f8c8d}},
        {"tlCustomerAdmin", {"客", 0xff7f8c8d}},
        {"tlProductAdmin", {"品", 0xff7f8c8d}},
        {"tlHomePage", {"网", 0xff1e6fb8}},
        {"mnuHistoryCall", {"电", 0xff8e44ad}},
    };
    if (standard.contains(toolName))
        return QApplication::style()->standardIcon(standard.value(toolName));
    if (badges.contains(toolName))
        return badge(badges.value(toolName));
    return {};
}

} // namespace ToolIcons
