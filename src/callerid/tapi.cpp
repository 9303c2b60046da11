#include "callerid/tapi.h"

#include "callerid/linedevice.h"

#include <QHash>
#include <QObject>
#include <QPointer>

#include <algorithm>
#include <cstring>

namespace tapi {

const char *lineErrorText(DWORD code)
{
    static const char *const texts[] = {
        nullptr, // 0x80000000
        "Allocated",
        "Bad Device ID",
        "Bearer Mode Unavail",
        nullptr, // 0x80000004
        "Call UnAvail",
        "Completion Overrun",
        "Conference Full",
        "Dial Billing",
        "Dial Dialtone",
        "Dial Prompt",
        "Dial Quiet",
        "Incompatible API Version",
        "Incompatible Ext Version",
        "Ini File Corrupt",
        "In Use",
        "Invalid Address", // 0x80000010
        "Invalid Address ID",
        "Invalid Address Mode",
        "Invalid Address State",
        "Invalid App Handle",
        "Invalid App Name",
        "Invalid Bearer Mode",
        "Invalid Call Completion Mode",
        "Invalid Call Handle",
        "Invalid Call Params",
        "Invalid Call Privilege",
        "Invalid Call Select",
        "Invalid Call State",
        "Invalid Call State List",
        "Invalid Card",
        "Invalid Completion ID",
        "Invalid Conf Call Handle", // 0x80000020
        "Invalid Consult Call Handle",
        "Invalid Country Code",
        "Invalid Device Class",
        "Invalid Device Handle",
        nullptr, // 0x80000025
        "Invalid Digit List",
        "Invalid Digit Mode",
        "Invalid Digits",
        "Invalid Ext Version",
        "Invalid Group ID",
        "Invalid Line Handle",
        "Invalid Line State",
        "Invalid Location",
        "Invalid Media List",
        "Invalid Media Mode",
        "Invalid Message ID", // 0x80000030
        nullptr, // 0x80000031
        "Invalid Param",
        "Invalid Park ID",
        "Invalid Park Mode",
        "Invalid Pointer",
        "Invalid Priv Select",
        "Invalid Rate",
        "Invalid Request Mode",
        "Invalid Terminal ID",
        "Invalid Terminal Mode",
        "Invalid Time Out",
        "Invalid Tone",
        "Invalid Tone List",
        "Invalid Tone Mode",
        "Invalid Transfer Mode",
        "Line Mapper Failed", // 0x80000040
        "No Conference",
        "No Device",
        "No Driver",
        "No Memory",
        "No Request",
        "Not Owner",
        "Not Registered",
        "Operation Failed",
        "Operation Unavailable",
        "Rate Unavailable",
        "Resource Unavailable",
        "Request Overrun",
        "Structure Too Small",
        "Target Not found",
        "Target Self",
        "Uninitialized", // 0x80000050
        "UserUser Info Too Big",
        "Re-init",
        "Address Blocked",
        "Billing Rejected",
        "Invalid Feature",
        "No Multiple Instance",
    };
    constexpr DWORD count = sizeof(texts) / sizeof(texts[0]);
    if (code >= 0x80000000u && code - 0x80000000u < count && texts[code - 0x80000000u])
        return texts[code - 0x80000000u];
    return "Unknown Error";
}

namespace {

struct App {
    HLINEAPP handle = 0;
    LINECALLBACK callback = nullptr;
    QList<LineDevice *> devices;
    // Parent of the devices and context of every queued message: deleting it
    // at shutdown drops what is still queued.
    QObject *context = nullptr;
};

struct Line {
    HLINEAPP app = 0;
    DWORD deviceId = 0;
    DWORD_PTR instance = 0;
    HCALL incoming = 0; // the call the device currently reports on
};

struct Call {
    HLINE line = 0;
    DWORD callId = 0;
    QByteArray callerId;
    QByteArray callerName;
    DWORD states = 0;
    bool idleDelivered = false; // the application has been told it is over
};

class Layer {
public:
    QHash<HLINEAPP, App> apps;
    QHash<HLINE, Line> lines;
    QHash<HCALL, Call> calls;

    DWORD newHandle()
    {
        // One counter for every kind of handle, so that a handle of one kind
        // is never mistaken for another; never 0.
        do {
            ++m_lastHandle;
        } while (m_lastHandle == 0 || apps.contains(m_lastHandle) || lines.contains(m_lastHandle)
            || calls.contains(m_lastHandle));
        return m_lastHandle;
    }
    LONG newRequest()
    {
        if (m_lastRequest >= 0x7fffffff)
            m_lastRequest = 0;
        return ++m_lastRequest;
    }

    HLINE lineOf(HLINEAPP app, DWORD deviceId) const
    {
        for (auto it = lines.cbegin(); it != lines.cend(); ++it) {
            if (it->app == app && it->deviceId == deviceId)
                return it.key();
        }
        return 0;
    }

    // Queues one message for the application that owns hLine. requireOpen:
    // dropped when the line has been closed by the time it is delivered.
    void post(HLINE hLine, DWORD hDevice, DWORD message, DWORD p1, DWORD p2, DWORD p3,
        bool requireOpen = true)
    {
        auto line = lines.constFind(hLine);
        if (line == lines.cend())
            return;
        const App &app = apps[line->app];
        const LINECALLBACK callback = app.callback;
        const DWORD_PTR instance = line->instance;
        QMetaObject::invokeMethod(
            app.context,
            [this, hLine, hDevice, message, p1, p2, p3, requireOpen, callback, instance]() {
                if (requireOpen && !lines.contains(hLine))
                    return;
                callback(hDevice, message, instance, p1, p2, p3);
                if (message == LINE_CALLSTATE && p1 == LINECALLSTATE_IDLE) {
                    auto call = calls.find(hDevice);
                    if (call != calls.end())
                        call->idleDelivered = true;
                }
            },
            Qt::QueuedConnection);
    }

    void removeCallsOf(HLINE hLine)
    {
        for (auto it = calls.begin(); it != calls.end();) {
            if (it->line == hLine)
                it = calls.erase(it);
            else
                ++it;
        }
    }

    // Calls whose end the application has been told about and that it never
    // deallocated: forgotten, so that a line open all day does not grow.
    void pruneIdleCalls(HLINE hLine)
    {
        const HCALL keep = lines[hLine].incoming;
        for (auto it = calls.begin(); it != calls.end();) {
            if (it->line == hLine && it.key() != keep && it->idleDelivered)
                it = calls.erase(it);
            else
                ++it;
        }
    }

    void endIncoming(HLINE hLine)
    {
        auto line = lines.find(hLine);
        if (line == lines.end() || !line->incoming)
            return;
        const HCALL call = line->incoming;
        line->incoming = 0;
        auto c = calls.find(call);
        if (c != calls.end()) {
            c->states = LINECALLSTATE_IDLE;
            post(hLine, call, LINE_CALLSTATE, LINECALLSTATE_IDLE, 0, 0);
        }
    }

    void onRinging(HLINEAPP app, DWORD deviceId, const QByteArray &callerId,
        const QByteArray &callerName, DWORD infoStates)
    {
        const HLINE hLine = lineOf(app, deviceId);
        if (!hLine)
            return;
        endIncoming(hLine);
        pruneIdleCalls(hLine);
        const HCALL call = newHandle();
        Call c;
        c.line = hLine;
        c.callId = call;
        c.callerId = callerId;
        c.callerName = callerName;
        c.states = LINECALLSTATE_OFFERING;
        calls.insert(call, c);
        lines[hLine].incoming = call;
        post(hLine, call, LINE_CALLSTATE, LINECALLSTATE_OFFERING, 0, LINECALLPRIVILEGE_OWNER);
        post(hLine, call, LINE_CALLINFO, infoStates, 0, 0);
    }

    void onCallState(HLINEAPP app, DWORD deviceId, DWORD state)
    {
        const HLINE hLine = lineOf(app, deviceId);
        if (!hLine || !lines[hLine].incoming)
            return;
        if (state == LINECALLSTATE_IDLE) {
            endIncoming(hLine);
            return;
        }
        post(hLine, lines[hLine].incoming, LINE_CALLSTATE, state, 0, 0);
    }

    void onLost(HLINEAPP app, DWORD deviceId)
    {
        const HLINE hLine = lineOf(app, deviceId);
        if (!hLine)
            return;
        // Queue the message while the line is still known, then forget it.
        post(hLine, hLine, LINE_CLOSE, 0, 0, 0, false);
        removeCallsOf(hLine);
        lines.remove(hLine);
        apps[app].devices.at(deviceId)->close();
    }

private:
    DWORD m_lastHandle = 0x10000;
    LONG m_lastRequest = 0;
};

Layer &layer()
{
    static Layer instance;
    return instance;
}

// Places bytes in the variable part of a structure when they fit; the
// needed size grows either way.
void place(char *base, DWORD total, DWORD *used, DWORD *needed, const QByteArray &bytes,
    DWORD *sizeField, DWORD *offsetField)
{
    *sizeField = 0;
    *offsetField = 0;
    if (bytes.isEmpty())
        return;
    const DWORD size = static_cast<DWORD>(bytes.size());
    const DWORD at = *needed;
    *needed += size;
    if (at == *used && *used + size <= total) {
        std::memcpy(base + at, bytes.constData(), size);
        *used += size;
        *sizeField = size;
        *offsetField = at;
    }
}

QByteArray text(const QString &s)
{
    if (s.isEmpty())
        return QByteArray();
    QByteArray bytes = s.toLocal8Bit();
    bytes.append('\0');
    return bytes;
}

bool versionFits(const LineDevice::Caps &caps, DWORD version)
{
    return version >= caps.lowestVersion && version <= caps.highestVersion;
}

} // namespace

LONG lineInitializeEx(HLINEAPP *lphLineApp, void *hInstance, LINECALLBACK lpfnCallback,
    const char *lpszFriendlyAppName, DWORD *lpdwNumDevs, DWORD *lpdwAPIVersion,
    LINEINITIALIZEEXPARAMS *lpLineInitializeExParams)
{
    Q_UNUSED(hInstance);
    Q_UNUSED(lpszFriendlyAppName);
    if (!lphLineApp || !lpfnCallback || !lpdwNumDevs || !lpdwAPIVersion)
        return LINEERR_INVALPOINTER;
    if (lpLineInitializeExParams
        && lpLineInitializeExParams->dwTotalSize < sizeof(LINEINITIALIZEEXPARAMS))
        return LINEERR_STRUCTURETOOSMALL;
    Layer &l = layer();
    App app;
    app.handle = l.newHandle();
    app.callback = lpfnCallback;
    app.context = new QObject;
    app.devices = createLineDevices();
    const HLINEAPP handle = app.handle;
    for (int i = 0; i < app.devices.size(); ++i) {
        LineDevice *device = app.devices.at(i);
        device->setParent(app.context);
        const DWORD id = static_cast<DWORD>(i);
        QObject::connect(device, &LineDevice::ringing, app.context,
            [handle, id](const QByteArray &number, const QByteArray &name, quint32 states) {
                layer().onRinging(handle, id, number, name, states);
            });
        QObject::connect(device, &LineDevice::callEnded, app.context,
            [handle, id]() { layer().onCallState(handle, id, LINECALLSTATE_IDLE); });
        QObject::connect(device, &LineDevice::callState, app.context,
            [handle, id](quint32 state) { layer().onCallState(handle, id, state); });
        QObject::connect(
            device, &LineDevice::lost, app.context, [handle, id]() { layer().onLost(handle, id); });
    }
    if (lpLineInitializeExParams)
        lpLineInitializeExParams->dwUsedSize = sizeof(LINEINITIALIZEEXPARAMS);
    *lpdwNumDevs = static_cast<DWORD>(app.devices.size());
    *lpdwAPIVersion = TAPI_VERSION_HIGHEST;
    *lphLineApp = handle;
    l.apps.insert(handle, app);
    return 0;
}

LONG lineShutdown(HLINEAPP hLineApp)
{
    Layer &l = layer();
    auto app = l.apps.find(hLineApp);
    if (app == l.apps.end())
        return LINEERR_INVALAPPHANDLE;
    for (auto it = l.lines.begin(); it != l.lines.end();) {
        if (it->app == hLineApp) {
            app->devices.at(static_cast<int>(it->deviceId))->close();
            l.removeCallsOf(it.key());
            it = l.lines.erase(it);
        } else {
            ++it;
        }
    }
    QObject *context = app->context;
    l.apps.erase(app);
    delete context;
    return 0;
}

LONG lineNegotiateAPIVersion(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPILowVersion,
    DWORD dwAPIHighVersion, DWORD *lpdwAPIVersion, LINEEXTENSIONID *lpExtensionID)
{
    Layer &l = layer();
    auto app = l.apps.constFind(hLineApp);
    if (app == l.apps.cend())
        return LINEERR_INVALAPPHANDLE;
    if (dwDeviceID >= static_cast<DWORD>(app->devices.size()))
        return LINEERR_BADDEVICEID;
    if (!lpdwAPIVersion || !lpExtensionID)
        return LINEERR_INVALPOINTER;
    const LineDevice::Caps caps = app->devices.at(static_cast<int>(dwDeviceID))->caps();
    if (dwAPILowVersion > dwAPIHighVersion || dwAPIHighVersion < caps.lowestVersion
        || dwAPILowVersion > caps.highestVersion)
        return LINEERR_INCOMPATIBLEAPIVERSION;
    *lpdwAPIVersion = std::min(dwAPIHighVersion, caps.highestVersion);
    *lpExtensionID = caps.extension;
    return 0;
}

LONG lineGetDevCaps(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion, DWORD dwExtVersion,
    LINEDEVCAPS *lpLineDevCaps)
{
    Layer &l = layer();
    auto app = l.apps.constFind(hLineApp);
    if (app == l.apps.cend())
        return LINEERR_INVALAPPHANDLE;
    if (dwDeviceID >= static_cast<DWORD>(app->devices.size()))
        return LINEERR_BADDEVICEID;
    const LineDevice::Caps caps = app->devices.at(static_cast<int>(dwDeviceID))->caps();
    if (!versionFits(caps, dwAPIVersion))
        return LINEERR_INCOMPATIBLEAPIVERSION;
    if (dwExtVersion != 0)
        return LINEERR_INCOMPATIBLEEXTVERSION;
    if (!lpLineDevCaps)
        return LINEERR_INVALPOINTER;
    const DWORD total = lpLineDevCaps->dwTotalSize;
    if (total < sizeof(LINEDEVCAPS))
        return LINEERR_STRUCTURETOOSMALL;
    LINEDEVCAPS &c = *lpLineDevCaps;
    std::memset(&c, 0, sizeof c);
    c.dwTotalSize = total;
    DWORD used = sizeof(LINEDEVCAPS);
    DWORD needed = used;
    char *base = reinterpret_cast<char *>(&c);
    place(base, total, &used, &needed, text(caps.providerInfo), &c.dwProviderInfoSize,
        &c.dwProviderInfoOffset);
    place(base, total, &used, &needed, text(caps.switchInfo), &c.dwSwitchInfoSize,
        &c.dwSwitchInfoOffset);
    place(base, total, &used, &needed, text(caps.lineName), &c.dwLineNameSize, &c.dwLineNameOffset);
    place(base, total, &used, &needed, caps.devSpecific, &c.dwDevSpecificSize,
        &c.dwDevSpecificOffset);
    c.dwUsedSize = used;
    c.dwNeededSize = needed;
    c.dwPermanentLineID = caps.permanentLineID;
    c.dwStringFormat = STRINGFORMAT_ASCII;
    c.dwAddressModes = LINEADDRESSMODE_ADDRESSID;
    c.dwNumAddresses = 1;
    c.dwBearerModes = caps.bearerModes;
    c.dwMaxRate = caps.maxRate;
    c.dwMediaModes = caps.mediaModes;
    c.dwMaxNumActiveCalls = 1;
    return 0;
}

LONG lineGetAddressCaps(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAddressID, DWORD dwAPIVersion,
    DWORD dwExtVersion, LINEADDRESSCAPS *lpAddressCaps)
{
    Layer &l = layer();
    auto app = l.apps.constFind(hLineApp);
    if (app == l.apps.cend())
        return LINEERR_INVALAPPHANDLE;
    if (dwDeviceID >= static_cast<DWORD>(app->devices.size()))
        return LINEERR_BADDEVICEID;
    if (dwAddressID != 0)
        return LINEERR_INVALADDRESSID;
    const LineDevice::Caps caps = app->devices.at(static_cast<int>(dwDeviceID))->caps();
    if (!versionFits(caps, dwAPIVersion))
        return LINEERR_INCOMPATIBLEAPIVERSION;
    if (dwExtVersion != 0)
        return LINEERR_INCOMPATIBLEEXTVERSION;
    if (!lpAddressCaps)
        return LINEERR_INVALPOINTER;
    const DWORD total = lpAddressCaps->dwTotalSize;
    if (total < sizeof(LINEADDRESSCAPS))
        return LINEERR_STRUCTURETOOSMALL;
    LINEADDRESSCAPS &c = *lpAddressCaps;
    std::memset(&c, 0, sizeof c);
    c.dwTotalSize = total;
    c.dwUsedSize = c.dwNeededSize = sizeof(LINEADDRESSCAPS);
    c.dwLineDeviceID = dwDeviceID;
    c.dwAddressSharing = 1;
    c.dwCallInfoStates = LINECALLINFOSTATE_CALLERID;
    c.dwMaxNumActiveCalls = 1;
    return 0;
}

LONG lineOpen(HLINEAPP hLineApp, DWORD dwDeviceID, HLINE *lphLine, DWORD dwAPIVersion,
    DWORD dwExtVersion, DWORD_PTR dwCallbackInstance, DWORD dwPrivileges, DWORD dwMediaModes,
    const LINECALLPARAMS *lpCallParams)
{
    Q_UNUSED(lpCallParams);
    Layer &l = layer();
    auto app = l.apps.constFind(hLineApp);
    if (app == l.apps.cend())
        return LINEERR_INVALAPPHANDLE;
    if (dwDeviceID >= static_cast<DWORD>(app->devices.size()))
        return LINEERR_BADDEVICEID;
    if (!lphLine)
        return LINEERR_INVALPOINTER;
    LineDevice *device = app->devices.at(static_cast<int>(dwDeviceID));
    const LineDevice::Caps caps = device->caps();
    if (!versionFits(caps, dwAPIVersion))
        return LINEERR_INCOMPATIBLEAPIVERSION;
    if (dwExtVersion != 0)
        return LINEERR_INCOMPATIBLEEXTVERSION;
    const DWORD privileges
        = LINECALLPRIVILEGE_NONE | LINECALLPRIVILEGE_MONITOR | LINECALLPRIVILEGE_OWNER;
    if (dwPrivileges == 0 || (dwPrivileges & ~privileges))
        return LINEERR_INVALCALLPRIVILEGE;
    if ((dwPrivileges & LINECALLPRIVILEGE_OWNER)
        && (dwMediaModes == 0 || (dwMediaModes & ~caps.mediaModes)))
        return LINEERR_INVALMEDIAMODE;
    // A device is watched by one open line of an application at a time.
    if (l.lineOf(hLineApp, dwDeviceID))
        return LINEERR_ALLOCATED;
    const LONG opened = device->open();
    if (opened != 0)
        return opened;
    const HLINE handle = l.newHandle();
    Line line;
    line.app = hLineApp;
    line.deviceId = dwDeviceID;
    line.instance = dwCallbackInstance;
    l.lines.insert(handle, line);
    *lphLine = handle;
    return 0;
}

LONG lineClose(HLINE hLine)
{
    Layer &l = layer();
    auto line = l.lines.find(hLine);
    if (line == l.lines.end())
        return LINEERR_INVALLINEHANDLE;
    l.apps[line->app].devices.at(static_cast<int>(line->deviceId))->close();
    l.removeCallsOf(hLine);
    l.lines.erase(line);
    return 0;
}

LONG lineGetCallInfo(HCALL hCall, LINECALLINFO *lpCallInfo)
{
    Layer &l = layer();
    auto call = l.calls.constFind(hCall);
    if (call == l.calls.cend())
        return LINEERR_INVALCALLHANDLE;
    if (!lpCallInfo)
        return LINEERR_INVALPOINTER;
    const DWORD total = lpCallInfo->dwTotalSize;
    if (total < sizeof(LINECALLINFO))
        return LINEERR_STRUCTURETOOSMALL;
    const Line &line = l.lines[call->line];
    LINECALLINFO &c = *lpCallInfo;
    std::memset(&c, 0, sizeof c);
    c.dwTotalSize = total;
    DWORD used = sizeof(LINECALLINFO);
    DWORD needed = used;
    char *base = reinterpret_cast<char *>(&c);
    place(base, total, &used, &needed, call->callerId, &c.dwCallerIDSize, &c.dwCallerIDOffset);
    place(base, total, &used, &needed, call->callerName, &c.dwCallerIDNameSize,
        &c.dwCallerIDNameOffset);
    c.dwUsedSize = used;
    c.dwNeededSize = needed;
    c.hLine = call->line;
    c.dwLineDeviceID = line.deviceId;
    c.dwBearerMode = LINEBEARERMODE_VOICE;
    c.dwMediaMode = LINEMEDIAMODE_INTERACTIVEVOICE;
    c.dwCallID = call->callId;
    c.dwCallStates = call->states;
    c.dwNumOwners = 1;
    return 0;
}

LONG lineMakeCall(HLINE hLine, HCALL *lphCall, const char *lpszDestAddress, DWORD dwCountryCode,
    const LINECALLPARAMS *lpCallParams)
{
    Q_UNUSED(dwCountryCode);
    Q_UNUSED(lpCallParams);
    Layer &l = layer();
    auto line = l.lines.constFind(hLine);
    if (line == l.lines.cend())
        return LINEERR_INVALLINEHANDLE;
    if (!lphCall)
        return LINEERR_INVALPOINTER;
    LineDevice *device = l.apps[line->app].devices.at(static_cast<int>(line->deviceId));
    const LONG result = device->makeCall(QByteArray(lpszDestAddress ? lpszDestAddress : ""));
    const LONG request = l.newRequest();
    const HCALL handle = l.newHandle();
    if (result == 0) {
        Call c;
        c.line = hLine;
        c.callId = handle;
        c.states = LINECALLSTATE_DIALING;
        l.calls.insert(handle, c);
    }
    // The handle is only valid once the reply reports success.
    *lphCall = handle;
    l.post(hLine, 0, LINE_REPLY, static_cast<DWORD>(request), static_cast<DWORD>(result), 0);
    return request;
}

LONG lineDrop(HCALL hCall, const char *lpsUserUserInfo, DWORD dwSize)
{
    Q_UNUSED(lpsUserUserInfo);
    Q_UNUSED(dwSize);
    Layer &l = layer();
    auto call = l.calls.find(hCall);
    if (call == l.calls.end())
        return LINEERR_INVALCALLHANDLE;
    const HLINE hLine = call->line;
    call->states = LINECALLSTATE_IDLE;
    if (l.lines[hLine].incoming == hCall)
        l.lines[hLine].incoming = 0;
    const LONG request = l.newRequest();
    l.post(hLine, 0, LINE_REPLY, static_cast<DWORD>(request), 0, 0);
    l.post(hLine, hCall, LINE_CALLSTATE, LINECALLSTATE_IDLE, 0, 0);
    return request;
}

LONG lineDeallocateCall(HCALL hCall)
{
    Layer &l = layer();
    auto call = l.calls.find(hCall);
    if (call == l.calls.end())
        return LINEERR_INVALCALLHANDLE;
    auto line = l.lines.find(call->line);
    if (line != l.lines.end() && line->incoming == hCall)
        line->incoming = 0;
    l.calls.erase(call);
    return 0;
}

LONG lineGetID(HLINE hLine, DWORD dwAddressID, HCALL hCall, DWORD dwSelect, VARSTRING *lpDeviceID,
    const char *lpszDeviceClass)
{
    Layer &l = layer();
    HLINE target = 0;
    if (dwSelect == LINECALLSELECT_CALL) {
        auto call = l.calls.constFind(hCall);
        if (call == l.calls.cend())
            return LINEERR_INVALCALLHANDLE;
        target = call->line;
    } else if (dwSelect == LINECALLSELECT_LINE || dwSelect == LINECALLSELECT_ADDRESS) {
        if (dwSelect == LINECALLSELECT_ADDRESS && dwAddressID != 0)
            return LINEERR_INVALADDRESSID;
        target = hLine;
    } else {
        return LINEERR_INVALCALLSELECT;
    }
    auto line = l.lines.constFind(target);
    if (line == l.lines.cend())
        return LINEERR_INVALLINEHANDLE;
    if (!lpDeviceID || !lpszDeviceClass)
        return LINEERR_INVALPOINTER;
    const DWORD total = lpDeviceID->dwTotalSize;
    if (total < sizeof(VARSTRING))
        return LINEERR_STRUCTURETOOSMALL;
    const QByteArray deviceClass(lpszDeviceClass);
    QByteArray value;
    DWORD format = STRINGFORMAT_ASCII;
    if (deviceClass == "tapi/line") {
        const DWORD id = line->deviceId;
        value = QByteArray(reinterpret_cast<const char *>(&id), sizeof id);
        format = STRINGFORMAT_BINARY;
    } else {
        value
            = l.apps[line->app].devices.at(static_cast<int>(line->deviceId))->deviceId(deviceClass);
        if (value.isNull())
            return LINEERR_INVALDEVICECLASS;
        value.append('\0');
    }
    VARSTRING &v = *lpDeviceID;
    std::memset(&v, 0, sizeof v);
    v.dwTotalSize = total;
    DWORD used = sizeof(VARSTRING);
    DWORD needed = used;
    place(reinterpret_cast<char *>(&v), total, &used, &needed, value, &v.dwStringSize,
        &v.dwStringOffset);
    v.dwUsedSize = used;
    v.dwNeededSize = needed;
    v.dwStringFormat = format;
    return 0;
}

LONG lineConfigDialog(DWORD dwDeviceID, DWORD_PTR hwndOwner, const char *lpszDeviceClass)
{
    Q_UNUSED(dwDeviceID);
    Q_UNUSED(hwndOwner);
    Q_UNUSED(lpszDeviceClass);
    return LINEERR_OPERATIONUNAVAIL;
}

LONG lineTranslateDialog(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
    DWORD_PTR hwndOwner, const char *lpszAddressIn)
{
    Q_UNUSED(dwDeviceID);
    Q_UNUSED(dwAPIVersion);
    Q_UNUSED(hwndOwner);
    Q_UNUSED(lpszAddressIn);
    if (!layer().apps.contains(hLineApp))
        return LINEERR_INVALAPPHANDLE;
    return LINEERR_OPERATIONUNAVAIL;
}

LONG lineGetIcon(DWORD dwDeviceID, const char *lpszDeviceClass, DWORD_PTR *lphIcon)
{
    Q_UNUSED(dwDeviceID);
    Q_UNUSED(lpszDeviceClass);
    if (!lphIcon)
        return LINEERR_INVALPOINTER;
    *lphIcon = 0;
    return LINEERR_OPERATIONUNAVAIL;
}

} // namespace tapi
