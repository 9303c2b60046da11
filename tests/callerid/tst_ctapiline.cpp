#include "callerid/ctapiline.h"
#include "callerid/linedevice.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTest>

using namespace tapi;

namespace {

// A line device whose every answer the test decides.
class FakeLine : public LineDevice {
public:
    Caps c;
    bool opened = false;
    LONG makeCallResult = 0;
    QByteArray dialled;

    Caps caps() const override { return c; }
    LONG open() override
    {
        opened = true;
        return 0;
    }
    void close() override { opened = false; }
    LONG makeCall(const QByteArray &number) override
    {
        dialled = number;
        return makeCallResult;
    }
    QByteArray deviceId(const QByteArray &deviceClass) const override
    {
        return deviceClass == "comm/datamodem/portname" ? QByteArray("/dev/ttyFAKE") : QByteArray();
    }
};

} // namespace

class tst_CTapiLine : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void noDevices();
    void createNegotiatesEveryDevice();
    void failedNegotiationKeepsCachedCaps();
    void currentLineIdOutOfRange_data();
    void currentLineIdOutOfRange();
    void lastErrorClearedByReading();
    void errorStrings_data();
    void errorStrings();
    void errorTableHasEveryListedCode();
    void openLineTwice();
    void callerIdStringRules_data();
    void callerIdStringRules();
    void callerIdOnlyWhenAloneInMask_data();
    void callerIdOnlyWhenAloneInMask();
    void failedMakeCallClosesLineFirst();
    void makeAndDropCall();
    void callStates();
    void deviceLostClosesLine();
    void getId();
    void platformDialogsRefused();
    void endOfLifeReleasesEverything();
    void createAgainEndsTheEarlierUse();
    void callsInQuickSuccession();

private:
    // Three devices: a usable one, one whose versions never fit, another
    // usable one with other capabilities.
    void installThreeDevices();
    // Creates, selects device 0 and opens it.
    void openFirst(cTAPILine &line);

    QList<QPointer<FakeLine>> m_devices;
};

void tst_CTapiLine::init()
{
    LineSettings settings;
    settings.simulatedLine = false;
    settings.systemSerialPorts = false;
    setLineSettings(settings);
    clearExtraLineProviders();
    m_devices.clear();
}

void tst_CTapiLine::cleanup()
{
    clearExtraLineProviders();
}

void tst_CTapiLine::installThreeDevices()
{
    addLineProvider([this](const LineSettings &) {
        auto *a = new FakeLine;
        a->c.lineName = QStringLiteral("线路甲");
        a->c.providerInfo = QStringLiteral("provider A");
        a->c.switchInfo = QStringLiteral("switch A");
        a->c.permanentLineID = 11;
        a->c.maxRate = 9600;
        a->c.highestVersion = 0x00020002;
        a->c.extension = {1, 2, 3, 4};
        auto *b = new FakeLine;
        b->c.lineName = QStringLiteral("坏线路");
        b->c.lowestVersion = 0x00040000;
        b->c.highestVersion = 0x00040000;
        auto *c = new FakeLine;
        c->c.lineName = QStringLiteral("线路丙");
        c->c.permanentLineID = 33;
        c->c.maxRate = 56000;
        c->c.bearerModes = 0;
        c->c.mediaModes = LINEMEDIAMODE_DATAMODEM;
        m_devices = {a, b, c};
        return QList<LineDevice *>{a, b, c};
    });
}

void tst_CTapiLine::openFirst(cTAPILine &line)
{
    installThreeDevices();
    QVERIFY(line.Create());
    QVERIFY(line.OpenLine(LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_DATAMODEM));
    QVERIFY(line.hLine() != 0);
    QVERIFY(m_devices.at(0)->opened);
}

void tst_CTapiLine::noDevices()
{
    cTAPILine line;
    QVERIFY(!line.Create());
    QCOMPARE(line.numLines(), 0);
    QCOMPARE(line.LastError(), 0);
    QCOMPARE(line.setCurrentLineID(0), cTAPILine::InvalidPropertyValue);
}

void tst_CTapiLine::createNegotiatesEveryDevice()
{
    installThreeDevices();
    cTAPILine line;
    line.setHiAPI(0x00010004);
    QVERIFY(line.Create());
    // The layer reports its own highest version back.
    QCOMPARE(line.HiAPI(), 0x00030000u);
    QCOMPARE(line.numLines(), 3);
    QCOMPARE(line.CurrentLineID(), 0);
    QCOMPARE(line.NegotiatedAPIVersion(), 0x00020002u);
    QCOMPARE(line.ExtAPI_ID0(), 1u);
    QCOMPARE(line.ExtAPI_ID3(), 4u);
    QCOMPARE(line.LineName(), QStringLiteral("线路甲"));
    QCOMPARE(line.ProviderInfo(), QStringLiteral("provider A"));
    QCOMPARE(line.SwitchInfo(), QStringLiteral("switch A"));
    QCOMPARE(line.PermanentLineID(), 11u);
    QCOMPARE(line.maxDataRate(), 9600u);
    QCOMPARE(line.StringFormat(), STRINGFORMAT_ASCII);
    QCOMPARE(line.numAddresses(), 1u);
    QVERIFY(line.LineSupportsVoiceCalls());
    QCOMPARE(line.LastError(), 0);

    QCOMPARE(line.setCurrentLineID(2), 0);
    QCOMPARE(line.LineName(), QStringLiteral("线路丙"));
    QCOMPARE(line.NegotiatedAPIVersion(), 0x00030000u);
    QCOMPARE(line.PermanentLineID(), 33u);
    QCOMPARE(line.ExtAPI_ID0(), 0u);
    QVERIFY(!line.LineSupportsVoiceCalls());
}

void tst_CTapiLine::failedNegotiationKeepsCachedCaps()
{
    installThreeDevices();
    cTAPILine line;
    QVERIFY(line.Create());
    QCOMPARE(line.setCurrentLineID(1), 0);
    QCOMPARE(line.CurrentLineID(), 1);
    QCOMPARE(line.NegotiatedAPIVersion(), 0u);
    // The query for device 1 failed: device 0's values stay.
    QCOMPARE(line.LineName(), QStringLiteral("线路甲"));
    QCOMPARE(line.PermanentLineID(), 11u);
    QCOMPARE(line.LastError(), LINEERR_INCOMPATIBLEAPIVERSION);
    QVERIFY(!line.OpenLine(LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_DATAMODEM));
    QCOMPARE(line.LastError(), LINEERR_INCOMPATIBLEAPIVERSION);
    QVERIFY(!m_devices.at(1)->opened);
}

void tst_CTapiLine::currentLineIdOutOfRange_data()
{
    QTest::addColumn<int>("id");
    QTest::newRow("minus one") << -1;
    QTest::newRow("numLines") << 3;
    QTest::newRow("far") << 1000;
}

void tst_CTapiLine::currentLineIdOutOfRange()
{
    QFETCH(int, id);
    installThreeDevices();
    cTAPILine line;
    QVERIFY(line.Create());
    QCOMPARE(line.setCurrentLineID(2), 0);
    QCOMPARE(line.setCurrentLineID(id), cTAPILine::InvalidPropertyValue);
    QCOMPARE(line.CurrentLineID(), 2);
    QCOMPARE(line.LineName(), QStringLiteral("线路丙"));
    QCOMPARE(line.LastError(), 0);
}

void tst_CTapiLine::lastErrorClearedByReading()
{
    installThreeDevices();
    cTAPILine line;
    QVERIFY(line.Create());
    QCOMPARE(line.LastError(), 0);
    QVERIFY(!line.OpenLine(0, LINEMEDIAMODE_DATAMODEM));
    QCOMPARE(line.LastError(), LINEERR_INVALCALLPRIVILEGE);
    QCOMPARE(line.LastError(), 0);
}

void tst_CTapiLine::errorStrings_data()
{
    QTest::addColumn<quint32>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("first") << 0x80000001u << QStringLiteral("Allocated");
    QTest::newRow("call unavail") << 0x80000005u << QStringLiteral("Call UnAvail");
    QTest::newRow("incompatible") << 0x8000000Cu << QStringLiteral("Incompatible API Version");
    QTest::newRow("in use") << 0x8000000Fu << QStringLiteral("In Use");
    QTest::newRow("device handle") << 0x80000024u << QStringLiteral("Invalid Device Handle");
    QTest::newRow("digit list") << 0x80000026u << QStringLiteral("Invalid Digit List");
    QTest::newRow("message id") << 0x80000030u << QStringLiteral("Invalid Message ID");
    QTest::newRow("param") << 0x80000032u << QStringLiteral("Invalid Param");
    QTest::newRow("target") << 0x8000004Eu << QStringLiteral("Target Not found");
    QTest::newRow("uui") << 0x80000051u << QStringLiteral("UserUser Info Too Big");
    QTest::newRow("reinit") << 0x80000052u << QStringLiteral("Re-init");
    QTest::newRow("last") << 0x80000056u << QStringLiteral("No Multiple Instance");
    QTest::newRow("gap 04") << 0x80000004u << QStringLiteral("Unknown Error");
    QTest::newRow("gap 25") << 0x80000025u << QStringLiteral("Unknown Error");
    QTest::newRow("gap 31") << 0x80000031u << QStringLiteral("Unknown Error");
    QTest::newRow("after last") << 0x80000057u << QStringLiteral("Unknown Error");
    QTest::newRow("base") << 0x80000000u << QStringLiteral("Unknown Error");
    QTest::newRow("zero") << 0u << QStringLiteral("Unknown Error");
    QTest::newRow("positive") << 1u << QStringLiteral("Unknown Error");
}

void tst_CTapiLine::errorStrings()
{
    QFETCH(quint32, code);
    QFETCH(QString, text);
    cTAPILine line;
    QCOMPARE(line.ErrorString(static_cast<qint32>(code)), text);
}

void tst_CTapiLine::errorTableHasEveryListedCode()
{
    // 0x80000001 .. 0x80000056 have texts except the three gaps.
    cTAPILine line;
    const QString unknown = QStringLiteral("Unknown Error");
    int known = 0;
    for (quint32 code = 0x80000000u; code <= 0x80000100u; ++code) {
        if (line.ErrorString(static_cast<qint32>(code)) != unknown)
            ++known;
    }
    QCOMPARE(known, 0x56 - 3);
}

void tst_CTapiLine::openLineTwice()
{
    cTAPILine line;
    openFirst(line);
    const quint32 handle = line.hLine();
    QVERIFY(!line.OpenLine(LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_DATAMODEM));
    QCOMPARE(line.LastError(), 0);
    QCOMPARE(line.hLine(), handle);
}

void tst_CTapiLine::callerIdStringRules_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("number");
    QTest::newRow("terminated") << QByteArray("5551234\0", 8) << QStringLiteral("5551234");
    QTest::newRow("unterminated") << QByteArray("5551234") << QStringLiteral("5551234");
    QTest::newRow("trailing nuls") << QByteArray("5551234\0\0\0", 10) << QStringLiteral("5551234");
    QTest::newRow("one char then nul") << QByteArray("5\0", 2) << QString();
    QTest::newRow("second char nul drops eight")
        << QByteArray("0\0abcdefgh12", 12) << QStringLiteral("gh12");
    QTest::newRow("two chars") << QByteArray("12\0", 3) << QStringLiteral("12");
    QTest::newRow("size zero") << QByteArray() << QString();
    QTest::newRow("blanks kept") << QByteArray(" 5551234 \0", 10) << QStringLiteral(" 5551234 ");
    QTest::newRow("quote kept") << QByteArray("555'1234\0", 9) << QStringLiteral("555'1234");
    QTest::newRow("chinese") << QStringLiteral("总机8001").toUtf8().append('\0')
                             << QStringLiteral("总机8001");
}

void tst_CTapiLine::callerIdStringRules()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, number);
    cTAPILine line;
    openFirst(line);
    QSignalSpy caller(&line, &cTAPILine::InfoCallerID);
    QSignalSpy idle(&line, &cTAPILine::Idle);
    emit m_devices.at(0)->ringing(bytes, QByteArray());
    emit m_devices.at(0)->callEnded();
    // Delivered from the event loop, never from inside the device's signal.
    QCOMPARE(caller.count(), 0);
    QVERIFY(idle.wait(2000));
    QCOMPARE(caller.count(), 1);
    QCOMPARE(caller.at(0).at(0).toString(), number);
}

void tst_CTapiLine::callerIdOnlyWhenAloneInMask_data()
{
    QTest::addColumn<quint32>("states");
    QTest::addColumn<int>("raised");
    QTest::newRow("caller id alone") << LINECALLINFOSTATE_CALLERID << 1;
    QTest::newRow("with called id")
        << (LINECALLINFOSTATE_CALLERID | LINECALLINFOSTATE_CALLEDID) << 0;
    QTest::newRow("called id only") << LINECALLINFOSTATE_CALLEDID << 0;
    QTest::newRow("other") << LINECALLINFOSTATE_OTHER << 0;
}

void tst_CTapiLine::callerIdOnlyWhenAloneInMask()
{
    QFETCH(quint32, states);
    QFETCH(int, raised);
    cTAPILine line;
    openFirst(line);
    QSignalSpy caller(&line, &cTAPILine::InfoCallerID);
    QSignalSpy idle(&line, &cTAPILine::Idle);
    emit m_devices.at(0)->ringing(QByteArray("5551234\0", 8), QByteArray(), states);
    emit m_devices.at(0)->callEnded();
    QVERIFY(idle.wait(2000));
    QCOMPARE(caller.count(), raised);
}

void tst_CTapiLine::failedMakeCallClosesLineFirst()
{
    cTAPILine line;
    openFirst(line);
    m_devices.at(0)->makeCallResult = LINEERR_CALLUNAVAIL;
    quint32 lineAtResult = 0xffffffffu;
    bool deviceOpenAtResult = true;
    connect(&line, &cTAPILine::MakeCallResult, this, [&]() {
        lineAtResult = line.hLine();
        deviceOpenAtResult = m_devices.at(0)->opened;
    });
    QSignalSpy result(&line, &cTAPILine::MakeCallResult);
    QVERIFY(line.MakeCallAsynch(QStringLiteral("5551234")));
    QCOMPARE(m_devices.at(0)->dialled, QByteArray("5551234"));
    QVERIFY(result.wait(2000));
    QCOMPARE(result.at(0).at(0).toInt(), LINEERR_CALLUNAVAIL);
    QCOMPARE(lineAtResult, 0u);
    QVERIFY(!deviceOpenAtResult);
    QCOMPARE(line.hLine(), 0u);
    // With the line closed nothing more can be placed.
    QVERIFY(!line.MakeCallAsynch(QStringLiteral("1")));
}

void tst_CTapiLine::makeAndDropCall()
{
    cTAPILine line;
    openFirst(line);
    QSignalSpy made(&line, &cTAPILine::MakeCallResult);
    QSignalSpy dropped(&line, &cTAPILine::DropCallResult);
    QSignalSpy idle(&line, &cTAPILine::Idle);
    QVERIFY(!line.DropCallAsynch()); // no call yet
    QVERIFY(line.MakeCallAsynch(QString()));
    QCOMPARE(m_devices.at(0)->dialled, QByteArray());
    QVERIFY(made.wait(2000));
    QCOMPARE(made.at(0).at(0).toInt(), 0);
    QVERIFY(line.hLine() != 0);
    QVERIFY(line.DropCallAsynch());
    QVERIFY(!line.DropCallAsynch()); // the call is no longer current
    QVERIFY(dropped.wait(2000));
    QCOMPARE(dropped.at(0).at(0).toInt(), 0);
    QVERIFY(idle.count() == 1 || idle.wait(2000));
    QVERIFY(line.CloseLine());
    QVERIFY(!line.CloseLine());
    QVERIFY(!m_devices.at(0)->opened);
}

void tst_CTapiLine::callStates()
{
    cTAPILine line;
    openFirst(line);
    QSignalSpy connected(&line, &cTAPILine::Connected);
    QSignalSpy disconnected(&line, &cTAPILine::Disconnected);
    QSignalSpy dropped(&line, &cTAPILine::DropCallResult);
    QSignalSpy idle(&line, &cTAPILine::Idle);
    emit m_devices.at(0)->ringing(QByteArray("5551234\0", 8), QByteArray());
    emit m_devices.at(0)->callState(LINECALLSTATE_CONNECTED);
    QVERIFY(connected.wait(2000));
    // A disconnected call is dropped by the line, then reported.
    emit m_devices.at(0)->callState(LINECALLSTATE_DISCONNECTED);
    QVERIFY(disconnected.wait(2000));
    QVERIFY(dropped.count() == 1 || dropped.wait(2000));
    QCOMPARE(dropped.at(0).at(0).toInt(), 0);
    QVERIFY(idle.count() == 1 || idle.wait(2000));
    QCOMPARE(connected.count(), 1);
    QCOMPARE(disconnected.count(), 1);
}

void tst_CTapiLine::deviceLostClosesLine()
{
    cTAPILine line;
    openFirst(line);
    QSignalSpy closed(&line, &cTAPILine::LineClose);
    emit m_devices.at(0)->lost();
    QVERIFY(closed.wait(2000));
    QCOMPARE(line.hLine(), 0u);
    QVERIFY(!m_devices.at(0)->opened);
    // Reopening works once the device is back.
    QVERIFY(line.OpenLine(LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_DATAMODEM));
}

void tst_CTapiLine::getId()
{
    cTAPILine line;
    installThreeDevices();
    QVERIFY(line.Create());
    QCOMPARE(line.GetID(LINECALLSELECT_LINE, QStringLiteral("comm/datamodem/portname")), QString());
    QVERIFY(line.OpenLine(LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_DATAMODEM));
    QCOMPARE(line.GetID(LINECALLSELECT_LINE, QStringLiteral("comm/datamodem/portname")),
        QStringLiteral("/dev/ttyFAKE"));
    QCOMPARE(line.GetID(LINECALLSELECT_LINE, QStringLiteral("no/such/class")), QString());
    QCOMPARE(line.LastError(), 0); // its return code is not kept
}

void tst_CTapiLine::platformDialogsRefused()
{
    installThreeDevices();
    cTAPILine line;
    QVERIFY(line.Create());
    QVERIFY(!line.ConfigDialog(0, QString()));
    QCOMPARE(line.LastError(), LINEERR_OPERATIONUNAVAIL);
    QVERIFY(!line.DialingPropertiesDialog(0, QStringLiteral("5551234")));
    QCOMPARE(line.LastError(), LINEERR_OPERATIONUNAVAIL);
    QVERIFY(!line.PaintDevIcon(0, 0, 0, 32, 32));
    QCOMPARE(line.LastError(), LINEERR_OPERATIONUNAVAIL);
}

void tst_CTapiLine::endOfLifeReleasesEverything()
{
    auto *line = new cTAPILine;
    openFirst(*line);
    QPointer<FakeLine> device = m_devices.at(0);
    emit device->ringing(QByteArray("5551234\0", 8), QByteArray());
    // Messages still queued when the object ends go nowhere.
    delete line;
    QTest::qWait(50);
    QVERIFY(device.isNull());

    // A new line after the old one can open the same device again.
    cTAPILine second;
    QVERIFY(second.Create());
    QVERIFY(second.OpenLine(LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_DATAMODEM));
    QVERIFY(m_devices.at(0)->opened);
}

void tst_CTapiLine::createAgainEndsTheEarlierUse()
{
    cTAPILine line;
    openFirst(line);
    QPointer<FakeLine> earlier = m_devices.at(0);
    QVERIFY(line.Create());
    QVERIFY(earlier.isNull());
    QCOMPARE(line.hLine(), 0u);
    QCOMPARE(line.numLines(), 3);
    QVERIFY(line.OpenLine(LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_DATAMODEM));
    QVERIFY(m_devices.at(0)->opened);
}

void tst_CTapiLine::callsInQuickSuccession()
{
    cTAPILine line;
    openFirst(line);
    QSignalSpy caller(&line, &cTAPILine::InfoCallerID);
    QSignalSpy idle(&line, &cTAPILine::Idle);
    for (int round = 0; round < 2; ++round) {
        // Three calls before the event loop turns: each number still arrives.
        emit m_devices.at(0)->ringing(QByteArray("5550001\0", 8), QByteArray());
        emit m_devices.at(0)->ringing(QByteArray("5550002\0", 8), QByteArray());
        emit m_devices.at(0)->ringing(QByteArray("5550003\0", 8), QByteArray());
        emit m_devices.at(0)->callEnded();
        QTRY_COMPARE_WITH_TIMEOUT(idle.count(), 3 * (round + 1), 2000);
    }
    QCOMPARE(caller.count(), 6);
    for (int i = 0; i < 6; ++i)
        QCOMPARE(caller.at(i).at(0).toString(), QStringLiteral("555000%1").arg(i % 3 + 1));
}

QTEST_GUILESS_MAIN(tst_CTapiLine)
#include "tst_ctapiline.moc"
