#pragma once

// One use of the telephony layer for one line device at a time: initialise,
// negotiate a version with every device, cache the capabilities of the
// selected one, open it and turn its line and call messages into a few
// signals. The program only watches the line for caller numbers
// (InfoCallerID); calls are neither answered nor rejected.
//
// No member shows a message: a failure is a false result with the layer's
// code kept in LastError. Everything runs on the Qt main thread; the layer
// delivers its messages from the event loop, and each signal is emitted from
// inside that delivery, so a handler must not wait for further line
// messages.
//
// ConfigDialog, DialingPropertiesDialog and PaintDevIcon have no platform
// dialogs or icons to show on our desktops: the layer refuses them, so they
// return false with LastError set ("Operation Unavailable").

#include "callerid/tapi.h"

#include <QObject>
#include <QString>

#include <vector>

// The callback given to the layer. Its instance value is the address of the
// cTAPILine that opened the line; messages with instance 0 are ignored.
void lineCallbackFunc(tapi::DWORD hDevice, tapi::DWORD dwMessage,
    tapi::DWORD_PTR dwCallbackInstance, tapi::DWORD dwParam1, tapi::DWORD dwParam2,
    tapi::DWORD dwParam3);

class cTAPILine : public QObject {
    Q_OBJECT

public:
    // The error number of a property given a value outside its range.
    static constexpr int InvalidPropertyValue = 380;

    explicit cTAPILine(QObject *parent = nullptr);
    ~cTAPILine() override;
    cTAPILine(const cTAPILine &) = delete;
    cTAPILine &operator=(const cTAPILine &) = delete;

    QString GetID(quint32 dwSelect, const QString &szClass);

    quint32 LowAPI() const { return m_lowAPI; }
    void setLowAPI(quint32 version) { m_lowAPI = version; }
    quint32 HiAPI() const { return m_hiAPI; }
    void setHiAPI(quint32 version) { m_hiAPI = version; }

    // The last error code (a negative LINEERR_* value), 0 when none; reading
    // it clears it.
    qint32 LastError();
    QString ErrorString(qint32 code) const;

    bool Create();
    qint32 numLines() const { return m_numLines; }

    qint32 CurrentLineID() const { return m_currentLineID; }
    // 0 when selected; InvalidPropertyValue (and nothing changes) when n is
    // not a device ID.
    int setCurrentLineID(qint32 n);

    quint32 NegotiatedAPIVersion() const;
    quint32 ExtAPI_ID0() const { return extension().dwExtensionID0; }
    quint32 ExtAPI_ID1() const { return extension().dwExtensionID1; }
    quint32 ExtAPI_ID2() const { return extension().dwExtensionID2; }
    quint32 ExtAPI_ID3() const { return extension().dwExtensionID3; }

    QString LineName() const { return m_lineName; }
    QString ProviderInfo() const { return m_providerInfo; }
    QString SwitchInfo() const { return m_switchInfo; }
    quint32 PermanentLineID() const { return m_permanentLineID; }
    quint32 StringFormat() const { return m_stringFormat; }
    quint32 numAddresses() const { return m_numAddresses; }
    quint32 maxDataRate() const { return m_maxDataRate; }
    quint32 BearerModes() const { return m_bearerModes; }
    quint32 AddressModes() const { return m_addressModes; }
    quint32 mediamodes() const { return m_mediaModes; }
    quint32 GenerateToneMaxNumFreq() const { return m_generateToneMaxNumFreq; }
    quint32 GenerateToneModes() const { return m_generateToneModes; }
    quint32 numTerminals() const { return m_numTerminals; }

    quint32 hLine() const { return m_hLine; }
    bool LineSupportsVoiceCalls() const;

    bool OpenLine(quint32 privileges, quint32 mediamodes);
    bool MakeCallAsynch(const QString &phonenumber);
    bool DropCallAsynch();
    bool CloseLine();

    bool ConfigDialog(quintptr OwnerHwnd, const QString &DeviceClass);
    bool DialingPropertiesDialog(quintptr OwnerHwnd, const QString &phonenumber);
    bool PaintDevIcon(quintptr hdc, int left, int top, int width, int height);

signals:
    void MakeCallResult(qint32 result);
    void DropCallResult(qint32 result);
    void Connected();
    void Idle();
    void Disconnected();
    void LineClose();
    void InfoCallerID(const QString &number);
    // The open line can hear calls again, or cannot for now (a server that
    // went away and is being reached again).
    void LineInService(bool inService);

private:
    friend void lineCallbackFunc(
        tapi::DWORD, tapi::DWORD, tapi::DWORD_PTR, tapi::DWORD, tapi::DWORD, tapi::DWORD);

    void DispatchLineMessage(tapi::DWORD hDevice, tapi::DWORD dwMessage, tapi::DWORD dwParam1,
        tapi::DWORD dwParam2, tapi::DWORD dwParam3);
    void OnCallInfo(tapi::DWORD changed);
    void OnCallState(tapi::DWORD hDevice, tapi::DWORD state);
    bool ReadDevCaps();
    bool ReadAddressCaps();
    // A string of a structure held in `buffer` (bufferSize bytes).
    static QString ReadStructString(
        const void *buffer, std::size_t bufferSize, tapi::DWORD offset, tapi::DWORD size);
    tapi::LINEEXTENSIONID extension() const;

    tapi::HLINEAPP m_hLineApp = 0;
    qint32 m_numLines = 0;
    std::vector<tapi::DWORD> m_versions;
    std::vector<tapi::LINEEXTENSIONID> m_extensions;
    tapi::DWORD m_highestVersion = 0;
    quint32 m_lowAPI = 0x00010003;
    quint32 m_hiAPI = 0x00030000;
    qint32 m_lastError = 0;
    qint32 m_currentLineID = 0;

    QString m_lineName;
    QString m_providerInfo;
    QString m_switchInfo;
    quint32 m_permanentLineID = 0;
    quint32 m_stringFormat = 0;
    quint32 m_numAddresses = 0;
    quint32 m_maxDataRate = 0;
    quint32 m_bearerModes = 0;
    quint32 m_addressModes = 0;
    quint32 m_mediaModes = 0;
    quint32 m_generateToneMaxNumFreq = 0;
    quint32 m_generateToneModes = 0;
    quint32 m_numTerminals = 0;

    tapi::HLINE m_hLine = 0;
    tapi::HCALL m_hCall = 0;
    tapi::LONG m_makeCallRequest = 0;
    tapi::LONG m_dropRequest = 0;
};
