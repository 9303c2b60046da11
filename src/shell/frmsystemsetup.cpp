#include "shell/frmsystemsetup.h"

#include "callerid/ctapiline.h"
#include "callerid/linedevice.h"
#include "datastore/cregistry.h"
#include "datastore/mdatabase.h"
#include "datastore/registrysettings.h"
#include "datastore/schema.h"
#include "shell/systemsettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const QString ServerKey = QStringLiteral("\\CALLERID_SERVER");
const QString ModemCommandKey = QStringLiteral("\\MODEM_INIT");
const QString ModemDevicesKey = QStringLiteral("\\MODEM_DEVICES");

QString workstationSetting(const QString &key)
{
    return readRegistryText(mDatabase::RegistryRoot + key);
}

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
      txtModemDevices(line("txtModemDevices")), btnOk(new QPushButton(QStringLiteral("确定"))),
      btnCancel(new QPushButton(QStringLiteral("取消"))), m_line(line_)
{
    setObjectName(QStringLiteral("frmSystemSetup"));
    setWindowTitle(QStringLiteral("系统参数设置"));
    cboModem->setObjectName(QStringLiteral("cboModem"));
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
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
    deviceBox->addRow(QStringLiteral("来电服务器（本机）："), txtCallerIdServer);
    deviceBox->addRow(QStringLiteral("调制解调器命令（本机）："), txtModemCommand);
    deviceBox->addRow(QStringLiteral("其它串口设备（本机）："), txtModemDevices);

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
}

void frmSystemSetup::applyWorkstationSettings()
{
    tapi::LineSettings settings = tapi::lineSettings();
    const QString server = workstationSetting(ServerKey);
    const int colon = server.lastIndexOf(QLatin1Char(':'));
    const quint16 port = colon > 0 ? server.mid(colon + 1).toUShort() : 0;
    settings.serverHost = port != 0 ? server.left(colon) : server;
    settings.serverPort = port != 0 ? port : 3333;
    const QString command = workstationSetting(ModemCommandKey);
    settings.modemInitCommand = command.isEmpty() ? QStringLiteral("AT+VCID=1") : command;
    settings.modemDevices
        = workstationSetting(ModemDevicesKey).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    tapi::setLineSettings(settings);
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
        if (line.NegotiatedAPIVersion() != 0)
            cboModem->addItem(line.LineName(), i);
    }
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

    const int modem = wholeNumber(mDatabase::GetSysValue(QStringLiteral("ModemIndex")));
    if (modem >= 0 && modem < cboModem->count()) {
        cboModem->setCurrentIndex(modem);
        cTAPILine &line = **m_line;
        line.setCurrentLineID(cboModem->currentData().toInt());
        line.OpenLine(tapi::LINECALLPRIVILEGE_OWNER, tapi::LINEMEDIAMODE_DATAMODEM);
    }
    const int area = wholeNumber(mDatabase::GetSysValue(QStringLiteral("AreaCode")));
    if (area >= 0)
        txtAreaCode->setText(QString::number(area));
    const QString length = mDatabase::GetSysValue(QStringLiteral("NumberLen"));
    if (!length.trimmed().isEmpty() && wholeNumber(length) >= 0)
        txtNumberLen->setText(QString::number(wholeNumber(length)));
    txtCallerIdServer->setText(workstationSetting(ServerKey));
    txtModemCommand->setText(workstationSetting(ModemCommandKey));
    txtModemDevices->setText(workstationSetting(ModemDevicesKey));
}

void frmSystemSetup::save()
{
    // All the group's settings or none: a failure (already reported) keeps
    // the dialog open with what was typed, and nothing half-stored.
    if (!SystemSettingsWriter::save({.autoInMoney = chkAutoInMoney->isChecked(),
            .autoOutAmount = chkAutoOutAmount->isChecked(),
            .autoInContainer = chkAutoInContainer->isChecked(),
            .searchAddress = chkSearchAddress->isChecked(),
            .autoDataRefresh = chkAutoDataRefresh->isChecked(),
            .modemIndex = cboModem->currentIndex(),
            .areaCode = txtAreaCode->text(),
            .numberLen = txtNumberLen->text()}))
        return;
    // The line sources of this workstation only; they take effect with the
    // next loading, as the device choice does. A text setting ends at its
    // first NUL, so a NUL typed inside is dropped rather than cutting it short.
    const auto typed = [](const QLineEdit *field) {
        return field->text().remove(QChar(0)).trimmed();
    };
    writeRegistryText(mDatabase::RegistryRoot + ServerKey, typed(txtCallerIdServer));
    writeRegistryText(mDatabase::RegistryRoot + ModemCommandKey, typed(txtModemCommand));
    writeRegistryText(mDatabase::RegistryRoot + ModemDevicesKey, typed(txtModemDevices));
    accept();
}
