#include "callerid/tapilayer.h"

#include <cstring>

namespace tapi {

DWORD Layer::newHandle()
{
    // One counter for every kind of handle, so that a handle of one kind
    // is never mistaken for another; never 0.
    do {
        ++m_lastHandle;
    } while (m_lastHandle == 0 || apps.contains(m_lastHandle) || lines.contains(m_lastHandle)
        || calls.contains(m_lastHandle));
    return m_lastHandle;
}

LONG Layer::newRequest()
{
    if (m_lastRequest >= 0x7fffffff)
        m_lastRequest = 0;
    return ++m_lastRequest;
}

HLINE Layer::lineOf(HLINEAPP app, DWORD deviceId) const
{
    for (auto it = lines.cbegin(); it != lines.cend(); ++it) {
        if (it->app == app && it->deviceId == deviceId)
            return it.key();
    }
    return 0;
}

void Layer::post(
    HLINE hLine, DWORD hDevice, DWORD message, DWORD p1, DWORD p2, DWORD p3, bool requireOpen)
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

void Layer::removeCallsOf(HLINE hLine)
{
    for (auto it = calls.begin(); it != calls.end();) {
        if (it->line == hLine)
            it = calls.erase(it);
        else
            ++it;
    }
}

void Layer::pruneIdleCalls(HLINE hLine)
{
    const HCALL keep = lines[hLine].incoming;
    for (auto it = calls.begin(); it != calls.end();) {
        if (it->line == hLine && it.key() != keep && it->idleDelivered)
            it = calls.erase(it);
        else
            ++it;
    }
}

void Layer::endIncoming(HLINE hLine)
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

void Layer::onRinging(HLINEAPP app, DWORD deviceId, const QByteArray &callerId,
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

void Layer::onCallState(HLINEAPP app, DWORD deviceId, DWORD state)
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

void Layer::onLost(HLINEAPP app, DWORD deviceId)
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

void Layer::onService(HLINEAPP app, DWORD deviceId, bool inService)
{
    const HLINE hLine = lineOf(app, deviceId);
    if (!hLine)
        return;
    post(hLine, hLine, LINE_LINEDEVSTATE,
        inService ? LINEDEVSTATE_INSERVICE : LINEDEVSTATE_OUTOFSERVICE, 0, 0);
}

Layer &layer()
{
    static Layer instance;
    return instance;
}

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

LONG checkDevice(HLINEAPP hLineApp, DWORD dwDeviceID, LineDevice **device)
{
    Layer &l = layer();
    auto app = l.apps.constFind(hLineApp);
    if (app == l.apps.cend())
        return LINEERR_INVALAPPHANDLE;
    if (dwDeviceID >= static_cast<DWORD>(app->devices.size()))
        return LINEERR_BADDEVICEID;
    *device = app->devices.at(static_cast<int>(dwDeviceID));
    return 0;
}

LONG checkVersions(const LineDevice::Caps &caps, DWORD dwAPIVersion, DWORD dwExtVersion)
{
    if (dwAPIVersion < caps.lowestVersion || dwAPIVersion > caps.highestVersion)
        return LINEERR_INCOMPATIBLEAPIVERSION;
    if (dwExtVersion != 0)
        return LINEERR_INCOMPATIBLEEXTVERSION;
    return 0;
}

} // namespace tapi
