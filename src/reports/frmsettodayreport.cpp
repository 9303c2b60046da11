#include "reports/frmsettodayreport.h"

#include "shell/datetext.h"
#include "shell/idlist.h"
#include "shell/inputcheck.h"
#include "shell/loginstate.h"
#include "shell/picklists.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

frmSetTodayReport::frmSetTodayReport(QWidget *parent)
    : QDialog(parent), txtDate(new QLineEdit(DateText::todayForm(QDate::currentDate()))),
      cmbStation(new QComboBox), btnOk(new QPushButton(QStringLiteral("开始盘点"))),
      btnCancel(new QPushButton(QStringLiteral("取消"))), pgbMain(new QProgressBar)
{
    setObjectName(QStringLiteral("frmSetTodayReport"));
    setWindowTitle(QStringLiteral("帐目盘点"));
    txtDate->setObjectName(QStringLiteral("txtDate"));
    cmbStation->setObjectName(QStringLiteral("cmbStation"));
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    pgbMain->setObjectName(QStringLiteral("pgbMain"));
    pgbMain->setValue(0);

    IdList::fill(cmbStation, PickLists::activeStations().value_or(Recordset()));
    IdList::select(cmbStation, gStationID);
    cmbStation->setEnabled(gIsHeadStation);

    auto *options = new QGroupBox(QStringLiteral("选项："));
    auto *form = new QFormLayout(options);
    form->addRow(QStringLiteral("盘点日期："), txtDate);
    form->addRow(QStringLiteral("所辖供水站："), cmbStation);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(pgbMain, 1);
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    auto *box = new QVBoxLayout(this);
    box->addWidget(new QLabel(QStringLiteral("请设置有关盘点选项后开始盘点")));
    box->addWidget(options);
    box->addLayout(buttons);
    btnOk->setDefault(true);

    connect(txtDate, &QLineEdit::textChanged, this,
        [this](const QString &text) { btnOk->setEnabled(!text.trimmed().isEmpty()); });
    connect(btnOk, &QPushButton::clicked, this, [this] { start(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmSetTodayReport::start()
{
    const QString text = txtDate->text().trimmed();
    // A date the statements could misread is refused here, not counted.
    if (!mSystem::CheckInput(text, mSystem::CheckDate)) {
        txtDate->setFocus();
        return;
    }
    ReportDate = DateText::parse(text);
    curStationID = IdList::selected(cmbStation);
    if (curStationID == 0)
        curStationID = gStationID;
    txtDate->setEnabled(false);
    cmbStation->setEnabled(false);
    btnOk->setEnabled(false);

    TodayReport::Options options;
    options.reportDate = ReportDate;
    options.stationId = curStationID;
    options.variant = gIsHeadStation ? TodayReport::Variant::Group : TodayReport::Variant::Station;
    options.progress = [this](int value, int maximum) {
        pgbMain->setMaximum(maximum);
        pgbMain->setValue(value);
    };
    const auto result = TodayReport::build(options);
    if (!result) {
        reject();
        return;
    }
    table = *result;
    accept();
}
