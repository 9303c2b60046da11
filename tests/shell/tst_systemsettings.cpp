#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/mdatabase.h"
#include "shell/systemsettings.h"

#include <QTest>

class tst_SystemSettings : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void storedAsRead_data();
    void storedAsRead();

private:
    TestDatabase m_db;
    ScriptedPrompter *m_prompts = nullptr;
};

void tst_SystemSettings::init()
{
    m_prompts = new ScriptedPrompter;
    PELKOR_FRESH_DATABASE(m_db);
}

void tst_SystemSettings::cleanup()
{
    m_db.dropAll();
    delete m_prompts;
    m_prompts = nullptr;
}

void tst_SystemSettings::storedAsRead_data()
{
    QTest::addColumn<bool>("storedBefore");
    QTest::addColumn<bool>("on");
    QTest::addColumn<int>("modem");
    QTest::addColumn<QString>("areaCode");

    QTest::newRow("first time") << false << true << 0 << "0427";
    QTest::newRow("changed") << true << false << 2 << "021";
    QTest::newRow("no device, quote in the code") << true << true << -1 << "0'1 %1";
}

void tst_SystemSettings::storedAsRead()
{
    QFETCH(bool, storedBefore);
    QFETCH(bool, on);
    QFETCH(int, modem);
    QFETCH(QString, areaCode);
    const auto settings = [](bool on, int modem, const QString &areaCode) {
        return SystemSettings{on, !on, on, !on, on, modem, areaCode, QStringLiteral("8")};
    };
    if (storedBefore)
        QVERIFY(SystemSettingsWriter::save(settings(!on, 5, QStringLiteral("999"))));
    QVERIFY(SystemSettingsWriter::save(settings(on, modem, areaCode)));
    QStringList stored;
    for (const char *name : {"AutoInMoney", "AutoOutAmount", "AutoInContainer", "SearchAddress",
             "AutoDataRefresh", "ModemIndex", "AreaCode", "NumberLen"})
        stored << mDatabase::GetSysValue(QLatin1String(name));
    const QString yes = on ? QStringLiteral("1") : QStringLiteral("0");
    const QString no = on ? QStringLiteral("0") : QStringLiteral("1");
    QCOMPARE(stored, (QStringList{yes, no, yes, no, yes, QString::number(modem), areaCode, "8"}));
    QVERIFY(!mDatabase::InTransaction());
    QCOMPARE(m_prompts->texts(), QStringList());
}

QTEST_MAIN(tst_SystemSettings)
#include "tst_systemsettings.moc"
