#include "common/scriptedprompter.h"
#include "datastore/cregistry.h"
#include "datastore/registryfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <unistd.h>

// The settings file itself: its text form, how it is read back, replaced, shared and
// what happens when it is damaged or cannot be written.
namespace {

const QString hostKey = QStringLiteral("Software\\Quillon\\Pelkor20\\4\\DBSERVER_HOST");

cRegistry makeRegistry(const QString &sectionKey, const QString &valueKey = QString(),
    int valueType = cRegistry::REG_SZ)
{
    return cRegistry(cRegistry::HKEY_LOCAL_MACHINE, sectionKey, valueKey, valueType);
}

} // namespace

class tst_RegistryFile : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void handEditedFileIsRead();
    void multiStringReadsFirstString_data();
    void multiStringReadsFirstString();
    void fileIsReadableText();
    void fileIsPrivate();
    void otherInstancesSeeChanges();
    void damagedFileDoesNotBreakReads_data();
    void damagedFileDoesNotBreakReads();

    void parseAndFormatRoundTrip();
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

void tst_RegistryFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_storePath = m_dir->filePath(QStringLiteral("config/registry.reg"));
    qputenv("PELKOR_REGISTRY", QFile::encodeName(m_storePath));
}

void tst_RegistryFile::cleanup()
{
    qunsetenv("PELKOR_REGISTRY");
    m_dir.reset();
}

void tst_RegistryFile::writeStoreFile(const QByteArray &content)
{
    QVERIFY(QDir().mkpath(QFileInfo(m_storePath).absolutePath()));
    QFile file(m_storePath);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(content), content.size());
}

QByteArray tst_RegistryFile::readStoreFile() const
{
    QFile file(m_storePath);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

void tst_RegistryFile::handEditedFileIsRead()
{
    writeStoreFile("; written by hand\r\n"
                   "[hkey_local_machine\\Software\\Quillon\\Pelkor20\\4\\DBSERVER_HOST]\r\n"
                   "@ = \"10.0.0.5\"\r\n"
                   "\"Port\"=DWORD:00001538\r\n"
                   "\"Path\"=expand:\"%HOME%\\\\pelkor\"\r\n"
                   "\"Blob\"=hex:01,02,\\\r\n"
                   "  ff\r\n"
                   "\"Raw\"=hex(b):01,00,00,00,00,00,00,00\r\n");

    // Parent keys of a listed key exist even though the file does not list them.
    QVERIFY(makeRegistry(QStringLiteral("Software\\Quillon")).KeyExists());
    QCOMPARE(readRegistryText(hostKey), QStringLiteral("10.0.0.5"));

    cRegistry reader = makeRegistry(hostKey, QStringLiteral("port"));
    QCOMPARE(reader.Value(), QVariant(5432));
    reader.setValueKey(QStringLiteral("Path"));
    QCOMPARE(reader.Value(), QVariant(QStringLiteral("%HOME%\\pelkor")));
    QCOMPARE(reader.ValueType(), int(cRegistry::REG_EXPAND_SZ));
    reader.setValueKey(QStringLiteral("Blob"));
    QCOMPARE(reader.Value(), QVariant(QByteArray("\x01\x02\xff", 3)));
    reader.setValueKey(QStringLiteral("Raw"));
    QCOMPARE(reader.Value(), QVariant(QByteArray("\x01\0\0\0\0\0\0\0", 8)));
    QCOMPARE(reader.ValueType(), 11);

    // A value of a type this class cannot write still survives other writes unchanged.
    QVERIFY(writeRegistryText(QStringLiteral("Software\\Other"), QStringLiteral("x")));
    QCOMPARE(reader.Value(), QVariant(QByteArray("\x01\0\0\0\0\0\0\0", 8)));
    QCOMPARE(reader.ValueType(), 11);
}

void tst_RegistryFile::multiStringReadsFirstString_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("first");

    QTest::newRow("two strings") << QByteArray("multi:\"first\",\"second\"") << "first";
    QTest::newRow("spaced") << QByteArray("multi: \"a \\\"b\\\"\" , \"c\"") << "a \"b\"";
    QTest::newRow("single") << QByteArray("multi:\"only\"") << "only";
    QTest::newRow("empty list") << QByteArray("multi:") << "";
}

void tst_RegistryFile::multiStringReadsFirstString()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, first);

    writeStoreFile("[HKEY_LOCAL_MACHINE\\Software\\Quillon]\n\"List\"=" + data + "\n");

    cRegistry reader = makeRegistry(QStringLiteral("Software\\Quillon"), QStringLiteral("List"));
    reader.setDefault(QStringLiteral("unset"));
    QCOMPARE(reader.Value(), QVariant(first));
    QCOMPARE(reader.ValueType(), int(cRegistry::REG_MULTI_SZ));

    // Rewriting the file for another value keeps the whole list.
    QVERIFY(writeRegistryText(QStringLiteral("Software\\Quillon\\Sub"), QStringLiteral("x")));
    const QByteArray file = readStoreFile();
    QVERIFY2(file.contains("\"List\"=multi:"), file.constData());
    QCOMPARE(reader.Value(), QVariant(first));
    QCOMPARE(reader.ValueType(), int(cRegistry::REG_MULTI_SZ));
}

void tst_RegistryFile::fileIsReadableText()
{
    QVERIFY(writeRegistryText(hostKey, QStringLiteral("127.0.0.1")));
    cRegistry writer = makeRegistry(hostKey, QStringLiteral("Count"), cRegistry::REG_DWORD);
    writer.setValue(10);
    writer.setValueKey(QStringLiteral("Path"));
    writer.setValueType(cRegistry::REG_SZ);
    writer.setValue(QStringLiteral("%HOME%\\x"));
    writer.setValueKey(QStringLiteral("Note"));
    writer.setValue(QStringLiteral("say \"hi\"\nbye"));
    writer.setValueKey(QStringLiteral("Blob"));
    writer.setValueType(cRegistry::REG_BINARY);
    writer.setValue(QByteArray("\x01\x02\xff", 3));

    const QByteArray file = readStoreFile();
    QVERIFY(file.contains("[HKEY_LOCAL_MACHINE\\Software\\Quillon\\Pelkor20\\4\\DBSERVER_HOST]\n"));
    QVERIFY(file.contains("\n@=\"127.0.0.1\"\n"));
    QVERIFY(file.contains("\n\"Count\"=dword:0000000a\n"));
    QVERIFY(file.contains("\n\"Path\"=expand:\"%HOME%\\\\x\"\n"));
    QVERIFY(file.contains("\n\"Note\"=\"say \\\"hi\\\"\\nbye\"\n"));
    QVERIFY(file.contains("\n\"Blob\"=hex:01,02,ff\n"));
    // Parents come before their children so the file reads top-down.
    QVERIFY(file.indexOf("[HKEY_LOCAL_MACHINE\\Software]")
        < file.indexOf("[HKEY_LOCAL_MACHINE\\Software\\Quillon]"));
}

void tst_RegistryFile::fileIsPrivate()
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

void tst_RegistryFile::otherInstancesSeeChanges()
{
    cRegistry first = makeRegistry(hostKey, QStringLiteral("Host"));
    first.setValue(QStringLiteral("one"));

    cRegistry second = makeRegistry(hostKey, QStringLiteral("Host"));
    QCOMPARE(second.Value(), QVariant(QStringLiteral("one")));
    second.setValue(QStringLiteral("two"));
    QCOMPARE(first.Value(), QVariant(QStringLiteral("two")));

    // Edits made outside the program are picked up without reopening anything.
    writeStoreFile("[HKEY_LOCAL_MACHINE\\" + hostKey.toUtf8() + "]\n\"Host\"=\"three\"\n");
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

void tst_RegistryFile::damagedFileDoesNotBreakReads_data()
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

void tst_RegistryFile::damagedFileDoesNotBreakReads()
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
    QCOMPARE(reader.RegErrorCode(), 0);
    QCOMPARE(makeRegistry(hostKey, QStringLiteral("Host")).Value(),
        QVariant(QStringLiteral("repaired")));
}

void tst_RegistryFile::parseAndFormatRoundTrip()
{
    RegistryFile::Store store;
    bool changed = false;
    const QStringList path{
        QStringLiteral("HKEY_LOCAL_MACHINE"), QStringLiteral("Software"), QStringLiteral("Pelkor")};
    RegistryFile::Key &key = store.keys[RegistryFile::createPath(store, path, &changed)];
    QVERIFY(changed);
    key.values.append({QString(), RegistryFile::String,
        RegistryFile::encodeString(QStringLiteral("总站 \"1\"\n"))});
    key.values.append(
        {QStringLiteral("Port"), RegistryFile::Dword, RegistryFile::encodeDword(5432)});
    key.values.append({QStringLiteral("Raw"), 11, QByteArray("\x01\x02", 2)});

    const QByteArray text = RegistryFile::format(store);
    const RegistryFile::Store back = RegistryFile::parse(text);
    QCOMPARE(back.damagedLine, 0);
    const qsizetype index = RegistryFile::findKey(back, path);
    QVERIFY(index >= 0);
    const RegistryFile::Key &read = back.keys.at(index);
    QCOMPARE(read.values.size(), 3);
    for (const RegistryFile::Value &value : key.values) {
        const qsizetype v = RegistryFile::findValue(read, value.name.toUpper());
        QVERIFY(v >= 0);
        QCOMPARE(read.values.at(v).type, value.type);
        QCOMPARE(read.values.at(v).data, value.data);
    }
    // Formatting again gives the same text.
    QCOMPARE(RegistryFile::format(back), text);
}

void tst_RegistryFile::damagedLineIsFound_data()
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

void tst_RegistryFile::damagedLineIsFound()
{
    QFETCH(QByteArray, content);
    QFETCH(int, line);
    QCOMPARE(RegistryFile::parse(content).damagedLine, line);
}

void tst_RegistryFile::damagedFileIsReportedOnceAndKeptAside()
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

    // The next change keeps the damaged file aside before replacing it.
    QVERIFY(writeRegistryText(hostKey, QStringLiteral("db2")));
    QCOMPARE(prompts.requests.size(), 1);
    const QDir folder(QFileInfo(m_storePath).absolutePath());
    const QStringList backups
        = folder.entryList({QStringLiteral("registry.reg.damaged-*")}, QDir::Files);
    QCOMPARE(backups.size(), 1);
    QFile backup(folder.filePath(backups.first()));
    QVERIFY(backup.open(QIODevice::ReadOnly));
    QCOMPARE(backup.readAll(), damaged);
    // It holds the password as much as the original does.
    QCOMPARE(backup.permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
    QCOMPARE(readRegistryText(hostKey), QStringLiteral("db2"));
    QCOMPARE(RegistryFile::parse(readStoreFile()).damagedLine, 0);

    // A sound file is replaced without leaving copies behind.
    QVERIFY(writeRegistryText(hostKey, QStringLiteral("db3")));
    QCOMPARE(folder.entryList({QStringLiteral("registry.reg.damaged-*")}, QDir::Files).size(), 1);
}

void tst_RegistryFile::unwritableFolderIsReportedAsSuch()
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

void tst_RegistryFile::lockHeldElsewhereIsReportedAsInUse()
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
    QCOMPARE(RegistryFile::lockFailure(QLockFile::LockFailedError, m_storePath),
        QStringLiteral("设置文件 %1 正被其他程序使用").arg(QDir::toNativeSeparators(m_storePath)));
    QVERIFY(RegistryFile::lockFailure(QLockFile::PermissionError, m_storePath)
                .contains(QStringLiteral("没有权限")));
    QVERIFY(RegistryFile::lockFailure(QLockFile::UnknownError, m_storePath)
                .contains(QStringLiteral("锁文件")));
    other.unlock();
}

QTEST_GUILESS_MAIN(tst_RegistryFile)

#include "tst_registryfile.moc"
