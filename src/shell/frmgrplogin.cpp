#include "shell/frmgrplogin.h"

#include "datastore/prompt.h"
#include "shell/idlist.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

namespace {

template <typename Entry> void bind(QComboBox *combo, const QList<Entry> &entries)
{
    const QSignalBlocker quiet(combo);
    combo->clear();
    for (const Entry &entry : entries)
        combo->addItem(entry.name, entry.id);
    // A single choice needs no choosing; otherwise the person picks.
    combo->setCurrentIndex(entries.size() == 1 ? 0 : -1);
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
    bind(cmbStation, UserReader::activeStations().value_or(QList<StationEntry>()));
    loadUsers();
}

void frmGrpLogin::loadUsers()
{
    const int station = chosenStationID();
    if (station == 0) {
        rsUser.clear();
        cmbUser->clear();
        return;
    }
    rsUser = UserReader::activeUsers(station).value_or(QList<OperatorRecord>());
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
    const auto found = std::find_if(rsUser.cbegin(), rsUser.cend(),
        [&](const OperatorRecord &op) { return op.id == user && op.stationId == station; });
    if (found == rsUser.cend()) {
        Prompt::error(QStringLiteral("出现错误，请重新选择！"), QStringLiteral("Tavrin"));
        return;
    }
    if (found->acceptsPassword(txtPassword->text())) {
        m_loginSucceeded = true;
        accept();
        return;
    }
    Prompt::error(QStringLiteral("密码错误，请重新输入！"), QStringLiteral("错误"));
    txtPassword->setFocus();
    txtPassword->selectAll();
}
