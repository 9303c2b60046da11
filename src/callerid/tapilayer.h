#pragma once

#include "callerid/linedevice.h"
#include "callerid/tapi.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>

// The in-process telephony layer behind the API functions of tapi.h: which applications,
// lines and calls exist, and the messages queued to their callbacks. One per process, as
// the system's telephony service is one per machine. Only tapi.cpp uses it.
namespace tapi {

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

    DWORD newHandle();
    LONG newRequest();

    HLINE lineOf(HLINEAPP app, DWORD deviceId) const;

    // Queues one message for the application that owns hLine. requireOpen:
    // dropped when the line has been closed by the time it is delivered.
    void post(HLINE hLine, DWORD hDevice, DWORD message, DWORD p1, DWORD p2, DWORD p3,
        bool requireOpen = true);

    void removeCallsOf(HLINE hLine);

    // Calls whose end the application has been told about and that it never
    // deallocated: forgotten, so that a line open all day does not grow.
    void pruneIdleCalls(HLINE hLine);

    void endIncoming(HLINE hLine);

    void onRinging(HLINEAPP app, DWORD deviceId, const QByteArray &callerId,
        const QByteArray &callerName, DWORD infoStates);

    void onCallState(HLINEAPP app, DWORD deviceId, DWORD state);

    void onLost(HLINEAPP app, DWORD deviceId);

    void onService(HLINEAPP app, DWORD deviceId, bool inService);

private:
    DWORD m_lastHandle = 0x10000;
    LONG m_lastRequest = 0;
};

Layer &layer();

// The opening every function that names an application and one of its devices shares:
// the application handle, then the device id. On success *device is that device.
LONG checkDevice(HLINEAPP hLineApp, DWORD dwDeviceID, LineDevice **device);
// The API and extension versions a caller asked for, against what the device supports.
LONG checkVersions(const LineDevice::Caps &caps, DWORD dwAPIVersion, DWORD dwExtVersion);

// Places bytes in the variable part of a structure when they fit; the
// needed size grows either way.
void place(char *base, DWORD total, DWORD *used, DWORD *needed, const QByteArray &bytes,
    DWORD *sizeField, DWORD *offsetField);
// Text in the structures: local 8-bit with a terminating NUL; empty stays empty.
QByteArray text(const QString &s);

} // namespace tapi
