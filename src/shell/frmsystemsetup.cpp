#include "shell/frmsystemsetup.h"

#include "callerid/ctapiline.h"
#include "callerid/linedevice.h"
#include "datastore/mdatabase.h"
#include "datastore/prompt.h"
#include "datastore/schema.h"
#include "shell/systemsettings.h"
#include "shell/workstationline.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTcpSocket>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// A stored whole number as the settings are read: the numeric value of the
// leading digits, 0 for an absent or empty setting.
int wholeNumber(const QString &text)
{
    const QString t = text.trimmed();
    int end = 0;
    if (end < t.size() && (t[end] == QLatin1Char('-') || t[end] == QLatin1Char('+')))
        ++end;
    while (end < t.size() && t[end].isDigit() && t[end].unicode() < 128)
        ++end;
    bool ok = false;
    const int value = t.left(end).toInt(&ok);
    return ok ? value : 0;
}

QCheckBox *check(const char *name, const QString &text)
{
    auto *box = new QCheckBox(text);
    box->setObjectName(QLatin1String(name));
    return box;
}

QLineEdit *line(const char *name)
{
    auto *edit = new QLineEdit;
    edit->setObjectName(QLatin1String(name));
    return edit;
}

} // namespace

frmSystemSetup::frmSystemSetup(std::unique_ptr<cTAPILine> *line_, QWidget *parent)
    : QDialog(parent), chkAutoInMoney(check("chkAutoInMoney", QStringLiteral("自动全额收款"))),
      chkAutoOutAmount(check("chkAutoOutAmount", QStringLiteral("自动全数出库"))),
      chkAutoInContainer(check("chkAutoInContainer", QStringLiteral("自动空瓶回收"))),
      chkSearchAddress(check("chkSearchAddress", QStringLiteral("启用地址自动检索功能。"))),
      chkAutoDataRefresh(check("chkAutoDataRefresh", QStringLiteral("启用自动刷新数据显示模式"))),
      cboModem(new QComboBox), txtAreaCode(line("txtAreaCode")), txtNumberLen(line("txtNumberLen")),
      txtCallerIdServer(line("txtCallerIdServer")), txtModemCommand(line("txtModemCommand")),
      txtModemDevices(line("txtModemDevices")),
      btnTestServer(new QPushButton(QStringLiteral("测试"))),
      chkCallNotice(check("chkCallNotice", QStringLiteral("没有打开销售单时也提示来电"))),
      chkShareLine(check("chkShareLine", QStringLiteral("本机电话线共享给其它工作站"))),
      btnOk(new QPushButton(QStringLiteral("确定"))),
      btnCancel(new QPushButton(QStringLiteral("取消"))), m_line(line_)
{
    setObjectName(QStringLiteral("frmSystemSetup"));
    setWindowTitle(QStringLiteral("系统参数设置"));
    cboModem->setObjectName(QStringLiteral("cboModem"));
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnTestServer->setObjectName(QStringLiteral("btnTestServer"));
    chkCallNotice->setChecked(true);
    txtNumberLen->setText(QStringLiteral("7"));
    // Stored as typed, so no longer than the setting's column holds.
    const int valueSize
        = Schema::textColumnSize(QStringLiteral("SysValue"), QStringLiteral("myValue"));
    txtAreaCode->setMaxLength(valueSize);
    txtNumberLen->setMaxLength(valueSize);
    txtCallerIdServer->setPlaceholderText(QStringLiteral("主机名或地址[:端口]，不用时留空"));
    txtModemCommand->setPlaceholderText(QStringLiteral("AT+VCID=1"));
    txtModemDevices->setPlaceholderText(QStringLiteral("/dev/ttyUSB0 /dev/ttyACM0"));

    auto *onSale = new QGroupBox(QStringLiteral("&K、开票时同时执行以下操作："));
    auto *saleBox = new QVBoxLayout(onSale);
    saleBox->addWidget(chkAutoInMoney);
    saleBox->addWidget(chkAutoOutAmount);
    saleBox->addWidget(chkAutoInContainer);
    auto *device = new QGroupBox(QStringLiteral("&L、请选择需要启用来电感知的设备："));
    auto *deviceBox = new QFormLayout(device);
    deviceBox->addRow(cboModem);
    deviceBox->addRow(QStringLiteral("所属地区长途编号："), txtAreaCode);
    deviceBox->addRow(QStringLiteral("当地电话号码位数："), txtNumberLen);
    auto *serverRow = new QHBoxLayout;
    serverRow->addWidget(txtCallerIdServer, 1);
    serverRow->addWidget(btnTestServer);
    deviceBox->addRow(QStringLiteral("来电服务器（本机）："), serverRow);
    deviceBox->addRow(QStringLiteral("调制解调器命令（本机）："), txtModemCommand);
    deviceBox->addRow(QStringLiteral("其它串口设备（本机）："), txtModemDevices);
    deviceBox->addRow(chkCallNotice);
    deviceBox->addRow(chkShareLine);

    auto *basic = new QWidget;
    auto *basicBox = new QVBoxLayout(basic);
    basicBox->addWidget(onSale);
    basicBox->addWidget(chkSearchAddress);
    basicBox->addWidget(chkAutoDataRefresh);
    basicBox->addWidget(device);
    basicBox->addStretch();
    auto *tabs = new QTabWidget;
    tabs->addTab(basic, QStringLiteral("基本设置"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    auto *box = new QVBoxLayout(this);
    box->addWidget(tabs);
    box->addLayout(buttons);
    btnOk->setDefault(true);
    connect(btnOk, &QPushButton::clicked, this, [this] { save(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnTestServer, &QPushButton::clicked, this, [this] { testServer(); });
}

void frmSystemSetup::applyWorkstationSettings()
{
    WorkstationLine::apply(WorkstationLine::read());
}

void frmSystemSetup::fillDevices()
{
    cboModem->clear();
    applyWorkstationSettings();
    m_line->reset(new cTAPILine);
    cTAPILine &line = **m_line;
    line.setLowAPI(0x00010003);
    line.setHiAPI(0x00030000);
    if (!line.Create()) {
        line.setLowAPI(0x00010003);
        line.setHiAPI(0x00010004);
        if (!line.Create())
            return;
    }
    for (qint32 i = 0; i < line.numLines(); ++i) {
        line.setCurrentLineID(i);
        if (line.NegotiatedAPIVersion() != 0) {
            cboModem->addItem(line.LineName(), i);
            cboModem->setItemData(cboModem->count() - 1, line.SwitchInfo(), IdentityRole);
        }
    }
}

void frmSystemSetup::openChosenLine(const QString &stored)
{
    QString chosen = stored;
    if (chosen.isEmpty()) {
        // Nothing chosen on this workstation: the group's setting stands in,
        // as the position in this workstation's own list, but never for a
        // port, which nobody here said to write to.
        const int modem = wholeNumber(mDatabase::GetSysValue(QStringLiteral("ModemIndex")));
        if (modem >= 0 && modem < cboModem->count()) {
            const QString identity = cboModem->itemData(modem, IdentityRole).toString();
            if (!tapi::Identity::isPort(identity))
                chosen = identity;
        }
    }
    m_choice = {chosen, LineState::NotChosen};
    if (chosen.isEmpty()) {
        cboModem->setCurrentIndex(-1);
        return;
    }
    int index = cboModem->findData(chosen, IdentityRole);
    if (index < 0) {
        // Kept in the list, so that OK does not drop the choice of a device
        // that is only unplugged for now.
        cboModem->addItem(QStringLiteral("%1（未找到）").arg(tapi::Identity::label(chosen)), -1);
        index = cboModem->count() - 1;
        cboModem->setItemData(index, chosen, IdentityRole);
        cboModem->setCurrentIndex(index);
        m_choice.state = LineState::Missing;
        return;
    }
    cboModem->setCurrentIndex(index);
    cTAPILine &line = **m_line;
    line.setCurrentLineID(cboModem->currentData().toInt());
    m_choice.state = line.OpenLine(tapi::LINECALLPRIVILEGE_OWNER, tapi::LINEMEDIAMODE_DATAMODEM)
        ? LineState::Opened
        : LineState::Failed;
}

void frmSystemSetup::Load()
{
    fillDevices();
    const auto on = [](const char *name) {
        return mDatabase::GetSysValue(QLatin1String(name)) == QLatin1String("1");
    };
    chkAutoInMoney->setChecked(on("AutoInMoney"));
    chkAutoOutAmount->setChecked(on("AutoOutAmount"));
    chkAutoInContainer->setChecked(on("AutoInContainer"));
    chkSearchAddress->setChecked(on("SearchAddress"));
    chkAutoDataRefresh->setChecked(on("AutoDataRefresh"));

    const WorkstationLine::Settings here = WorkstationLine::read();
    if (*m_line)
        openChosenLine(here.device);
    const int area = wholeNumber(mDatabase::GetSysValue(QStringLiteral("AreaCode")));
    if (area >= 0)
        txtAreaCode->setText(QString::number(area));
    const QString length = mDatabase::GetSysValue(QStringLiteral("NumberLen"));
    if (!length.trimmed().isEmpty() && wholeNumber(length) >= 0)
        txtNumberLen->setText(QString::number(wholeNumber(length)));
    txtCallerIdServer->setText(here.server);
    txtModemCommand->setText(here.modemCommand);
    txtModemDevices->setText(here.modemDevices);
    chkCallNotice->setChecked(here.callNotice);
    chkShareLine->setChecked(here.share);
}

namespace {

const QString ServerForm
    = QStringLiteral("来电服务器应写成“主机名或地址”或“主机名或地址:端口”，端口为 1 到 65535。");

} // namespace

bool frmSystemSetup::checkInput()
{
    static const QRegularExpression areaCode(QStringLiteral("^[0-9]{0,6}$"));
    static const QRegularExpression length(QStringLiteral("^[0-9]{1,2}$"));
    const QString area = txtAreaCode->text().trimmed();
    const QString digits = txtNumberLen->text().trimmed();
    QString host;
    quint16 port = 0;
    const QString server = txtCallerIdServer->text().trimmed();
    struct Refusal {
        bool refused;
        QLineEdit *field;
        QString text;
    };
    const Refusal refusals[] = {
        {!areaCode.match(area).hasMatch(), txtAreaCode,
            QStringLiteral("所属地区长途编号只能是 0 到 6 位数字。")},
        {!length.match(digits).hasMatch() || digits.toInt() < 1 || digits.toInt() > 20,
            txtNumberLen, QStringLiteral("当地电话号码位数应是 1 到 20 之间的整数。")},
        {!server.isEmpty()
                && !tapi::parseHostPort(server, WorkstationLine::DefaultPort, &host, &port),
            txtCallerIdServer, ServerForm},
    };
    for (const Refusal &r : refusals) {
        if (!r.refused)
            continue;
        Prompt::message(r.text, QStringLiteral("系统参数设置"), Prompt::Icon::Warning);
        r.field->setFocus();
        r.field->selectAll();
        return false;
    }
    return true;
}

void frmSystemSetup::testServer()
{
    const QString title = QStringLiteral("测试来电服务器");
    QString host;
    quint16 port = 0;
    const QString server = txtCallerIdServer->text().trimmed();
    if (server.isEmpty()
        || !tapi::parseHostPort(server, WorkstationLine::DefaultPort, &host, &port)) {
        Prompt::message(
            server.isEmpty() ? QStringLiteral("请先填写来电服务器的主机名或地址。") : ServerForm,
            title, Prompt::Icon::Warning);
        txtCallerIdServer->setFocus();
        return;
    }
    // A few seconds at most, the dialog still drawn meanwhile.
    QTcpSocket socket;
    QEventLoop wait;
    QTimer limit;
    limit.setSingleShot(true);
    QByteArray received;
    bool greeted = false;
    connect(&limit, &QTimer::timeout, &wait, &QEventLoop::quit);
    connect(&socket, &QTcpSocket::errorOccurred, &wait, &QEventLoop::quit);
    connect(&socket, &QTcpSocket::readyRead, &wait, [&] {
        received += socket.readAll();
        if (received.startsWith("300 ") || received.contains("\n300 ")) {
            greeted = true;
            wait.quit();
        }
    });
    socket.connectToHost(host, port);
    limit.start(4000);
    wait.exec(QEventLoop::ExcludeUserInputEvents);
    const QString where = QStringLiteral("%1:%2").arg(host, QString::number(port));
    if (greeted) {
        Prompt::message(QStringLiteral("已连接到来电服务器 %1，可以接收来电。").arg(where), title,
            Prompt::Icon::Information);
    } else if (socket.state() == QAbstractSocket::ConnectedState) {
        Prompt::message(
            QStringLiteral("已连接到 %1，但对方没有按来电服务器的方式应答。").arg(where), title,
            Prompt::Icon::Warning);
    } else {
        QString reason;
        switch (socket.error()) {
        case QAbstractSocket::ConnectionRefusedError:
            reason = QStringLiteral("对方拒绝连接，来电服务没有在该端口运行");
            break;
        case QAbstractSocket::HostNotFoundError:
            reason = QStringLiteral("找不到这台主机");
            break;
        case QAbstractSocket::UnknownSocketError:
            reason = QStringLiteral("连接超时");
            break;
        default:
            reason = socket.errorString();
            break;
        }
        Prompt::message(QStringLiteral("无法连接来电服务器 %1：%2。").arg(where, reason), title,
            Prompt::Icon::Warning);
    }
}

void frmSystemSetup::save()
{
    if (!checkInput())
        return;
    const bool device = cboModem->currentIndex() >= 0 && cboModem->currentData().toInt() >= 0;
    // All the group's settings or none: a failure (already reported) keeps
    // the dialog open with what was typed, and nothing half-stored.
    if (!SystemSettingsWriter::save({.autoInMoney = chkAutoInMoney->isChecked(),
            .autoOutAmount = chkAutoOutAmount->isChecked(),
            .autoInContainer = chkAutoInContainer->isChecked(),
            .searchAddress = chkSearchAddress->isChecked(),
            .autoDataRefresh = chkAutoDataRefresh->isChecked(),
            .modemIndex = device ? cboModem->currentIndex() : -1,
            .areaCode = txtAreaCode->text().trimmed(),
            .numberLen = txtNumberLen->text().trimmed()}))
        return;
    // This workstation's own; they take effect with the next loading, as the
    // device choice does.
    WorkstationLine::write({.device = cboModem->currentData(IdentityRole).toString(),
        .server = txtCallerIdServer->text(),
        .modemCommand = txtModemCommand->text(),
        .modemDevices = txtModemDevices->text(),
        .callNotice = chkCallNotice->isChecked(),
        .share = chkShareLine->isChecked()});
    accept();
}
