#include "frmgrplogin.h"

#include "idlist.h"
#include "mdatabase.h"
#include "prompt.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

void bind(QComboBox *combo, const Recordset &rs)
{
    IdList::fill(combo, rs);
    // A single choice needs no choosing; otherwise the person picks.
    combo->setCurrentIndex(rs.recordCount() == 1 ? 0 : -1);
}

} // namespace

frmGrpLogin::frmGrpLogin(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmGrpLogin"));
    setWindowTitle(QStringLiteral("用户登录"));

    cmbStation = new QComboBox(this);
    cmbStation->setObjectName(QStringLiteral("cmbStation"));
    cmbStation->setPlaceholderText(QStringLiteral("请选择站点"));
    cmbUser = new QComboBox(this);
    cmbUser->setObjectName(QStringLiteral("cmbUser"));
    cmbUser->setPlaceholderText(QStringLiteral("请选择用户"));
    txtPassword = new QLineEdit(this);
    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    txtPassword->setEchoMode(QLineEdit::Password);

    cmdOK = new QPushButton(QStringLiteral("确定"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("取消"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto *title = new QLabel(QStringLiteral("Pelkor 水站配送管理系统"), this);
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    titleFont.setBold(true);
    title->setFont(titleFont);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("站点："), cmbStation);
    form->addRow(QStringLiteral("用户："), cmbUser);
    form->addRow(QStringLiteral("密码："), txtPassword);

    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(cmdOK, QDialogButtonBox::AcceptRole);
    buttons->addButton(cmdCancel, QDialogButtonBox::RejectRole);
    disconnect(buttons, nullptr, this, nullptr);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addSpacing(6);
    layout->addLayout(form);
    layout->addWidget(buttons);

    connect(cmbStation, &QComboBox::currentIndexChanged, this, &frmGrpLogin::loadUsers);
    connect(cmdOK, &QPushButton::clicked, this, &frmGrpLogin::checkPassword);
    connect(cmdCancel, &QPushButton::clicked, this, [this] {
        m_loginSucceeded = false;
        reject();
    });

    loadStations();
    m_loginSucceeded = false;
    resize(340, sizeHint().height());
    if (cmbUser->currentIndex() >= 0)
        txtPassword->setFocus();
}

int frmGrpLogin::chosenStationID() const
{
    return int(IdList::selected(cmbStation));
}

int frmGrpLogin::chosenUserID() const
{
    return int(IdList::selected(cmbUser));
}

void frmGrpLogin::loadStations()
{
    const auto rs
        = mDatabase::OpenRecordset(QStringLiteral("select * from Station WHERE Status='1'"));
    bind(cmbStation, rs.value_or(Recordset()));
    loadUsers();
}

void frmGrpLogin::loadUsers()
{
    const int station = chosenStationID();
    if (station == 0) {
        rsUser = Recordset();
        cmbUser->clear();
        return;
    }
    const auto rs = mDatabase::OpenRecordset(
        QStringLiteral("SELECT * FROM SysUser Where Status='1' and StationID=")
        + QString::number(station));
    rsUser = rs.value_or(Recordset());
    bind(cmbUser, rsUser);
}

void frmGrpLogin::checkPassword()
{
    const int user = chosenUserID();
    if (user == 0) {
        Prompt::error(QStringLiteral("请先选定用户名！"), QStringLiteral("错误"));
        return;
    }
    const int station = chosenStationID();
    rsUser.moveFirst();
    const bool found = rsUser.find([&](const Recordset &rs) {
        return rs.value(QStringLiteral("ID")).toInt() == user
            && rs.value(QStringLiteral("StationID")).toInt() == station;
    });
    if (!found) {
        Prompt::error(QStringLiteral("出现错误，请重新选择！"), QStringLiteral("Tavrin"));
        return;
    }
    // A null password reads as empty; blanks around either side never count.
    const QString stored = rsUser.value(QStringLiteral("Pwd")).toString();
    if (mDatabase::TrimBlanks(txtPassword->text()) == mDatabase::TrimBlanks(stored)) {
        m_loginSucceeded = true;
        accept();
        return;
    }
    Prompt::error(QStringLiteral("密码错误，请重新输入！"), QStringLiteral("错误"));
    txtPassword->setFocus();
    txtPassword->selectAll();
}
