#include "shell/rights.h"

#include "datastore/mdatabase.h"
#include "shell/commandbars.h"
#include "shell/loginstate.h"

#include <QStringList>

namespace mSystem {
namespace {

struct BandTools {
    QString band;
    QStringList tools;
};

} // namespace

void ApplyUserRights(qint64 userId)
{
    CommandBars *bars = CommandBars::current();
    if (!bars)
        return;
    const QString roles
        = mDatabase::GetFieldByID(userId, QStringLiteral("SysUser"), QStringLiteral("rolestring"));
    auto withheld = [&](int position) {
        return roles.size() >= position && roles.at(position - 1) == QLatin1Char('0');
    };
    auto disable = [&](const QString &band, const QStringList &tools) {
        for (const QString &tool : tools)
            bars->setToolEnabled(band, tool, false);
    };
    auto hide = [&](const QString &band, const QStringList &tools) {
        for (const QString &tool : tools)
            bars->hideTool(band, tool);
    };

    if (withheld(1)) {
        disable("popFile", {"tlUserAdmin", "tlSysConfigure", "tlSysReset", "tlSalePrintSetup"});
        disable("popDaily",
            {"tlSenderAdmin", "tlProductAdmin", "tlCustomerAdmin", "tlGrpStationAdmin"});
    }
    if (withheld(2)) {
        disable("popDaily", {"tlSaleAdmin"});
        gAllowSaleListClose = true;
        if (bars->closeWindow)
            bars->closeWindow(QStringLiteral("frmSaleAdmin"));
    }
    if (withheld(3)) {
        disable("popDaily", {"tlMoneyAdmin"});
        hide("mnuMain", {"mnuMoney"});
        hide("barTool", {"tlOutMoney", "tlInMoney"});
    }
    if (withheld(4)) {
        disable("popDaily", {"tlAmountAdmin"});
        hide("mnuMain", {"mnuAmount"});
        hide("barTool", {"tlOutAmount", "tlInAmount"});
    }
    if (withheld(5)) {
        disable("popDaily", {"tlContainerAdmin"});
        hide("mnuMain", {"mnuContainer"});
    }
    if (withheld(6))
        disable("popDaily", {"tlStoreAdmin"});
    if (withheld(7))
        disable("popDaily", {"tlTodayReport"});
    if (withheld(8))
        disable("mnuMain", {"mnuSearch"});
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

    static const QHash<QString, QList<BandTools>> disabledFor = {
        {"frmSaleAdmin", {{"barTool", {"tlChart", "tlFinish"}}}},
        {"frmMoneyAdmin",
            {{"barTool", {"tlAdd", "tlDel", "tlChart", "tlFinish", "tlInAmount", "tlOutAmount"}},
                {"mnuMain", {"mnuAmount", "mnuContainer"}}}},
        {"frmAmountAdmin",
            {{"barTool", {"tlAdd", "tlDel", "tlChart", "tlFinish", "tlInMoney", "tlOutMoney"}},
                {"mnuMain", {"mnuContainer", "mnuMoney"}}}},
        {"frmContainerAdmin",
            {{"barTool",
                 {"tlAdd", "tlDel", "tlChart", "tlFinish", "tlInMoney", "tlOutMoney", "tlInAmount",
                     "tlOutAmount"}},
                {"mnuMain", {"mnuAmount", "mnuMoney"}}}},
        {"frmStoreAdmin",
            {{"barTool",
                 {"tlChart", "tlFinish", "tlPrintSale", "tlInMoney", "tlOutMoney", "tlInAmount",
                     "tlOutAmount"}},
                {"mnuMain", {"mnuAmount", "mnuContainer", "mnuMoney"}}}},
        {"frmCustomerAdmin",
            {{"barTool",
                 {"tlChart", "tlPrintSale", "tlFinish", "tlInMoney", "tlOutMoney", "tlInAmount",
                     "tlOutAmount"}},
                {"mnuMain", {"mnuAmount", "mnuContainer", "mnuMoney"}}, {"popDel", {"tlDelAll"}}}},
        {"frmHistoryCall",
            {{"barTool",
                 {"tlAdd", "tlEdit", "tlFilter", "tlChart", "tlPrintSale", "tlFinish", "tlInMoney",
                     "tlOutMoney", "tlInAmount", "tlOutAmount"}},
                {"mnuMain", {"mnuAmount", "mnuContainer", "mnuMoney"}}}},
        {"frmTodayReport",
            {{"barTool",
                 {"tlAdd", "tlEdit", "tlDel", "tlChart", "tlInMoney", "tlOutMoney", "tlInAmount",
                     "tlOutAmount"}},
                {"mnuMain", {"mnuAmount", "mnuContainer", "mnuMoney"}}}},
        {"frmReport",
            {{"barTool",
                 {"tlFilter", "tlAdd", "tlEdit", "tlDel", "tlFinish", "tlInMoney", "tlOutMoney",
                     "tlInAmount", "tlOutAmount"}},
                {"mnuMain", {"mnuAmount", "mnuContainer", "mnuMoney"}}}},
    };
    // Steps common to every window; a name without entries below keeps
    // just these (every tool usable, captions as the tool bar has them).
    bars->setPaneText(QStringLiteral("stbUser"), StationUserText());

    for (const QString &band : {QStringLiteral("barTool"), QStringLiteral("popDel")}) {
        for (const QString &tool : bars->bandTools(band))
            bars->setToolEnabled(band, tool, true);
    }
    for (const QString &menu :
        {QStringLiteral("mnuAmount"), QStringLiteral("mnuContainer"), QStringLiteral("mnuMoney")})
        bars->setToolEnabled(QStringLiteral("mnuMain"), menu, true);

    const QString barTool = QStringLiteral("barTool");
    bars->setToolCaption(barTool, QStringLiteral("tlDel"), QStringLiteral("删除"));
    bars->setToolCaption(barTool, QStringLiteral("tlEdit"), QStringLiteral("修改"));
    bars->setToolCaption(barTool, QStringLiteral("tlPrintSale"), QStringLiteral("打印单据"));
    bars->setToolCaption(barTool, QStringLiteral("tlFilter"), QStringLiteral("查询"));

    for (const BandTools &entry : disabledFor.value(windowName)) {
        for (const QString &tool : entry.tools)
            bars->setToolEnabled(entry.band, tool, false);
    }

    if (windowName == QLatin1String("frmMoneyAdmin")
        || windowName == QLatin1String("frmAmountAdmin")
        || windowName == QLatin1String("frmContainerAdmin")) {
        bars->setToolCaption(barTool, QStringLiteral("tlEdit"), QStringLiteral("打开"));
    } else if (windowName == QLatin1String("frmTodayReport")) {
        bars->setToolCaption(barTool, QStringLiteral("tlPrintSale"), QStringLiteral("打印报表"));
        bars->setToolCaption(barTool, QStringLiteral("tlFilter"), QStringLiteral("设定日期"));
    } else if (windowName == QLatin1String("frmReport")) {
        bars->setToolCaption(barTool, QStringLiteral("tlPrintSale"), QStringLiteral("打印报表"));
    }
}

} // namespace mSystem
