#include "shell/tools.h"

#include "shell/toolicons.h"

#include <QApplication>
#include <QStyle>

#include <array>

namespace Tools {
namespace {

using enum ToolId;

constexpr Picture standard(QStyle::StandardPixmap pixmap)
{
    return {.standardPixmap = int(pixmap)};
}

constexpr Picture badge(const char *glyph, unsigned color)
{
    return {.glyph = glyph, .color = color};
}

// Colours by kind of work: blue records, green money, orange goods, teal
// bottles, purple reports, grey set-up.
constexpr unsigned Records = 0xff1e6fb8;
constexpr unsigned Removal = 0xffc0392b;
constexpr unsigned Money = 0xff27ae60;
constexpr unsigned Goods = 0xffd35400;
constexpr unsigned Bottles = 0xff16a085;
constexpr unsigned Reports = 0xff8e44ad;
constexpr unsigned SetUp = 0xff5d6d7e;
constexpr unsigned Master = 0xff7f8c8d;

constexpr Right disabledWithout(int position)
{
    return {position, Withheld::Disable};
}

constexpr Right hiddenWithout(int position)
{
    return {position, Withheld::Hide};
}

// In the order of ToolId; the check below keeps it so.
constexpr std::array Table = {
    Info{FileMenu, "mnuFile", "文件(&F)", nullptr, {}, {}, Kind::Menu},
    Info{OperateMenu, "mnuOperate", "操作(&O)", nullptr, {}, {}, Kind::Menu},
    Info{DailyMenu, "mnuDaily", "日常业务(&R)", nullptr, {}, {}, Kind::Menu},
    Info{MoneyMenu, "mnuMoney", "货款管理(&H)", nullptr, {}, hiddenWithout(3), Kind::Menu},
    Info{AmountMenu, "mnuAmount", "发货管理(&F)", nullptr, {}, hiddenWithout(4), Kind::Menu},
    Info{ContainerMenu, "mnuContainer", "空瓶管理(&K)", nullptr, {}, hiddenWithout(5), Kind::Menu},
    Info{SearchMenu, "mnuSearch", "查询统计(&C)", nullptr, {}, disabledWithout(8), Kind::Menu},
    Info{WindowsMenu, "mnuWindows", "窗口(&W)", nullptr, {}, {}, Kind::Menu},
    Info{HelpMenu, "mnuHelp", "帮助(&H)", nullptr, {}, {}, Kind::Menu},

    Info{UserAdmin, "tlUserAdmin", "系统用户管理", nullptr, badge("户", SetUp), disabledWithout(1)},
    Info{ChangePwd, "tlChangePwd", "修改登录密码", nullptr, badge("密", SetUp), {}},
    Info{SysConfigure, "tlSysConfigure", "系统参数设置", nullptr, badge("参", SetUp),
        disabledWithout(1)},
    Info{SysReset, "tlSysReset", "重新启用系统", nullptr, badge("启", Removal), disabledWithout(1)},
    Info{FillDemo, "tlFillDemo", "填入演示数据", nullptr, badge("演", SetUp), {}},
    Info{SalePrintSetup, "tlSalePrintSetup", "定义单据打印格式", nullptr, badge("式", SetUp),
        disabledWithout(1)},
    Info{PrintSetup, "tlPrintSetup", "打印设置", nullptr, badge("设", SetUp), {}},
    Info{PrintPreview, "tlPrintPreview", "打印预览", nullptr, badge("览", SetUp), {}},
    Info{Print, "tlPrint", "打印报表", nullptr, badge("印", SetUp), {}},
    Info{Exit, "tlExit", "退出", "退出", standard(QStyle::SP_DialogCloseButton), {}},

    Info{Add, "tlAdd", "增加记录", "新建", badge("新", Records), {}},
    Info{Edit, "tlEdit", "修改记录", "修改", badge("改", Records), {}},
    Info{Del, "tlDel", "删除记录", "删除", badge("删", Removal), {}},
    Info{DelAll, "tlDelAll", "所有未入帐单据", nullptr, badge("删", Removal), {}},
    Info{First, "tlFirst", "第一条记录", "最前一条", standard(QStyle::SP_MediaSkipBackward), {}},
    Info{
        Previous, "tlPrevious", "上一条记录", "上一条", standard(QStyle::SP_MediaSeekBackward), {}},
    Info{Next, "tlNext", "下一条记录", "下一条", standard(QStyle::SP_MediaSeekForward), {}},
    Info{Last, "tlLast", "最后一条记录", "最后一条", standard(QStyle::SP_MediaSkipForward), {}},
    Info{Refresh, "tlRefresh", "刷新显示", "刷新", standard(QStyle::SP_BrowserReload), {}},
    Info{Filter, "tlFilter", "查询过滤", "查询", badge("查", Records), {}},
    Info{ShowNavigator, "tlShowNavigator", "导航条复位", nullptr, {}, {}},

    Info{SaleAdmin, "tlSaleAdmin", "销售开票管理", "销售开票", badge("票", Records),
        disabledWithout(2)},
    Info{MoneyAdmin, "tlMoneyAdmin", "销售收款管理", "销售收款", badge("款", Money),
        disabledWithout(3)},
    Info{AmountAdmin, "tlAmountAdmin", "销售出库管理", "销售发货", badge("货", Goods),
        disabledWithout(4)},
    Info{ContainerAdmin, "tlContainerAdmin", "空瓶回收管理", "空瓶回收", badge("瓶", Bottles),
        disabledWithout(5)},
    Info{StoreAdmin, "tlStoreAdmin", "手工库存调整", "库存管理", badge("库", Master),
        disabledWithout(6)},
    Info{GrpStationAdmin, "tlGrpStationAdmin", "下属煤气站设置", nullptr, badge("站", Master),
        disabledWithout(1)},
    Info{SenderAdmin, "tlSenderAdmin", "送水工管理", nullptr, badge("送", Master),
        disabledWithout(1)},
    Info{CustomerAdmin, "tlCustomerAdmin", "客户资料管理", nullptr, badge("客", Master),
        disabledWithout(1)},
    Info{ProductAdmin, "tlProductAdmin", "产品目录管理", nullptr, badge("品", Master),
        disabledWithout(1)},
    Info{TodayReport, "tlTodayReport", "今日盘点", "今日盘点", badge("盘", Reports),
        disabledWithout(7)},

    Info{InMoney, "tlInMoney", "对当前选中单据收款", "收款", badge("收", Money), hiddenWithout(3)},
    Info{InAllMoney, "tlInAllMoney", "对所有未入帐单据收款", nullptr, {}, {}},
    Info{
        OutMoney, "tlOutMoney", "对当前选中单据退款", "退款", badge("退", Money), hiddenWithout(3)},
    Info{OutAllMoney, "tlOutAllMoney", "对所有未入帐单据退款", nullptr, {}, {}},
    Info{OutAmount, "tlOutAmount", "对当前单据发货", "发货", badge("发", Goods), hiddenWithout(4)},
    Info{OutAllAmount, "tlOutAllAmount", "对所有未入帐单据发货", nullptr, {}, {}},
    Info{InAmount, "tlInAmount", "对当前单据退货", "退货", badge("退", Goods), hiddenWithout(4)},
    Info{InAllAmount, "tlInAllAmount", "对所有未入帐单据退货", nullptr, {}, {}},
    Info{InContainer, "tlInContainer", "回收当前单据空瓶", nullptr, {}, {}},
    Info{InAllContainer, "tlInAllContainer", "回收所有未入帐单据的空瓶", nullptr, {}, {}},
    Info{OutContainer, "tlOutContainer", "标志当前单据为欠瓶", nullptr, {}, {}},
    Info{OutAllContainer, "tlOutAllContainer", "标志所有未入帐单据为欠瓶", nullptr, {}, {}},

    Info{DayReport, "mnuDayReport", "日销售额汇总表", nullptr, {}, {}},
    Info{MonthReport, "mnuMonthReport", "月销售额汇总表", nullptr, {}, {}},
    Info{CustDayReport, "mnuCustDayReport", "客户日购水统计表", nullptr, {}, {}},
    Info{CustMonthReport, "mnuCustMonthReport", "客户月购水统计表", nullptr, {}, {}},
    Info{SenderDayReport, "mnuSenderDayReport", "送水工日业绩考核表", nullptr, {}, {}},
    Info{SenderMonthReport, "mnuSenderMonthReport", "送水工月业绩考核表", nullptr, {}, {}},
    Info{CollectionList, "mnuCollectionList", "欠款欠瓶客户", "欠款欠瓶", badge("欠", Reports),
        disabledWithout(8)},
    Info{HistoryCall, "mnuHistoryCall", "客户来电记录", nullptr, badge("电", Reports), {}},

    Info{TileVertical, "tlTileVertical", "纵向平铺", nullptr, {}, {}},
    Info{TileHorizontal, "tlTileHorizontal", "横向平铺", nullptr, {}, {}},
    Info{Cascade, "tlCascade", "窗口层叠", nullptr, {}, {}},
    Info{ArrangeIcons, "tlArrangeIcons", "排列图标", nullptr, {}, {}},

    Info{Help, "tlHelp", "目录", nullptr, standard(QStyle::SP_DialogHelpButton), {}, Kind::Inert},
    Info{HomePage, "tlHomePage", "访问网站", nullptr, badge("网", Records), {}},
    Info{About, "tlAbout", "关于.......", nullptr, standard(QStyle::SP_MessageBoxInformation), {}},

    Info{PrintSale, "tlPrintSale", "打印单据", "打印单据", badge("印", SetUp), {}},
    Info{Finish, "tlFinish", "单据入帐", "单据入帐", badge("账", Reports), {}},
    Info{Chart, "tlChart", "图形分析", "图形分析", badge("图", Reports), {}},
};

constexpr bool inIdOrder()
{
    for (std::size_t i = 0; i < Table.size(); ++i) {
        if (Table[i].id != ToolId(i) || !Table[i].name || !Table[i].caption)
            return false;
    }
    return true;
}

static_assert(Table.size() == std::size_t(ToolId::Count), "every tool id has one row");
static_assert(inIdOrder(), "the rows follow the order of ToolId");

} // namespace

std::span<const Info> all()
{
    return Table;
}

const Info &info(ToolId id)
{
    return Table.at(std::size_t(id));
}

QString name(ToolId id)
{
    return QString::fromLatin1(info(id).name);
}

QString caption(ToolId id)
{
    return QString::fromUtf8(info(id).caption);
}

QString iconText(ToolId id)
{
    const char *text = info(id).iconText;
    return text ? QString::fromUtf8(text) : QString();
}

QIcon icon(ToolId id)
{
    const Picture &picture = info(id).picture;
    if (picture.standardPixmap >= 0)
        return QApplication::style()->standardIcon(QStyle::StandardPixmap(picture.standardPixmap));
    if (picture.glyph)
        return ToolIcons::badge(QString::fromUtf8(picture.glyph), picture.color);
    return {};
}

std::optional<ToolId> byName(QStringView name)
{
    for (const Info &row : Table) {
        if (name == QLatin1StringView(row.name))
            return row.id;
    }
    return std::nullopt;
}

} // namespace Tools
