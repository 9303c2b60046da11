#include "lists/frmcustomeradmin.h"

#include "datastore/prompt.h"
#include "lists/frmcustfilter.h"
#include "sales/customerwriter.h"
#include "sales/frmcustomer.h"
#include "shell/loginstate.h"

#include <QAction>
#include <QSqlRecord>
#include <QTableView>

frmCustomerAdmin::frmCustomerAdmin(QWidget *parent) : ListWindow(parent)
{
    setObjectName(QStringLiteral("frmCustomerAdmin"));
    setWindowTitle(QStringLiteral("客户管理"));
    setGridCaption(QStringLiteral(":::客户资料一览表:::"));
    setColumns({{QStringLiteral("系统序号"), QStringLiteral("ID"), 1000, {}, ListColumn::Number},
        {QStringLiteral("开户编号"), QStringLiteral("Account"), 1000, {}, ListColumn::Number},
        {QStringLiteral("联系人"), QStringLiteral("Name"), 1200, {}, ListColumn::Text},
        {QStringLiteral("联系电话"), QStringLiteral("Phone"), 1200, {}, ListColumn::Text},
        {QStringLiteral("开户日期"), QStringLiteral("CreateDate"), 1200, {}, ListColumn::Date},
        {QStringLiteral("联系地址"), QStringLiteral("Address"), 3000, Qt::AlignLeft,
            ListColumn::Text},
        {QStringLiteral("备注"), QStringLiteral("Detail"), 2000, Qt::AlignLeft, ListColumn::Text}});
    setUnsortableFields({QStringLiteral("Detail")});
    setRowStyler([](const QSqlRecord &r) {
        return r.value(QStringLiteral("Status")).toString() == QLatin1String("0")
            ? ListModel::RowStyle::Struck
            : ListModel::RowStyle::Normal;
    });
    setPrintTitle(QStringLiteral("\t顾户资料一览表"));
    setPrintFailureTexts(QStringLiteral("打印预览失败，请检查您的系统中是否正确安装了打印机"),
        QStringLiteral("打印失败，请检查您的系统中是否正确安装了打印机！"), QStringLiteral("预览"),
        QStringLiteral("预览"));
    curShortSQL = QStringLiteral("SELECT * FROM Customer");
    if (!gIsHeadStation)
        curFilterSQL = QStringLiteral(" WHERE StationID=%1").arg(gStationID);
    curSortSQL = QStringLiteral(" ORDER BY ID Asc");

    ListCommands &c = commands();
    offerPrintCommands(false);
    c.AddNew = std::bind_front(&frmCustomerAdmin::AddNew, this);
    c.EditData = std::bind_front(&frmCustomerAdmin::EditData, this);
    c.DeleteData = std::bind_front(&frmCustomerAdmin::DeleteData, this);
    c.DeleteAll = std::bind_front(&frmCustomerAdmin::DeleteAll, this);
    c.ShowFilter = std::bind_front(&frmCustomerAdmin::ShowFilter, this);
    c.ShowAccount = std::bind_front(&ListWindow::showSelectedAccount, this);
    auto *account = new QAction(QStringLiteral("客户帐户"), grid());
    account->setObjectName(QStringLiteral("actAccount"));
    account->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
    account->setShortcutContext(Qt::WidgetShortcut);
    connect(account, &QAction::triggered, this, &ListWindow::showSelectedAccount);
    grid()->addAction(account);
    grid()->setContextMenuPolicy(Qt::ActionsContextMenu);
    loadRows();
}

void frmCustomerAdmin::AddNew()
{
    openForm<frmCustomer>(frmCustomer::New);
}

void frmCustomerAdmin::EditData()
{
    editSelected<frmCustomer>();
}

void frmCustomerAdmin::DeleteData()
{
    const QString id = selectedID();
    if (id.isEmpty()) {
        Prompt::information(QStringLiteral("请先选定您要禁用的数据！"), QStringLiteral("提示"));
        return;
    }
    const bool active = selectedValue(QStringLiteral("Status")).toString() == QLatin1String("1");
    if (active) {
        if (!Prompt::confirm(QStringLiteral("你确认要禁用该帐户吗？"), QStringLiteral("禁用帐户"),
                Prompt::Icon::Question))
            return;
    } else if (!Prompt::confirm(QStringLiteral("该帐户已禁用，要重新启用吗？"),
                   QStringLiteral("启用帐户"), Prompt::Icon::Question)) {
        return;
    }
    CustomerWriter::setStatus(id.toLongLong(), !active);
    DataRefresh();
}

void frmCustomerAdmin::DeleteAll()
{
    Prompt::message(QStringLiteral("不能全部禁用！"), QStringLiteral("失败"));
}

void frmCustomerAdmin::ShowFilter()
{
    frmCustFilter filter(this, this);
    filter.exec();
    DataRefresh();
}
