#include "common/scriptedprompter.h"
#include "datastore/cregistry.h"
#include "datastore/oldregistryfile.h"
#include "datastore/settingsfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <unistd.h>

// The settings file itself: how a file of the old format moves to the current one, how the
// file is read back, replaced and shared, and what happens when it is damaged or cannot be
// written.
namespace {

const QString hostKey = QStringLiteral("Software\\Quillon\\Pelkor20\\4\\DBSERVER_HOST");

cRegistry makeRegistry(const QString &sectionKey, const QString &valueKey = QString(),
    int valueType = cRegistry::REG_SZ)
{
    return cRegistry(cRegistry::HKEY_LOCAL_MACHINE, sectionKey, valueKey, valueType);
}

} // namespace

class tst_SettingsFile : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void oldFileIsMovedOnce();
    void multiStringReadsFirstString_data();
    void multiStringReadsFirstString();
    void fileIsPlainQSettings();
    void fileIsPrivate();
    void otherInstancesSeeChanges();
    void damagedFileDoesNotBreakReads_data();
    void damagedFileDoesNotBreakReads();

    void damagedLineIsFound_data();
    void damagedLineIsFound();
    void damagedFileIsReportedOnceAndKeptAside();
    void unwritableFolderIsReportedAsSuch();
    void lockHeldElsewhereIsReportedAsInUse();

private:
    void writeStoreFile(const QByteArray &content);
    QByteArray readStoreFile() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_storePath;
};

void tst_SettingsFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_storePath = m_dir->filePath(QStringLiteral("config/registry.reg"));
    qputenv("PELKOR_REGISTRY", QFile::encodeName(m_storePath));
}

void tst_SettingsFile::cleanup()
{
    qunsetenv("PELKOR_REGISTRY");
    m_dir.reset();
}

void tst_SettingsFile::writeStoreFile(const QByteArray &content)
{
    QVERIFY(QDir().mkpath(QFileInfo(m_storePath).absolutePath()));
    QFile file(m_storePath);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(content), content.size());
}

QByteArray tst_SettingsFile::readStoreFile() const
{
    QFile file(m_storePath);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

void tst_SettingsFile::oldFileIsMovedOnce()
{
    const QByteArray old = "; written by hand\r\n"
                           "[hkey_local_machine\\Software\\Quillon\\Pelkor20\\4\\DBSERVER_HOST]\r\n"
                           "@ = \"10.0.0.5\"\r\n"
                           "\"Port\"=DWORD:00001538\r\n"
                           "\"Path\"=expand:\"%HOME%\\\\pelkor\"\r\n"
                           "\"Note\"=\"a\\0b\"\r\n"
                           "\"Blob\"=hex:01,02,\\\r\n"
                           "  ff\r\n"
                           "\"Raw\"=hex(b):01,00,00,00,00,00,00,00\r\n"
                           "[HKEY_LOCAL_MACHINE\\Software\\Quillon\\Empty]\r\n";
    writeStoreFile(old);

    // Parent keys of a listed key exist even though the file does not list them.
    QVERIFY(makeRegistry(QStringLiteral("Software\\Quillon")).KeyExists());
    QVERIFY(makeRegistry(QStringLiteral("Software\\Quillon\\Empty")).KeyExists());
    QCOMPARE(readRegistryText(hostKey), QStringLiteral("10.0.0.5"));

    cRegistry reader = makeRegistry(hostKey, QStringLiteral("port"));
    QCOMPARE(reader.Value(), QVariant(5432));
    QCOMPARE(reader.ValueType(), int(cRegistry::REG_DWORD));
    reader.setValueKey(QStringLiteral("Path"));
    QCOMPARE(reader.Value(), QVariant(QStringLiteral("%HOME%\\pelkor")));
    QCOMPARE(reader.ValueType(), int(cRegistry::REG_EXPAND_SZ));
    // The old file's readers stopped at a NUL; the moved text says what they said.
    reader.setValueKey(QStringLiteral("Note"));
    QCOMPARE(reader.Value(), QVariant(QStringLiteral("a")));
    reader.setValueKey(QStringLiteral("Blob"));
    QCOMPARE(reader.Value(), QVariant(QByteArray("\x01\x02\xff", 3)));
    reader.setValueKey(QStringLiteral("Raw"));
    QCOMPARE(reader.Value(), QVariant(QByteArray("\x01\0\0\0\0\0\0\0", 8)));
    QCOMPARE(reader.ValueType(), 11);

    // The original is kept as it was, beside the file in the current format.
    QFile kept(m_storePath + QStringLiteral(".old"));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), old);
    kept.close();
    QVERIFY(readStoreFile() != old);

    // Moved once: a later start neither reads the old file again nor replaces the copy.
    QVERIFY(kept.open(QIODevice::WriteOnly | QIODevice::Truncate));
    kept.write("edited afterwards");
    kept.close();
    QVERIFY(writeRegistryText(QStringLiteral("Software\\Other"), QStringLiteral("x")));
    QCOMPARE(readRegistryText(hostKey), QStringLiteral("10.0.0.5"));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("edited afterwards"));

    // A value of a type this class cannot write still survives other writes unchanged.
    QCOMPARE(reader.Value(), QVariant(QByteArray("\x01\0\0\0\0\0\0\0", 8)));
    QCOMPARE(reader.ValueType(), 11);
}

void tst_SettingsFile::multiStringReadsFirstString_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("first");

    QTest::newRow("two strings") << QByteArray("multi:\"first\",\"second\"") << "first";
    QTest::newRow("spaced") << QByteArray("multi: \"a \\\"b\\\"\" , \"c\"") << "a \"b\"";
    QTest::newRow("single") << QByteArray("multi:\"only\"") << "only";
    QTest::newRow("empty list") << QByteArray("multi:") << "";
}

void tst_SettingsFile::multiStringReadsFirstString()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, first);

    writeStoreFile("[HKEY_LOCAL_MACHINE\\Software\\Quillon]\n\"List\"=" + data + "\n");

    cRegistry reader = makeRegistry(QStringLiteral("Software\\Quillon"), QStringLiteral("List"));
    reader.setDefault(QStringLiteral("unset"));
    QCOMPARE(reader.Value(), QVariant(first));
    QCOMPARE(reader.ValueType(), int(cRegistry::REG_MULTI_SZ));

    // Rewriting the file for another value keeps the list.
    QVERIFY(writeRegistryText(QStringLiteral("Software\\Quillon\\Sub"), QStringLiteral("x")));
    QCOMPARE(reader.Value(), QVariant(first));
    QCOMPARE(reader.ValueType(), int(cRegistry::REG_MULTI_SZ));
}

void tst_SettingsFile::fileIsPlainQSettings()
{
    QVERIFY(writeRegistryText(hostKey, QStringLiteral("127.0.0.1")));
    cRegistry writer = makeRegistry(hostKey, QStringLiteral("Count"), cRegistry::REG_DWORD);
    writer.setValue(10);

    // Any Qt program, or a person with a text editor, reads the settings where they are named.
    QSettings plain(m_storePath, QSettings::IniFormat);
    const QString group = QStringLiteral("HKEY_LOCAL_MACHINE/")
        + QString(hostKey).replace(QLatin1Char('\\'), QLatin1Char('/'));
    QCOMPARE(plain.value(group + QStringLiteral("/.")), QVariant(QStringLiteral("127.0.0.1")));
    QCOMPARE(plain.value(group + QStringLiteral("/Count")).toStringList(),
        (QStringList{QStringLiteral("dword"), QStringLiteral("10")}));
    QVERIFY(readStoreFile().contains("=127.0.0.1\n"));
}

void tst_SettingsFile::fileIsPrivate()
{
    // Start from a world-readable file to see that writing tightens it.
    writeStoreFile("[HKEY_LOCAL_MACHINE\\Software]\n");
    QVERIFY(QFile::setPermissions(
        m_storePath, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));

    QVERIFY(writeRegistryText(hostKey, QStringLiteral("secret")));

    const QFile::Permissions permissions = QFile::permissions(m_storePath);
    QVERIFY(permissions.testFlag(QFile::ReadOwner));
    QVERIFY(permissions.testFlag(QFile::WriteOwner));
    QVERIFY(!permissions.testFlag(QFile::ExeOwner));
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup
        | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    QCOMPARE(permissions & others, QFile::Permissions());

    // A brand-new file is private from the start.
    QVERIFY(QFile::remove(m_storePath));
    QCOMPARE(makeRegistry(QStringLiteral("Software\\New")).CreateKey(), 0);
    QCOMPARE(QFile::permissions(m_storePath) & others, QFile::Permissions());
}

void tst_SettingsFile::otherInstancesSeeChanges()
{
    cRegistry first = makeRegistry(hostKey, QStringLiteral("Host"));
    first.setValue(QStringLiteral("one"));

    cRegistry second = makeRegistry(hostKey, QStringLiteral("Host"));
    QCOMPARE(second.Value(), QVariant(QStringLiteral("one")));
    second.setValue(QStringLiteral("two"));
    QCOMPARE(first.Value(), QVariant(QStringLiteral("two")));

    // Edits made outside the program are picked up without reopening anything.
    {
        QSettings outside(m_storePath, QSettings::IniFormat);
        outside.setValue(QStringLiteral("HKEY_LOCAL_MACHINE/")
                + QString(hostKey).replace(QLatin1Char('\\'), QLatin1Char('/'))
                + QStringLiteral("/Host"),
            QStringLiteral("three"));
    }
    QCOMPARE(first.Value(), QVariant(QStringLiteral("three")));
    QCOMPARE(second.Value(), QVariant(QStringLiteral("three")));

    // Two writers to different values do not lose each other's change.
    first.setValueKey(QStringLiteral("A"));
    second.setValueKey(QStringLiteral("B"));
    first.setValue(QStringLiteral("a"));
    second.setValue(QStringLiteral("b"));
    QCOMPARE(first.Value(), QVariant(QStringLiteral("a")));
    QCOMPARE(second.Value(), QVariant(QStringLiteral("b")));
}

void tst_SettingsFile::damagedFileDoesNotBreakReads_data()
{
    QTest::addColumn<QByteArray>("content");

    QByteArray noise;
    QRandomGenerator generator(20240517);
    for (int i = 0; i < 4096; ++i)
        noise.append(char(generator.bounded(256)));

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("random bytes") << noise;
    QTest::newRow("random bytes after key")
        << "[HKEY_LOCAL_MACHINE\\" + hostKey.toUtf8() + "]\n" + noise;
    QTest::newRow("unclosed key") << "[HKEY_LOCAL_MACHINE\\" + hostKey.toUtf8() + "\n@=\"x\"\n";
    QTest::newRow("unknown hive") << "[HKEY_NOWHERE\\" + hostKey.toUtf8() + "]\n@=\"x\"\n";
    QTest::newRow("bare brackets") << QByteArray("[]\n[\n]\n@=\"x\"\n");
    QTest::newRow("value before any key") << QByteArray("@=\"x\"\n\"Host\"=\"x\"\n");
    QTest::newRow("broken values") << "[HKEY_LOCAL_MACHINE\\" + hostKey.toUtf8()
            + "]\n@=\"unterminated\n"
              "\"Host\"=dword:zz\n"
              "\"Host\"=dword:123456789\n"
              "\"Host\"=hex:1,2,300\n"
              "\"Host\"=hex(zz):01\n"
              "\"Host\"=\"a\" trailing\n"
              "\"Host\"=\"bad \\u12\"\n"
              "\"Host\"=multi:\"a\" \"b\"\n"
              "\"Host\"=nonsense\n"
              "\"Host\"\n"
              "\"Host=\"x\"\n"
              "@=\\\n";
    QTest::newRow("invalid utf-8")
        << QByteArray("[HKEY_LOCAL_MACHINE\\\xff\xfe]\n@=\"\xc3\x28\"\n");
}

void tst_SettingsFile::damagedFileDoesNotBreakReads()
{
    QFETCH(QByteArray, content);
    writeStoreFile(content);

    cRegistry reader = makeRegistry(hostKey, QStringLiteral("Host"));
    reader.setDefault(QStringLiteral("fallback"));
    QCOMPARE(reader.Value(), QVariant(QStringLiteral("fallback")));
    QCOMPARE(reader.RegErrorCode(), int(cRegistry::ERROR_NOT_FOUND));
    reader.setValueKey(QString());
    QCOMPARE(reader.Value(), QVariant(QStringLiteral("fallback")));
    QVERIFY(readRegistryText(hostKey).isEmpty());

    QStringList names;
    int count = 0;
    reader.EnumerateValues(names, count);
    QCOMPARE(count, int(names.size()));
    makeRegistry(QString()).EnumerateSections(names, count);
    QCOMPARE(count, int(names.size()));

    // The store is usable again after the next write.
    reader.setValueKey(QStringLiteral("Host"));
    reader.setValue(QStringLiteral("repaired"));
    QVERIFY2(reader.RegErrorCode() == 0, qPrintable(reader.RegError()));
    QCOMPARE(makeRegistry(hostKey, QStringLiteral("Host")).Value(),
        QVariant(QStringLiteral("repaired")));
}

void tst_SettingsFile::damagedLineIsFound_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("line");
    const QByteArray key = "[HKEY_LOCAL_MACHINE\\Software]\n";
    QTest::newRow("sound") << key + "@=\"x\"\n; comment\n\n# other\n" << 0;
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("unclosed key") << QByteArray("[HKEY_LOCAL_MACHINE\\Software\n@=\"x\"\n") << 1;
    QTest::newRow("unknown hive") << QByteArray("@=\"x\"\n[HKEY_NOWHERE\\A]\n") << 1;
    QTest::newRow("bad value") << key + "@=\"x\"\n\"Port\"=dword:zz\n" << 3;
    QTest::newRow("value before key") << QByteArray("\n\"Host\"=\"x\"\n") << 2;
    QTest::newRow("not utf-8") << key + "@=\"x\"\n\"A\"=\"\xc3\x28\"\n" << 3;
}

void tst_SettingsFile::damagedLineIsFound()
{
    QFETCH(QByteArray, content);
    QFETCH(int, line);
    QCOMPARE(OldRegistryFile::parse(content).damagedLine, line);
}

void tst_SettingsFile::damagedFileIsReportedOnceAndKeptAside()
{
    ScriptedPrompter prompts;
    const QByteArray damaged
        = "[HKEY_LOCAL_MACHINE\\" + hostKey.toUtf8() + "]\n@=\"db1\"\n\"Port\"=dword:zz\n";
    writeStoreFile(damaged);

    // What can be read is read; the damage is told once, however often it is read.
    QCOMPARE(readRegistryText(hostKey), QStringLiteral("db1"));
    QCOMPARE(readRegistryText(hostKey), QStringLiteral("db1"));
    QVERIFY(makeRegistry(hostKey).KeyExists());
    QCOMPARE(prompts.requests.size(), 1);
    const Prompt::Request told = prompts.requests.first();
    QCOMPARE(told.icon, Prompt::Icon::Warning);
    QVERIFY2(told.text.contains(QDir::toNativeSeparators(m_storePath)), qPrintable(told.text));
    QVERIFY2(told.text.contains(QStringLiteral("损坏")), qPrintable(told.text));
    QVERIFY2(told.text.contains(QStringLiteral("第 3 行")), qPrintable(told.text));

    QVERIFY2(told.text.contains(QStringLiteral(".old")), qPrintable(told.text));

    // The damaged original is kept as it was; it holds the password as much as it did.
    QFile backup(m_storePath + QStringLiteral(".old"));
    QVERIFY(backup.open(QIODevice::ReadOnly));
    QCOMPARE(backup.readAll(), damaged);
    QCOMPARE(backup.permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());

    // Later changes neither tell it again nor touch the copy.
    QVERIFY(writeRegistryText(hostKey, QStringLiteral("db2")));
    QCOMPARE(readRegistryText(hostKey), QStringLiteral("db2"));
    QCOMPARE(prompts.requests.size(), 1);
    const QDir folder(QFileInfo(m_storePath).absolutePath());
    QCOMPARE(folder.entryList({QStringLiteral("registry.reg.*")}, QDir::Files),
        QStringList{QStringLiteral("registry.reg.old")});
}

void tst_SettingsFile::unwritableFolderIsReportedAsSuch()
{
    QString folder;
    std::unique_ptr<QTemporaryDir> readOnly;
    if (geteuid() == 0) {
        // Permissions do not stop root; the kernel's own folder of system
        // information refuses new files to everybody.
        folder = QStringLiteral("/sys");
        if (!QFileInfo(folder).isDir())
            QSKIP("no folder here refuses root");
    } else {
        readOnly = std::make_unique<QTemporaryDir>();
        folder = readOnly->path();
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    }
    const QString store = folder + QStringLiteral("/pelkor-registry.reg");
    qputenv("PELKOR_REGISTRY", QFile::encodeName(store));

    QString error;
    QVERIFY(!writeRegistryText(hostKey, QStringLiteral("x"), &error));
    QVERIFY2(!error.contains(QStringLiteral("正被其他程序使用")), qPrintable(error));
    QVERIFY2(error.contains(QStringLiteral("没有权限")), qPrintable(error));
    QVERIFY2(error.contains(QDir::toNativeSeparators(folder)), qPrintable(error));
    QVERIFY(!QFile::exists(store));
    if (readOnly)
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void tst_SettingsFile::lockHeldElsewhereIsReportedAsInUse()
{
    QVERIFY(writeRegistryText(hostKey, QStringLiteral("x")));
    // Another program holds the lock for longer than a writer waits.
    QLockFile other(m_storePath + QStringLiteral(".lock"));
    other.setStaleLockTime(0);
    QVERIFY(other.tryLock(0));
    QString error;
    QVERIFY(!writeRegistryText(hostKey, QStringLiteral("y"), &error));
    QVERIFY2(error.contains(QStringLiteral("正被其他程序使用")), qPrintable(error));
    QCOMPARE(readRegistryText(hostKey), QStringLiteral("x"));

    // An old file that cannot be moved meanwhile is still read.
    writeStoreFile("[HKEY_LOCAL_MACHINE\\" + hostKey.toUtf8() + "]\n@=\"old\"\n");
    QCOMPARE(readRegistryText(hostKey), QStringLiteral("old"));
    QVERIFY(!QFile::exists(m_storePath + QStringLiteral(".old")));

    QCOMPARE(SettingsFile::lockFailure(QLockFile::LockFailedError, m_storePath),
        QStringLiteral("设置文件 %1 正被其他程序使用").arg(QDir::toNativeSeparators(m_storePath)));
    QVERIFY(SettingsFile::lockFailure(QLockFile::PermissionError, m_storePath)
                .contains(QStringLiteral("没有权限")));
    QVERIFY(SettingsFile::lockFailure(QLockFile::UnknownError, m_storePath)
                .contains(QStringLiteral("锁文件")));
    other.unlock();
}

QTEST_GUILESS_MAIN(tst_SettingsFile)

#include "tst_settingsfile.moc"
