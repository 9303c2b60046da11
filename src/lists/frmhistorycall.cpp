#include "lists/frmhistorycall.h"

#include "datastore/prompt.h"
#include "lists/frmcustfilter.h"
#include "sales/calllog.h"

frmHistoryCall::frmHistoryCall(QWidget *parent) : ListWindow(parent)
{
    setObjectName(QStringLiteral("frmHistoryCall"));
    setWindowTitle(QStringLiteral("客户管理"));
    setGridCaption(QStringLiteral(":::客户来电一览表:::"));
    setColumns({{QStringLiteral("序号"), QStringLiteral("ID"), 600, {}, ListColumn::Text},
        {QStringLiteral("电话号码"), QStringLiteral("CallerID"), 1400, {}, ListColumn::Text},
        {QStringLiteral("来电时间"), QStringLiteral("CallDate"), 1800, {}, ListColumn::DateTime},
        {QStringLiteral("客户姓名"), QStringLiteral("CustName"), 1400, {}, ListColumn::Text},
        {QStringLiteral("客户地址"), QStringLiteral("CustAddress"), 3000, {}, ListColumn::Text}});
    setSortFieldMap({{QStringLiteral("ID"), QStringLiteral("a.ID")},
        {QStringLiteral("CallerID"), QStringLiteral("a.PhoneNumber")},
        {QStringLiteral("CallDate"), QStringLiteral("a.CreateDate")},
        {QStringLiteral("CustName"), QStringLiteral("b.Name")},
        {QStringLiteral("CustAddress"), QStringLiteral("b.Address")}});
    setPrintTitle(QStringLiteral("\t来电资料一览表"));
    setPrintFailureTexts(QStringLiteral("打印预览失败，请检查您的系统中是否正确安装了打印机"),
        QStringLiteral("打印失败，请检查您的系统中是否正确安装了打印机！"), QStringLiteral("预览"),
        QStringLiteral("预览"));
    curShortSQL = QStringLiteral(
        "SELECT a.ID as ID,a.CreateDate as CallDate,a.PhoneNumber as CallerID,b.Name as "
        "CustName,b.Address As CustAddress FROM Call a LEFT OUTER JOIN Customer b ON "
        "a.PhoneNumber=b.Phone");
    curSortSQL = QStringLiteral(" ORDER BY a.ID Asc");

    ListCommands &c = commands();
    offerPrintCommands(false);
    // A call is not opened or added by hand: both do nothing here.
    c.AddNew = [] {
    };
    c.EditData = [] {
    };
    c.DeleteData = std::bind_front(&frmHistoryCall::DeleteData, this);
    c.DeleteAll = std::bind_front(&frmHistoryCall::DeleteAll, this);
    c.ShowFilter = std::bind_front(&frmHistoryCall::ShowFilter, this);
    // The log is always shown at once, whatever the workstation's setting.
    DataRefresh();
}

void frmHistoryCall::DeleteData()
{
    const QString id = selectedID();
    if (id.isEmpty()) {
        Prompt::information(QStringLiteral("请先选定您要删除的数据！"), QStringLiteral("提示"));
        return;
    }
    if (!Prompt::confirm(QStringLiteral("你确认要删除当前来电记录吗？"), QStringLiteral("删除"),
            Prompt::Icon::Critical))
        return;
    if (CallLog::remove(id.toLongLong()))
        DataRefresh();
}

void frmHistoryCall::DeleteAll()
{
    if (!Prompt::confirm(QStringLiteral("你确认要删除所有历史来电记录吗？"), QStringLiteral("删除"),
            Prompt::Icon::Critical))
        return;
    if (CallLog::clear())
        DataRefresh();
}

void frmHistoryCall::ShowFilter()
{
    frmCustFilter filter(this, this);
    filter.exec();
    DataRefresh();
}
