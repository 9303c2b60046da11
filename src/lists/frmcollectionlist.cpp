#include "lists/frmcollectionlist.h"

#include "datastore/prompt.h"
#include "lists/frmcollectionfilter.h"
#include "sales/customeraccount.h"

#include <QDate>

namespace {

const QString Caption = QStringLiteral("欠款欠瓶客户");

} // namespace

frmCollectionList::frmCollectionList(QWidget *parent) : ListWindow(parent)
{
    setObjectName(QStringLiteral("frmCollectionList"));
    setWindowTitle(Caption);
    setColumns({{QStringLiteral("客户帐号"), QStringLiteral("Account"), 900},
        {QStringLiteral("客户姓名"), QStringLiteral("Name"), 1300},
        {QStringLiteral("联系电话"), QStringLiteral("Phone"), 1300},
        {QStringLiteral("送水地址"), QStringLiteral("Address"), 2600},
        {QStringLiteral("欠款"), QStringLiteral("OwedMoney"), 1100, {}, ListColumn::Money},
        {QStringLiteral("欠瓶"), QStringLiteral("BottlesOut"), 800, {}, ListColumn::Number},
        {QStringLiteral("最早未结"), QStringLiteral("OldestOpen"), 1200, Qt::AlignCenter,
            ListColumn::Date},
        {QStringLiteral("未结单数"), QStringLiteral("OpenOrders"), 900, {}, ListColumn::Number},
        {QStringLiteral("送水工"), QStringLiteral("SenderName"), 1100}});
    setTotals({4, 5, 7}, nullptr);
    setTotalsLabel(3, QStringLiteral("合      计"));
    setTotalsFromRows(true);
    // One row per customer, summed: read whole.
    setReadsWhole(true);
    setClosesOnDeactivation(false);
    setGridCaption(QStringLiteral(":::") + Caption + QStringLiteral(":::"));
    setPrintTitle(QStringLiteral("\t") + Caption);

    const CustomerAccount::CollectionQuery q
        = CustomerAccount::collectionQuery(m_criteria, QDate::currentDate());
    curShortSQL = q.select;
    curFilterSQL = q.filter;
    curGroupSQL = q.group;
    curSortSQL = q.sort;

    ListCommands &c = commands();
    offerPrintCommands(true);
    c.ShowFilter = std::bind_front(&frmCollectionList::ShowFilter, this);
    c.EditData = std::bind_front(&ListWindow::showSelectedAccount, this);
    c.ShowAccount = c.EditData;
    DataRefresh();
}

void frmCollectionList::applyCriteria(const Criteria &criteria, const QString &description)
{
    keepDefaultView();
    // No criteria: the list as it opened, sorted as it opened.
    if (criteria.isEmpty())
        restoreDefaultView();
    m_criteria = criteria;
    const CustomerAccount::CollectionQuery q
        = CustomerAccount::collectionQuery(m_criteria, QDate::currentDate());
    curFilterSQL = q.filter;
    curGroupSQL = q.group;
    setFilterState({}, description);
    DataRefresh();
}

void frmCollectionList::ShowFilter()
{
    frmCollectionFilter dialog(m_criteria, this);
    if (dialog.exec() == QDialog::Accepted)
        applyCriteria(dialog.criteria(), dialog.description());
}
