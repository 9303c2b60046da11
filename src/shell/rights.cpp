#include "shell/rights.h"

#include "datastore/mdatabase.h"
#include "shell/commandbars.h"
#include "shell/loginstate.h"
#include "shell/tools.h"

#include <QAction>

#include <QHash>
#include <QStringList>

namespace mSystem {
namespace {

using enum ToolId;

// The right to take orders: without it there is no sale list either.
constexpr int SalesRight = 2;

} // namespace

void ApplyUserRights(qint64 userId)
{
    CommandBars *bars = CommandBars::current();
    if (!bars)
        return;
    const QString roles
        = mDatabase::GetFieldByID(userId, QStringLiteral("SysUser"), QStringLiteral("rolestring"));
    auto withheld = [&](int position) {
        return position > 0 && roles.size() >= position
            && roles.at(position - 1) == QLatin1Char('0');
    };
    for (const Tools::Info &tool : Tools::all()) {
        QAction *action = bars->tool(tool.id);
        if (!action || !withheld(tool.right.position))
            continue;
        if (tool.right.effect == Tools::Withheld::Hide)
            action->setVisible(false);
        else
            action->setEnabled(false);
    }
    if (withheld(SalesRight) && bars->closeWindow) {
        // The sale list refuses to close unless the main window lets it go.
        const bool closing = bars->mainWindowClosing;
        bars->mainWindowClosing = true;
        bars->closeWindow(QStringLiteral("frmSaleAdmin"));
        bars->mainWindowClosing = closing;
    }
}

QString StationUserText()
{
    return mDatabase::GetFieldByID(gStationID, QStringLiteral("Station"), QStringLiteral("Name"))
        + QStringLiteral("：")
        + mDatabase::GetFieldByID(gUserID, QStringLiteral("SysUser"), QStringLiteral("Name"));
}

void UpdateCommandsForWindow(const QString &windowName)
{
    CommandBars *bars = CommandBars::current();
    if (!bars)
        return;

    static const QHash<QString, QList<ToolId>> disabledFor = {
        {"frmSaleAdmin", {Chart, Finish}},
        {"frmMoneyAdmin",
            {Add, Del, Chart, Finish, InAmount, OutAmount, AmountMenu, ContainerMenu}},
        {"frmAmountAdmin", {Add, Del, Chart, Finish, InMoney, OutMoney, ContainerMenu, MoneyMenu}},
        {"frmContainerAdmin",
            {Add, Del, Chart, Finish, InMoney, OutMoney, InAmount, OutAmount, AmountMenu,
                MoneyMenu}},
        {"frmStoreAdmin",
            {Chart, Finish, PrintSale, InMoney, OutMoney, InAmount, OutAmount, AmountMenu,
                ContainerMenu, MoneyMenu}},
        {"frmCustomerAdmin",
            {Chart, PrintSale, Finish, InMoney, OutMoney, InAmount, OutAmount, AmountMenu,
                ContainerMenu, MoneyMenu, DelAll}},
        {"frmHistoryCall",
            {Add, Edit, Filter, Chart, PrintSale, Finish, InMoney, OutMoney, InAmount, OutAmount,
                AmountMenu, ContainerMenu, MoneyMenu}},
        {"frmTodayReport",
            {Add, Edit, Del, Chart, InMoney, OutMoney, InAmount, OutAmount, AmountMenu,
                ContainerMenu, MoneyMenu}},
        {"frmCollectionList",
            {Add, Del, Finish, Chart, InMoney, OutMoney, InAmount, OutAmount, AmountMenu,
                ContainerMenu, MoneyMenu}},
        {"frmReport",
            {Filter, Add, Edit, Del, Finish, InMoney, OutMoney, InAmount, OutAmount, AmountMenu,
                ContainerMenu, MoneyMenu}},
    };
    // Steps common to every window; a name without entries below keeps
    // just these (every tool usable, captions as the tool bar has them).
    bars->setPaneText(QStringLiteral("stbUser"), StationUserText());

    for (const QString &band : {QStringLiteral("barTool"), QStringLiteral("popDel")}) {
        for (const QString &tool : bars->bandTools(band))
            bars->setToolEnabled(band, tool, true);
    }
    for (ToolId menu : {AmountMenu, ContainerMenu, MoneyMenu})
        bars->setToolEnabled(QStringLiteral("mnuMain"), Tools::name(menu), true);

    // The tool bar's own captions, which some windows change below.
    const QString barTool = QStringLiteral("barTool");
    for (ToolId tool : {Del, Edit, PrintSale, Filter})
        bars->setToolCaption(barTool, Tools::name(tool), Tools::iconText(tool));

    for (ToolId tool : disabledFor.value(windowName)) {
        if (QAction *action = bars->tool(tool))
            action->setEnabled(false);
    }

    if (windowName == QLatin1String("frmMoneyAdmin")
        || windowName == QLatin1String("frmAmountAdmin")
        || windowName == QLatin1String("frmContainerAdmin")) {
        bars->setToolCaption(barTool, Tools::name(Edit), QStringLiteral("打开"));
    } else if (windowName == QLatin1String("frmTodayReport")) {
        bars->setToolCaption(barTool, Tools::name(PrintSale), QStringLiteral("打印报表"));
        bars->setToolCaption(barTool, Tools::name(Filter), QStringLiteral("设定日期"));
    } else if (windowName == QLatin1String("frmCollectionList")) {
        bars->setToolCaption(barTool, Tools::name(PrintSale), QStringLiteral("打印报表"));
        bars->setToolCaption(barTool, Tools::name(Edit), QStringLiteral("帐户"));
    } else if (windowName == QLatin1String("frmReport")) {
        bars->setToolCaption(barTool, Tools::name(PrintSale), QStringLiteral("打印报表"));
    }
}

} // namespace mSystem
