#include "reports/frmsetreport.h"

#include "datastore/mdatabase.h"
#include "shell/datetext.h"
#include "shell/idlist.h"
#include "shell/inputcheck.h"
#include "shell/leavecheck.h"
#include "shell/loginstate.h"
#include "shell/pickers.h"
#include "shell/picklists.h"
#include "shell/tools.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The range last asked for, offered again while the program runs: an
// operator going through the reports of one month types it once.
QDate s_lastStart;
QDate s_lastEnd;

QLineEdit *dateField(const char *name, const QDate &last)
{
    auto *edit = new QLineEdit(DateText::shortDate(last.isValid() ? last : QDate::currentDate()));
    edit->setObjectName(QLatin1String(name));
    mSystem::checkOnLeave(edit, [edit] {
        if (edit->text().trimmed().isEmpty()) {
            edit->setText(DateText::shortDate(QDate::currentDate()));
            return true;
        }
        return mSystem::CheckInput(edit->text(), mSystem::CheckDate);
    });
    return edit;
}

} // namespace

frmSetReport::frmSetReport(int reportType, QWidget *parent)
    : QDialog(parent), curReportType(reportType),
      txtStartDate(dateField("txtStartDate", s_lastStart)),
      txtEndDate(dateField("txtEndDate", s_lastEnd)), cmbStation(new QComboBox),
      txtAccount(new QLineEdit), cmbSender(new QComboBox),
      btnOk(new QPushButton(QStringLiteral("确定"))),
      btnCancel(new QPushButton(QStringLiteral("取消")))
{
    setObjectName(QStringLiteral("frmSetReport"));
    // Which of the six reports it is for.
    static const ToolId reports[]
        = {ToolId::DayReport, ToolId::CustDayReport, ToolId::SenderDayReport, ToolId::MonthReport,
            ToolId::CustMonthReport, ToolId::SenderMonthReport};
    setWindowTitle(reportType >= 0 && reportType < int(std::size(reports))
            ? QStringLiteral("报表参数设置 — %1").arg(Tools::caption(reports[reportType]))
            : QStringLiteral("报表参数设置"));
    cmbStation->setObjectName(QStringLiteral("cmbStation"));
    txtAccount->setObjectName(QStringLiteral("txtAccount"));
    cmbSender->setObjectName(QStringLiteral("cmbSender"));
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));

    IdList::fill(cmbStation, PickLists::activeStations().value_or(Recordset()));
    IdList::select(cmbStation, gStationID);
    cmbStation->setEnabled(gIsHeadStation);
    IdList::fill(
        cmbSender, PickLists::activeSenders(gIsHeadStation, gStationID).value_or(Recordset()));
    cmbSender->setCurrentIndex(-1);
    mSystem::checkOnLeave(txtAccount, [this] {
        if (txtAccount->text().trimmed().isEmpty()) {
            txtAccount->setText(QStringLiteral("0"));
            return true;
        }
        return mSystem::CheckInput(txtAccount->text(), mSystem::CheckNumber);
    });

    const bool byCustomer
        = reportType == PeriodReport::CustDayReport || reportType == PeriodReport::CustMonthReport;
    const bool bySender = reportType == PeriodReport::SenderDayReport
        || reportType == PeriodReport::SenderMonthReport;
    if (byCustomer || bySender)
        cmbStation->setEnabled(false);
    cmbSender->setEnabled(bySender);
    txtAccount->setEnabled(byCustomer);
    if (!byCustomer)
        txtAccount->setStyleSheet(QStringLiteral("background: palette(window);"));

    const auto picker = [this](QLineEdit *field, const char *name) {
        auto *button = new QPushButton(QStringLiteral("..."));
        button->setObjectName(QLatin1String(name));
        button->setMaximumWidth(32);
        connect(button, &QPushButton::clicked, this, [field] {
            const QDate picked = mSystem::PickDate();
            if (picked.isValid())
                field->setText(DateText::shortDate(picked));
        });
        auto *row = new QHBoxLayout;
        row->addWidget(field);
        row->addWidget(button);
        return row;
    };
    auto *frame = new QGroupBox(QStringLiteral("&C、参数设置"));
    auto *form = new QFormLayout(frame);
    form->addRow(QStringLiteral("起始日期："), picker(txtStartDate, "btnPickStart"));
    form->addRow(QStringLiteral("结速日期："), picker(txtEndDate, "btnPickEnd"));
    form->addRow(QStringLiteral("所辖供水站："), cmbStation);
    form->addRow(QStringLiteral("客户帐号："), txtAccount);
    form->addRow(QStringLiteral("送水工编号："), cmbSender);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    auto *box = new QVBoxLayout(this);
    box->addWidget(frame);
    box->addLayout(buttons);
    btnOk->setDefault(true);

    for (QLineEdit *edit : {txtStartDate, txtEndDate, txtAccount})
        connect(edit, &QLineEdit::textChanged, this, [this] { updateOk(); });
    connect(cmbSender, &QComboBox::currentIndexChanged, this, [this] { updateOk(); });
    connect(btnOk, &QPushButton::clicked, this, [this] {
        // Both dates must be dates and the account a number, whichever
        // field the focus is in when Enter presses 确定.
        for (QLineEdit *date : {txtStartDate, txtEndDate})
            if (!mSystem::CheckInput(date->text(), mSystem::CheckDate)) {
                date->setFocus();
                return;
            }
        if (txtAccount->isEnabled()
            && !mSystem::CheckInput(txtAccount->text(), mSystem::CheckNumber)) {
            txtAccount->setFocus();
            txtAccount->selectAll();
            return;
        }
        s_lastStart = DateText::parse(txtStartDate->text());
        s_lastEnd = DateText::parse(txtEndDate->text());
        mResult = -1;
        accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    updateOk();
}

void frmSetReport::updateOk()
{
    btnOk->setEnabled(!txtStartDate->text().trimmed().isEmpty()
        && !txtEndDate->text().trimmed().isEmpty()
        && !(txtAccount->isEnabled() && txtAccount->text().trimmed().isEmpty())
        && !(cmbSender->isEnabled() && cmbSender->currentIndex() < 0));
}

PeriodReport::Parameters frmSetReport::parameters() const
{
    PeriodReport::Parameters p;
    p.type = curReportType;
    p.start = DateText::parse(txtStartDate->text());
    p.end = DateText::parse(txtEndDate->text());
    p.stationId = IdList::selected(cmbStation);
    if (p.stationId == 0)
        p.stationId = gStationID;
    if (txtAccount->isEnabled()) {
        qint32 account = 0;
        mSystem::ParseNumber(txtAccount->text(), &account);
        p.id = mDatabase::GetCustomerIDByAccount(account);
    } else if (cmbSender->isEnabled()) {
        p.id = IdList::selected(cmbSender);
    }
    p.loginStationId = gStationID;
    p.isHeadStation = gIsHeadStation;
    return p;
}
