#include "shell/frmuser.h"

#include "datastore/prompt.h"
#include "datastore/schema.h"
#include "shell/idlist.h"
#include "shell/loginstate.h"
#include "shell/operatorstore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

frmUser::frmUser(QWidget *parent)
    : MasterForm(QStringLiteral("frmUser"), QStringLiteral("操作员"), parent)
{
    txtName = addLine(0, "txtName", QStringLiteral("用户名称："));
    txtPassword = addLine(1, "txtPassword", QStringLiteral("初始密码："));
    txtPassword->setEchoMode(QLineEdit::Password);
    txtDetail = addLine(2, "txtDetail", QStringLiteral("用户描述："));
    // No more than the columns hold, so every database stores what is typed.
    const QString table = QStringLiteral("SysUser");
    txtName->setMaxLength(Schema::textColumnSize(table, QStringLiteral("Name")));
    txtPassword->setMaxLength(Schema::textColumnSize(table, QStringLiteral("Pwd")));
    txtDetail->setMaxLength(Schema::textColumnSize(table, QStringLiteral("Detail")));
    cmbStation = new QComboBox;
    cmbStation->setObjectName(QStringLiteral("cmbStation"));
    fields()->addWidget(new QLabel(QStringLiteral("所辖供水站：")), 3, 0, Qt::AlignRight);
    fields()->addWidget(cmbStation, 3, 1);
    chkDisable = addCheck(4, "chkDisable", QStringLiteral("用户被禁用"));
    lsbRole = new QListWidget;
    lsbRole->setObjectName(QStringLiteral("lsbRole"));
    // A box per right: a click or Space ticks one right and leaves the
    // others as they are, which a selection never promised.
    lsbRole->setSelectionMode(QAbstractItemView::SingleSelection);
    lsbRole->addItems({QStringLiteral("系统管理"), QStringLiteral("销售开票"),
        QStringLiteral("销售收款"), QStringLiteral("销售出库"), QStringLiteral("空瓶回收"),
        QStringLiteral("库存管理"), QStringLiteral("结帐盘点"), QStringLiteral("查询统计")});
    for (int i = 0; i < lsbRole->count(); ++i) {
        lsbRole->item(i)->setFlags(lsbRole->item(i)->flags() | Qt::ItemIsUserCheckable);
        lsbRole->item(i)->setCheckState(Qt::Unchecked);
    }
    fields()->addWidget(
        new QLabel(QStringLiteral("操作权限：")), 5, 0, Qt::AlignRight | Qt::AlignTop);
    fields()->addWidget(lsbRole, 5, 1);

    const auto stations = UserReader::activeStations();
    for (const StationEntry &station : stations.value_or(QList<StationEntry>()))
        cmbStation->addItem(station.name, station.id);
    IdList::select(cmbStation, gStationID);
    // Operators of a branch add operators of their own station only.
    cmbStation->setEnabled(gIsHeadStation);
    setSaveRule([this] { return !txtName->text().trimmed().isEmpty(); });
}

QString frmUser::GetRoleString() const
{
    QString roles;
    for (int i = 0; i < lsbRole->count(); ++i)
        roles
            += lsbRole->item(i)->checkState() == Qt::Checked ? QLatin1Char('1') : QLatin1Char('0');
    return roles;
}

void frmUser::SetRoleString(const QString &roles)
{
    for (int i = 0; i < lsbRole->count(); ++i)
        lsbRole->item(i)->setCheckState(
            i < roles.size() && roles.at(i) == QLatin1Char('1') ? Qt::Checked : Qt::Unchecked);
}

void frmUser::ResetInput()
{
    txtName->clear();
    txtPassword->clear();
    txtDetail->clear();
    chkDisable->setChecked(false);
    SetRoleString(QString());
    txtName->setFocus();
}

bool frmUser::loadRecord()
{
    const auto user = UserReader::load(mCurID);
    if (!user)
        return false;
    txtName->setText(user->name);
    txtDetail->setText(user->detail);
    if (cmbStation->findData(user->stationId) < 0)
        cmbStation->addItem(QString::number(user->stationId), user->stationId);
    IdList::select(cmbStation, user->stationId);
    chkDisable->setChecked(!user->active);
    SetRoleString(user->roleString.trimmed());
    // The password is never edited here: operators change their own.
    txtPassword->setEnabled(false);
    txtPassword->setEchoMode(QLineEdit::Normal);
    txtPassword->setText(QStringLiteral("********"));
    txtPassword->setStyleSheet(QStringLiteral("background: palette(window);"));
    if (UserWriter::isFirstOperator(mCurID)) {
        Prompt::message(QStringLiteral("当前用户是系统管理，不能被禁用和修改权限！"),
            QStringLiteral("消息"), Prompt::Icon::Information);
        chkDisable->setEnabled(false);
        lsbRole->setEnabled(false);
        cmbStation->setEnabled(false);
    }
    return true;
}

bool frmUser::saveRecord()
{
    if (txtName->text().trimmed().isEmpty())
        return false;
    OperatorRecord user;
    user.id = mCurID;
    user.name = txtName->text();
    user.detail = txtDetail->text();
    user.roleString = GetRoleString();
    user.active = !chkDisable->isChecked();
    user.stationId = IdList::selected(cmbStation);
    if (user.stationId == 0 || (!gIsHeadStation && mActionType == New))
        user.stationId = gStationID;
    if (mActionType == Edit)
        return UserWriter::saveEdit(user);
    user.password = txtPassword->text();
    mCurID = UserWriter::saveNew(user);
    return mCurID != 0;
}
