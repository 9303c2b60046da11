#include "callerid/ctapiline.h"

#include <QCoreApplication>

#include <cstring>

using namespace tapi;

namespace {

constexpr DWORD DevCapsSize = 2285;
constexpr DWORD AddressCapsSize = 2225;
constexpr DWORD CallInfoSize = 2345;
constexpr DWORD VarStringSize = 2073;

// A zeroed, word-aligned buffer of `bytes` bytes for one layer structure.
std::vector<DWORD> structBuffer(DWORD bytes)
{
    std::vector<DWORD> buffer((bytes + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
    buffer[0] = bytes; // dwTotalSize
    return buffer;
}

} // namespace

void lineCallbackFunc(DWORD hDevice, DWORD dwMessage, DWORD_PTR dwCallbackInstance, DWORD dwParam1,
    DWORD dwParam2, DWORD dwParam3)
{
    if (dwCallbackInstance == 0)
        return;
    auto *line = reinterpret_cast<cTAPILine *>(dwCallbackInstance);
    line->DispatchLineMessage(hDevice, dwMessage, dwParam1, dwParam2, dwParam3);
}

cTAPILine::cTAPILine(QObject *parent) : QObject(parent) { }

cTAPILine::~cTAPILine()
{
    if (m_hCall) {
        lineDeallocateCall(m_hCall);
        m_hCall = 0;
    }
    if (m_hLine)
        CloseLine();
    if (m_hLineApp) {
        lineShutdown(m_hLineApp);
        m_hLineApp = 0;
    }
}

QString cTAPILine::GetID(quint32 dwSelect, const QString &szClass)
{
    if (!m_hLine)
        return QString();
    std::vector<DWORD> buffer = structBuffer(VarStringSize);
    auto *var = reinterpret_cast<VARSTRING *>(buffer.data());
    var->dwStringFormat = STRINGFORMAT_ASCII;
    const QByteArray deviceClass = szClass.toLocal8Bit();
    lineGetID(m_hLine, 0, m_hCall, dwSelect, var, deviceClass.constData());
    return ReadStructString(var, VarStringSize, var->dwStringOffset, var->dwStringSize);
}

qint32 cTAPILine::LastError()
{
    const qint32 error = m_lastError;
    m_lastError = 0;
    return error;
}

QString cTAPILine::ErrorString(qint32 code) const
{
    return QString::fromLatin1(lineErrorText(static_cast<DWORD>(code)));
}

bool cTAPILine::Create()
{
    // Created again (the settings dialog retries with an older version):
    // the earlier use ends first instead of staying open beside the new one.
    if (m_hLineApp) {
        if (m_hCall) {
            lineDeallocateCall(m_hCall);
            m_hCall = 0;
        }
        if (m_hLine)
            CloseLine();
        lineShutdown(m_hLineApp);
        m_hLineApp = 0;
        m_numLines = 0;
        m_versions.clear();
        m_extensions.clear();
        m_highestVersion = 0;
        m_makeCallRequest = 0;
        m_dropRequest = 0;
    }
    LINEINITIALIZEEXPARAMS params;
    std::memset(&params, 0, sizeof params);
    params.dwTotalSize = sizeof params;
    params.dwOptions = LINEINITIALIZEEXOPTION_USEHIDDENWINDOW;
    const QByteArray title = QCoreApplication::applicationName().toLocal8Bit();
    DWORD lines = 0;
    DWORD hiAPI = m_hiAPI;
    const LONG result = lineInitializeEx(
        &m_hLineApp, nullptr, lineCallbackFunc, title.constData(), &lines, &hiAPI, &params);
    m_hiAPI = hiAPI;
    if (result != 0) {
        m_lastError = result;
        return false;
    }
    m_numLines = static_cast<qint32>(lines);
    if (m_numLines <= 0)
        return false;
    m_versions.assign(static_cast<std::size_t>(m_numLines), 0);
    m_extensions.assign(static_cast<std::size_t>(m_numLines), LINEEXTENSIONID{0, 0, 0, 0});
    for (qint32 i = 0; i < m_numLines; ++i) {
        DWORD version = 0;
        LINEEXTENSIONID ext{0, 0, 0, 0};
        const auto index = static_cast<std::size_t>(i);
        if (lineNegotiateAPIVersion(
                m_hLineApp, static_cast<DWORD>(i), m_lowAPI, m_hiAPI, &version, &ext)
            != 0) {
            m_versions[index] = 0;
            continue;
        }
        m_versions[index] = version;
        m_extensions[index] = ext;
        if (version > m_highestVersion)
            m_highestVersion = version;
    }
    ReadDevCaps();
    ReadAddressCaps();
    return true;
}

int cTAPILine::setCurrentLineID(qint32 n)
{
    if (n < 0 || n > m_numLines - 1)
        return InvalidPropertyValue;
    m_currentLineID = n;
    ReadDevCaps();
    ReadAddressCaps();
    return 0;
}

quint32 cTAPILine::NegotiatedAPIVersion() const
{
    if (m_currentLineID < 0 || static_cast<std::size_t>(m_currentLineID) >= m_versions.size())
        return 0;
    return m_versions[static_cast<std::size_t>(m_currentLineID)];
}

LINEEXTENSIONID cTAPILine::extension() const
{
    if (m_currentLineID < 0 || static_cast<std::size_t>(m_currentLineID) >= m_extensions.size())
        return LINEEXTENSIONID{0, 0, 0, 0};
    return m_extensions[static_cast<std::size_t>(m_currentLineID)];
}

bool cTAPILine::LineSupportsVoiceCalls() const
{
    return (m_bearerModes & LINEBEARERMODE_VOICE)
        && (m_mediaModes & LINEMEDIAMODE_INTERACTIVEVOICE);
}

bool cTAPILine::ReadDevCaps()
{
    std::vector<DWORD> buffer = structBuffer(DevCapsSize);
    auto *caps = reinterpret_cast<LINEDEVCAPS *>(buffer.data());
    const LONG result = lineGetDevCaps(
        m_hLineApp, static_cast<DWORD>(m_currentLineID), NegotiatedAPIVersion(), 0, caps);
    if (result != 0) {
        m_lastError = result;
        return false;
    }
    m_lineName = ReadStructString(caps, DevCapsSize, caps->dwLineNameOffset, caps->dwLineNameSize);
    m_providerInfo
        = ReadStructString(caps, DevCapsSize, caps->dwProviderInfoOffset, caps->dwProviderInfoSize);
    m_switchInfo
        = ReadStructString(caps, DevCapsSize, caps->dwSwitchInfoOffset, caps->dwSwitchInfoSize);
    m_permanentLineID = caps->dwPermanentLineID;
    m_stringFormat = caps->dwStringFormat;
    m_numAddresses = caps->dwNumAddresses;
    m_maxDataRate = caps->dwMaxRate;
    m_bearerModes = caps->dwBearerModes;
    m_addressModes = caps->dwAddressModes;
    m_mediaModes = caps->dwMediaModes;
    m_generateToneMaxNumFreq = caps->dwGenerateToneMaxNumFreq;
    m_generateToneModes = caps->dwGenerateToneModes;
    m_numTerminals = caps->dwNumTerminals;
    // Read like the others, but nothing here uses it.
    ReadStructString(caps, DevCapsSize, caps->dwDevSpecificOffset, caps->dwDevSpecificSize);
    return true;
}

bool cTAPILine::ReadAddressCaps()
{
    std::vector<DWORD> buffer = structBuffer(AddressCapsSize);
    auto *caps = reinterpret_cast<LINEADDRESSCAPS *>(buffer.data());
    const LONG result = lineGetAddressCaps(
        m_hLineApp, static_cast<DWORD>(m_currentLineID), 0, NegotiatedAPIVersion(), 0, caps);
    if (result != 0) {
        m_lastError = result;
        return false;
    }
    return true;
}

bool cTAPILine::OpenLine(quint32 privileges, quint32 mediamodes)
{
    if (m_hLine)
        return false;
    HLINE line = 0;
    const LONG result
        = lineOpen(m_hLineApp, static_cast<DWORD>(m_currentLineID), &line, NegotiatedAPIVersion(),
            0, reinterpret_cast<DWORD_PTR>(this), privileges, mediamodes, nullptr);
    if (result != 0) {
        m_lastError = result;
        return false;
    }
    m_hLine = line;
    return true;
}

QString cTAPILine::ReadStructString(
    const void *buffer, std::size_t bufferSize, DWORD offset, DWORD size)
{
    if (size < 1 || offset == 0)
        return QString();
    // A structure filled by someone else is not trusted to stay inside its
    // own buffer.
    if (offset >= bufferSize || size > bufferSize - offset)
        return QString();
    QString text = QString::fromLocal8Bit(
        static_cast<const char *>(buffer) + offset, static_cast<qsizetype>(size));
    // A NUL right after the first character is a wide string read as bytes.
    if (text.indexOf(QChar(0)) == 1)
        text.remove(0, 8);
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0)
        text.truncate(nul);
    return text;
}

void cTAPILine::DispatchLineMessage(
    DWORD hDevice, DWORD dwMessage, DWORD dwParam1, DWORD dwParam2, DWORD dwParam3)
{
    Q_UNUSED(dwParam3);
    switch (dwMessage) {
    case LINE_CALLINFO:
        OnCallInfo(dwParam1);
        break;
    case LINE_CALLSTATE:
        OnCallState(hDevice, dwParam1);
        break;
    case LINE_LINEDEVSTATE:
        if (dwParam1 & (LINEDEVSTATE_INSERVICE | LINEDEVSTATE_OUTOFSERVICE))
            emit LineInService((dwParam1 & LINEDEVSTATE_INSERVICE) != 0);
        break;
    case LINE_CLOSE:
        m_hLine = 0;
        m_hCall = 0;
        emit LineClose();
        break;
    case LINE_REPLY: {
        const auto request = static_cast<LONG>(dwParam1);
        const auto result = static_cast<qint32>(dwParam2);
        if (m_makeCallRequest != 0 && request == m_makeCallRequest) {
            m_makeCallRequest = 0;
            if (dwParam2 != 0)
                CloseLine();
            emit MakeCallResult(result);
        } else if (m_dropRequest != 0 && request == m_dropRequest) {
            m_dropRequest = 0;
            emit DropCallResult(result);
        }
        break;
    }
    default:
        break;
    }
}

void cTAPILine::OnCallState(DWORD hDevice, DWORD state)
{
    switch (state) {
    case LINECALLSTATE_OFFERING:
        m_hCall = hDevice;
        break;
    case LINECALLSTATE_IDLE:
        if (m_hCall) {
            lineDeallocateCall(m_hCall);
            m_hCall = 0;
        }
        emit Idle();
        break;
    case LINECALLSTATE_CONNECTED:
        emit Connected();
        break;
    case LINECALLSTATE_DISCONNECTED:
        DropCallAsynch();
        emit Disconnected();
        break;
    default:
        break;
    }
}

void cTAPILine::OnCallInfo(DWORD changed)
{
    // Only a message about the caller ID alone; one that reports it among
    // other changes is not acted on.
    if (changed != LINECALLINFOSTATE_CALLERID)
        return;
    std::vector<DWORD> buffer = structBuffer(CallInfoSize);
    auto *info = reinterpret_cast<LINECALLINFO *>(buffer.data());
    lineGetCallInfo(m_hCall, info);
    const QString number
        = ReadStructString(info, CallInfoSize, info->dwCallerIDOffset, info->dwCallerIDSize);
    emit InfoCallerID(number);
}

bool cTAPILine::MakeCallAsynch(const QString &phonenumber)
{
    if (!m_hLine)
        return false;
    const QByteArray number = phonenumber.toLocal8Bit();
    // The layer writes the handle only when it accepts the request.
    HCALL call = m_hCall;
    const LONG result = lineMakeCall(
        m_hLine, &call, phonenumber.isEmpty() ? nullptr : number.constData(), 0, nullptr);
    m_hCall = call;
    if (result < 1) {
        m_lastError = result;
        return false;
    }
    m_makeCallRequest = result;
    return true;
}

bool cTAPILine::DropCallAsynch()
{
    if (!m_hCall)
        return false;
    const LONG result = lineDrop(m_hCall, nullptr, 0);
    if (result < 1) {
        m_lastError = result;
        return false;
    }
    m_dropRequest = result;
    m_hCall = 0;
    return true;
}

bool cTAPILine::CloseLine()
{
    if (!m_hLine)
        return false;
    const LONG result = lineClose(m_hLine);
    if (result != 0) {
        m_lastError = result;
        return false;
    }
    m_hLine = 0;
    m_hCall = 0;
    return true;
}

bool cTAPILine::ConfigDialog(quintptr OwnerHwnd, const QString &DeviceClass)
{
    const QByteArray deviceClass = DeviceClass.toLocal8Bit();
    const LONG result = lineConfigDialog(static_cast<DWORD>(m_currentLineID), OwnerHwnd,
        DeviceClass.isEmpty() ? nullptr : deviceClass.constData());
    if (result != 0) {
        m_lastError = result;
        return false;
    }
    return true;
}

bool cTAPILine::DialingPropertiesDialog(quintptr OwnerHwnd, const QString &phonenumber)
{
    const QByteArray number = phonenumber.toLocal8Bit();
    const LONG result = lineTranslateDialog(m_hLineApp, static_cast<DWORD>(m_currentLineID),
        m_highestVersion, OwnerHwnd, phonenumber.isEmpty() ? nullptr : number.constData());
    if (result != 0) {
        m_lastError = result;
        return false;
    }
    return true;
}

bool cTAPILine::PaintDevIcon(quintptr hdc, int left, int top, int width, int height)
{
    Q_UNUSED(hdc);
    Q_UNUSED(left);
    Q_UNUSED(top);
    Q_UNUSED(width);
    Q_UNUSED(height);
    DWORD_PTR icon = 0;
    const LONG result = lineGetIcon(static_cast<DWORD>(m_currentLineID), nullptr, &icon);
    if (result != 0) {
        m_lastError = result;
        return false;
    }
    // The layer has no icons to draw; a handle would only come from a
    // provider that had one.
    return icon != 0;
}
