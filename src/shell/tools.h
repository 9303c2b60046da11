#pragma once

#include <QIcon>
#include <QString>
#include <QStringView>

#include <optional>
#include <span>

// The main window's commands as the compiler knows them. Every command is
// one row of one table: its name (the QAction's objectName and the word
// toolClick() takes), its captions, its picture and the right that withholds
// it. The main window binds a handler to every id; rights and pictures read
// the same rows, so a command is named in one place only.
enum class ToolId {
    // The menu bar's own entries.
    FileMenu,
    OperateMenu,
    DailyMenu,
    MoneyMenu,
    AmountMenu,
    ContainerMenu,
    SearchMenu,
    WindowsMenu,
    HelpMenu,
    // File
    UserAdmin,
    ChangePwd,
    SysConfigure,
    SysReset,
    FillDemo,
    SalePrintSetup,
    PrintSetup,
    PrintPreview,
    Print,
    Exit,
    // Records
    Add,
    Edit,
    Del,
    DelAll,
    First,
    Previous,
    Next,
    Last,
    Refresh,
    Filter,
    ShowNavigator,
    // Daily work
    SaleAdmin,
    MoneyAdmin,
    AmountAdmin,
    ContainerAdmin,
    StoreAdmin,
    GrpStationAdmin,
    SenderAdmin,
    CustomerAdmin,
    ProductAdmin,
    TodayReport,
    // Settling
    InMoney,
    InAllMoney,
    OutMoney,
    OutAllMoney,
    OutAmount,
    OutAllAmount,
    InAmount,
    InAllAmount,
    InContainer,
    InAllContainer,
    OutContainer,
    OutAllContainer,
    // Queries
    DayReport,
    MonthReport,
    CustDayReport,
    CustMonthReport,
    SenderDayReport,
    SenderMonthReport,
    CollectionList,
    HistoryCall,
    // Windows
    TileVertical,
    TileHorizontal,
    Cascade,
    ArrangeIcons,
    // Help
    Help,
    HomePage,
    About,
    // Tool bar only
    PrintSale,
    Finish,
    Chart,

    Count
};

namespace Tools {

enum class Kind {
    Command, // runs its handler
    Menu, // a menu bar entry: opens its drop-down, has no handler
    Inert, // shown, and deliberately does nothing (no help file ships)
};

// What withholding the tool's right does to it. The rolestring has one
// character per right, position 1 first; 0 means no right governs the tool.
enum class Withheld { Disable, Hide };

struct Right {
    int position = 0;
    Withheld effect = Withheld::Disable;
};

// Either one of Qt's standard pictures or a round badge with one character.
struct Picture {
    int standardPixmap = -1; // a QStyle::StandardPixmap, or -1
    const char *glyph = nullptr;
    unsigned color = 0; // QRgb of the badge
};

struct Info {
    ToolId id;
    const char *name;
    const char *caption; // menu text (UTF-8)
    const char *iconText; // caption in the tool bands; nullptr: none of its own
    Picture picture;
    Right right;
    Kind kind = Kind::Command;
};

std::span<const Info> all();
const Info &info(ToolId id);
QString name(ToolId id);
QString caption(ToolId id);
QString iconText(ToolId id);
QIcon icon(ToolId id);
// The id of a tool name; nothing for a name no command has.
std::optional<ToolId> byName(QStringView name);

} // namespace Tools
