#include "callerid/tapi.h"

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

} // namespace tapi
