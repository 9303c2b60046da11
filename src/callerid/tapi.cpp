#include "callerid/tapi.h"

#include "callerid/tapilayer.h"

#include <QObject>

#include <algorithm>
#include <cstring>

// The API functions: each checks its handles and arguments in the system's order and
// answers from the layer (tapilayer.h), whose devices do the work.
namespace tapi {

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
        QObject::connect(device, &LineDevice::connectionChanged, app.context,
            [handle, id](bool connected) { layer().onService(handle, id, connected); });
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
    LineDevice *device = nullptr;
    if (const LONG failed = checkDevice(hLineApp, dwDeviceID, &device))
        return failed;
    if (!lpdwAPIVersion || !lpExtensionID)
        return LINEERR_INVALPOINTER;
    const LineDevice::Caps caps = device->caps();
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
    LineDevice *device = nullptr;
    if (const LONG failed = checkDevice(hLineApp, dwDeviceID, &device))
        return failed;
    const LineDevice::Caps caps = device->caps();
    if (const LONG failed = checkVersions(caps, dwAPIVersion, dwExtVersion))
        return failed;
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
    LineDevice *device = nullptr;
    if (const LONG failed = checkDevice(hLineApp, dwDeviceID, &device))
        return failed;
    if (dwAddressID != 0)
        return LINEERR_INVALADDRESSID;
    if (const LONG failed = checkVersions(device->caps(), dwAPIVersion, dwExtVersion))
        return failed;
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
    LineDevice *device = nullptr;
    if (const LONG failed = checkDevice(hLineApp, dwDeviceID, &device))
        return failed;
    if (!lphLine)
        return LINEERR_INVALPOINTER;
    const LineDevice::Caps caps = device->caps();
    if (const LONG failed = checkVersions(caps, dwAPIVersion, dwExtVersion))
        return failed;
    Layer &l = layer();
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
