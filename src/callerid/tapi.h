#pragma once

// Our own telephony layer: the function shapes, messages, constants and
// byte-level structures that cTAPILine is written against. There is no
// platform telephony service on the desktops we run on, so the devices
// beneath it are our line providers (linedevice.h). Every structure is a
// fixed part of 32-bit words followed by a variable part inside the buffer
// the caller hands in; dwTotalSize says how big that buffer is, and strings
// are found through their Size/Offset pairs counted from the start of the
// structure.
//
// Everything runs on the Qt main thread. The callback given to
// lineInitializeEx is never called from inside a layer function: every
// message is queued and delivered from the event loop.

#include <QtGlobal>

#include <cstddef>

namespace tapi {

using DWORD = quint32;
using LONG = qint32;
using DWORD_PTR = quintptr;
using HLINEAPP = DWORD;
using HLINE = DWORD;
using HCALL = DWORD;

using LINECALLBACK = void (*)(DWORD hDevice, DWORD dwMessage, DWORD_PTR dwCallbackInstance,
    DWORD dwParam1, DWORD dwParam2, DWORD dwParam3);

// Messages.
constexpr DWORD LINE_ADDRESSSTATE = 0;
constexpr DWORD LINE_CALLINFO = 1;
constexpr DWORD LINE_CALLSTATE = 2;
constexpr DWORD LINE_CLOSE = 3;
constexpr DWORD LINE_DEVSPECIFIC = 4;
constexpr DWORD LINE_DEVSPECIFICFEATURE = 5;
constexpr DWORD LINE_GATHERDIGITS = 6;
constexpr DWORD LINE_GENERATE = 7;
constexpr DWORD LINE_LINEDEVSTATE = 8;
constexpr DWORD LINE_MONITORDIGITS = 9;
constexpr DWORD LINE_MONITORMEDIA = 10;
constexpr DWORD LINE_MONITORTONE = 11;
constexpr DWORD LINE_REPLY = 12;
constexpr DWORD LINE_REQUEST = 13;

// Call states.
constexpr DWORD LINECALLSTATE_IDLE = 0x00000001;
constexpr DWORD LINECALLSTATE_OFFERING = 0x00000002;
constexpr DWORD LINECALLSTATE_ACCEPTED = 0x00000004;
constexpr DWORD LINECALLSTATE_DIALTONE = 0x00000008;
constexpr DWORD LINECALLSTATE_DIALING = 0x00000010;
constexpr DWORD LINECALLSTATE_RINGBACK = 0x00000020;
constexpr DWORD LINECALLSTATE_BUSY = 0x00000040;
constexpr DWORD LINECALLSTATE_SPECIALINFO = 0x00000080;
constexpr DWORD LINECALLSTATE_CONNECTED = 0x00000100;
constexpr DWORD LINECALLSTATE_PROCEEDING = 0x00000200;
constexpr DWORD LINECALLSTATE_ONHOLD = 0x00000400;
constexpr DWORD LINECALLSTATE_CONFERENCED = 0x00000800;
constexpr DWORD LINECALLSTATE_DISCONNECTED = 0x00004000;
constexpr DWORD LINECALLSTATE_UNKNOWN = 0x00008000;

// Changed call-information fields (dwParam1 of LINE_CALLINFO).
constexpr DWORD LINECALLINFOSTATE_OTHER = 0x00000001;
constexpr DWORD LINECALLINFOSTATE_CALLEDID = 0x00004000;
constexpr DWORD LINECALLINFOSTATE_CALLERID = 0x00008000;

constexpr DWORD LINEDEVSTATE_INSERVICE = 0x00000040;
constexpr DWORD LINEDEVSTATE_OUTOFSERVICE = 0x00000080;
constexpr DWORD LINEINITIALIZEEXOPTION_USEHIDDENWINDOW = 0x00000001;
constexpr DWORD LINECALLPRIVILEGE_NONE = 0x00000001;
constexpr DWORD LINECALLPRIVILEGE_MONITOR = 0x00000002;
constexpr DWORD LINECALLPRIVILEGE_OWNER = 0x00000004;
constexpr DWORD LINEBEARERMODE_VOICE = 0x00000001;
constexpr DWORD LINEMEDIAMODE_UNKNOWN = 0x00000002;
constexpr DWORD LINEMEDIAMODE_INTERACTIVEVOICE = 0x00000004;
constexpr DWORD LINEMEDIAMODE_DATAMODEM = 0x00000010;
constexpr DWORD LINEADDRESSMODE_ADDRESSID = 0x00000001;
constexpr DWORD STRINGFORMAT_ASCII = 0x00000001;
constexpr DWORD STRINGFORMAT_BINARY = 0x00000004;
constexpr DWORD LINECALLSELECT_LINE = 0x00000001;
constexpr DWORD LINECALLSELECT_ADDRESS = 0x00000002;
constexpr DWORD LINECALLSELECT_CALL = 0x00000004;

// The version range every provider accepts.
constexpr DWORD TAPI_VERSION_LOWEST = 0x00010003;
constexpr DWORD TAPI_VERSION_HIGHEST = 0x00030000;

// Error codes: negative values as the functions return them.
constexpr LONG lineErr(DWORD code)
{
    return static_cast<LONG>(code);
}
constexpr LONG LINEERR_ALLOCATED = lineErr(0x80000001);
constexpr LONG LINEERR_BADDEVICEID = lineErr(0x80000002);
constexpr LONG LINEERR_BEARERMODEUNAVAIL = lineErr(0x80000003);
constexpr LONG LINEERR_CALLUNAVAIL = lineErr(0x80000005);
constexpr LONG LINEERR_INCOMPATIBLEAPIVERSION = lineErr(0x8000000C);
constexpr LONG LINEERR_INCOMPATIBLEEXTVERSION = lineErr(0x8000000D);
constexpr LONG LINEERR_INUSE = lineErr(0x8000000F);
constexpr LONG LINEERR_INVALADDRESS = lineErr(0x80000010);
constexpr LONG LINEERR_INVALADDRESSID = lineErr(0x80000011);
constexpr LONG LINEERR_INVALAPPHANDLE = lineErr(0x80000014);
constexpr LONG LINEERR_INVALAPPNAME = lineErr(0x80000015);
constexpr LONG LINEERR_INVALCALLHANDLE = lineErr(0x80000018);
constexpr LONG LINEERR_INVALCALLPRIVILEGE = lineErr(0x8000001A);
constexpr LONG LINEERR_INVALCALLSELECT = lineErr(0x8000001B);
constexpr LONG LINEERR_INVALCALLSTATE = lineErr(0x8000001C);
constexpr LONG LINEERR_INVALDEVICECLASS = lineErr(0x80000023);
constexpr LONG LINEERR_INVALEXTVERSION = lineErr(0x80000029);
constexpr LONG LINEERR_INVALLINEHANDLE = lineErr(0x8000002B);
constexpr LONG LINEERR_INVALMEDIAMODE = lineErr(0x8000002F);
constexpr LONG LINEERR_INVALPARAM = lineErr(0x80000032);
constexpr LONG LINEERR_INVALPOINTER = lineErr(0x80000035);
constexpr LONG LINEERR_NODEVICE = lineErr(0x80000042);
constexpr LONG LINEERR_NODRIVER = lineErr(0x80000043);
constexpr LONG LINEERR_NOMEM = lineErr(0x80000044);
constexpr LONG LINEERR_OPERATIONFAILED = lineErr(0x80000048);
constexpr LONG LINEERR_OPERATIONUNAVAIL = lineErr(0x80000049);
constexpr LONG LINEERR_RESOURCEUNAVAIL = lineErr(0x8000004B);
constexpr LONG LINEERR_STRUCTURETOOSMALL = lineErr(0x8000004D);
constexpr LONG LINEERR_UNINITIALIZED = lineErr(0x80000050);
constexpr LONG LINEERR_REINIT = lineErr(0x80000052);

// The text of an error code; "Unknown Error" for every code without one.
const char *lineErrorText(DWORD code);

struct LINEEXTENSIONID {
    DWORD dwExtensionID0;
    DWORD dwExtensionID1;
    DWORD dwExtensionID2;
    DWORD dwExtensionID3;
};

struct LINEINITIALIZEEXPARAMS {
    DWORD dwTotalSize;
    DWORD dwNeededSize;
    DWORD dwUsedSize;
    DWORD dwOptions;
    DWORD hEvent;
    DWORD dwCompletionKey;
};
static_assert(sizeof(LINEINITIALIZEEXPARAMS) == 24);

struct LINEDEVCAPS {
    DWORD dwTotalSize;
    DWORD dwNeededSize;
    DWORD dwUsedSize;
    DWORD dwProviderInfoSize;
    DWORD dwProviderInfoOffset;
    DWORD dwSwitchInfoSize;
    DWORD dwSwitchInfoOffset;
    DWORD dwPermanentLineID;
    DWORD dwLineNameSize;
    DWORD dwLineNameOffset;
    DWORD dwStringFormat;
    DWORD dwAddressModes;
    DWORD dwNumAddresses;
    DWORD dwBearerModes;
    DWORD dwMaxRate;
    DWORD dwMediaModes;
    DWORD dwGenerateToneModes;
    DWORD dwGenerateToneMaxNumFreq;
    DWORD dwGenerateDigitModes;
    DWORD dwMonitorToneMaxNumFreq;
    DWORD dwMonitorDigitModes;
    DWORD dwDevCapFlags;
    DWORD dwMaxNumActiveCalls;
    DWORD dwRingModes;
    DWORD dwNumTerminals;
    DWORD dwDevSpecificSize;
    DWORD dwDevSpecificOffset;
};

struct LINEADDRESSCAPS {
    DWORD dwTotalSize;
    DWORD dwNeededSize;
    DWORD dwUsedSize;
    DWORD dwLineDeviceID;
    DWORD dwAddressSize;
    DWORD dwAddressOffset;
    DWORD dwDevSpecificSize;
    DWORD dwDevSpecificOffset;
    DWORD dwAddressSharing;
    DWORD dwCallInfoStates;
    DWORD dwCallerIDFlags;
    DWORD dwMaxNumActiveCalls;
};

struct LINECALLINFO {
    DWORD dwTotalSize;
    DWORD dwNeededSize;
    DWORD dwUsedSize;
    HLINE hLine;
    DWORD dwLineDeviceID;
    DWORD dwAddressID;
    DWORD dwBearerMode;
    DWORD dwRate;
    DWORD dwMediaMode;
    DWORD dwAppSpecific;
    DWORD dwCallID;
    DWORD dwRelatedCallID;
    DWORD dwCallParamFlags;
    DWORD dwCallStates;
    DWORD dwMonitorDigitModes;
    DWORD dwMonitorMediaModes;
    DWORD dwDialPause;
    DWORD dwDialSpeed;
    DWORD dwDigitDuration;
    DWORD dwWaitForDialtone;
    DWORD dwOrigin;
    DWORD dwReason;
    DWORD dwCompletionID;
    DWORD dwNumOwners;
    DWORD dwNumMonitors;
    DWORD dwCountryCode;
    DWORD dwTrunk;
    DWORD dwCallerIDFlags;
    DWORD dwCallerIDSize;
    DWORD dwCallerIDOffset;
    DWORD dwCallerIDNameSize;
    DWORD dwCallerIDNameOffset;
};
// Readers of the caller number rely on these two positions.
static_assert(offsetof(LINECALLINFO, dwCallerIDSize) == 112);
static_assert(offsetof(LINECALLINFO, dwCallerIDOffset) == 116);

struct VARSTRING {
    DWORD dwTotalSize;
    DWORD dwNeededSize;
    DWORD dwUsedSize;
    DWORD dwStringFormat;
    DWORD dwStringSize;
    DWORD dwStringOffset;
};

struct LINECALLPARAMS;

LONG lineInitializeEx(HLINEAPP *lphLineApp, void *hInstance, LINECALLBACK lpfnCallback,
    const char *lpszFriendlyAppName, DWORD *lpdwNumDevs, DWORD *lpdwAPIVersion,
    LINEINITIALIZEEXPARAMS *lpLineInitializeExParams);
LONG lineShutdown(HLINEAPP hLineApp);
LONG lineNegotiateAPIVersion(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPILowVersion,
    DWORD dwAPIHighVersion, DWORD *lpdwAPIVersion, LINEEXTENSIONID *lpExtensionID);
LONG lineGetDevCaps(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion, DWORD dwExtVersion,
    LINEDEVCAPS *lpLineDevCaps);
LONG lineGetAddressCaps(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAddressID, DWORD dwAPIVersion,
    DWORD dwExtVersion, LINEADDRESSCAPS *lpAddressCaps);
LONG lineOpen(HLINEAPP hLineApp, DWORD dwDeviceID, HLINE *lphLine, DWORD dwAPIVersion,
    DWORD dwExtVersion, DWORD_PTR dwCallbackInstance, DWORD dwPrivileges, DWORD dwMediaModes,
    const LINECALLPARAMS *lpCallParams);
LONG lineClose(HLINE hLine);
LONG lineGetCallInfo(HCALL hCall, LINECALLINFO *lpCallInfo);
// Asynchronous: a positive request ID on success, answered later by LINE_REPLY.
LONG lineMakeCall(HLINE hLine, HCALL *lphCall, const char *lpszDestAddress, DWORD dwCountryCode,
    const LINECALLPARAMS *lpCallParams);
LONG lineDrop(HCALL hCall, const char *lpsUserUserInfo, DWORD dwSize);
LONG lineDeallocateCall(HCALL hCall);
// Device classes: "tapi/line" (the device ID, binary) and
// "comm/datamodem/portname" (the serial device of a modem line).
LONG lineGetID(HLINE hLine, DWORD dwAddressID, HCALL hCall, DWORD dwSelect, VARSTRING *lpDeviceID,
    const char *lpszDeviceClass);
// No platform dialogs or icons exist here: these three always fail with
// LINEERR_OPERATIONUNAVAIL (after checking their handles).
LONG lineConfigDialog(DWORD dwDeviceID, DWORD_PTR hwndOwner, const char *lpszDeviceClass);
LONG lineTranslateDialog(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
    DWORD_PTR hwndOwner, const char *lpszAddressIn);
LONG lineGetIcon(DWORD dwDeviceID, const char *lpszDeviceClass, DWORD_PTR *lphIcon);

} // namespace tapi
