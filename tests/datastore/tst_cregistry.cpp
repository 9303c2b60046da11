#include "datastore/cregistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>
#include <memory>

namespace {

const QString hostKey = QStringLiteral("Software\\Quillon\\Pelkor20\\4\\DBSERVER_HOST");

cRegistry makeRegistry(const QString &sectionKey, const QString &valueKey = QString(),
    int valueType = cRegistry::REG_SZ)
{
    return cRegistry(cRegistry::HKEY_LOCAL_MACHINE, sectionKey, valueKey, valueType);
}

} // namespace

class tst_CRegistry : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void storePathFollowsEnvironment();

    void textRoundTrip_data();
    void textRoundTrip();
    void textHelpers_data();
    void textHelpers();
    void textHelperReportsWriteFailure();

    void missingReadsReturnDefault_data();
    void missingReadsReturnDefault();
    void unknownHiveIsAnError();

    void writeCreatesWholePath();
    void emptyKeySurvivesReload();
    void keyPathsIgnoreCase();

    void dwordValues_data();
    void dwordValues();
    void binaryValues();
    void binaryRequiresByteArray_data();
    void binaryRequiresByteArray();
    void unsupportedTypeIsRejected_data();
    void unsupportedTypeIsRejected();

    void deleteValue();
    void deleteKey();
    void enumerateValues();

private:
    void writeStoreFile(const QByteArray &content);
    QByteArray readStoreFile() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_storePath;
};

void tst_CRegistry::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    // A folder that does not exist yet, so every test also covers creating it.
    m_storePath = m_dir->filePath(QStringLiteral("config/registry.reg"));
    qputenv("PELKOR_REGISTRY", QFile::encodeName(m_storePath));
}

void tst_CRegistry::cleanup()
{
    qunsetenv("PELKOR_REGISTRY");
    m_dir.reset();
}

void tst_CRegistry::writeStoreFile(const QByteArray &content)
{
    QVERIFY(QDir().mkpath(QFileInfo(m_storePath).absolutePath()));
    QFile file(m_storePath);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(content), content.size());
}

QByteArray tst_CRegistry::readStoreFile() const
{
    QFile file(m_storePath);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

void tst_CRegistry::storePathFollowsEnvironment()
{
    QCOMPARE(cRegistry::storePath(), m_storePath);

    qputenv("PELKOR_REGISTRY", QByteArray());
    const QString fallback = cRegistry::storePath();
    QVERIFY(fallback.endsWith(QLatin1String("/Pelkor/registry.reg")));
    QVERIFY(fallback.startsWith(
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)));
}

void tst_CRegistry::textRoundTrip_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("read");
    QTest::addColumn<int>("storedType");

    const int sz = cRegistry::REG_SZ;
    const int expand = cRegistry::REG_EXPAND_SZ;

    QTest::newRow("plain") << "127.0.0.1"
                           << "127.0.0.1" << sz;
    QTest::newRow("empty becomes blank") << ""
                                         << " " << sz;
    QTest::newRow("blanks kept") << "  padded  "
                                 << "  padded  " << sz;

    QTest::newRow("reference %A%") << "%A%"
                                   << "%A%" << expand;
    QTest::newRow("reference inside text") << "%HOME%\\data"
                                           << "%HOME%\\data" << expand;
    QTest::newRow("reference after text") << "a%b%"
                                          << "a%b%" << expand;
    QTest::newRow("percent blank percent") << "% %"
                                           << "% %" << expand;
    QTest::newRow("trailing percent") << "50%"
                                      << "50%" << sz;
    QTest::newRow("double percent") << "%%"
                                    << "%%" << sz;
    QTest::newRow("single percent inside") << "a%b"
                                           << "a%b" << sz;
    QTest::newRow("expand requested, no reference") << "plain"
                                                    << "plain" << sz;

    QTest::newRow("quotes") << "say \"hi\""
                            << "say \"hi\"" << sz;
    QTest::newRow("backslashes") << "C:\\Program Files\\\\x\\"
                                 << "C:\\Program Files\\\\x\\" << sz;
    QTest::newRow("escape lookalikes") << "\\n\\\"\\0"
                                       << "\\n\\\"\\0" << sz;
    QTest::newRow("newlines and tabs") << "line 1\nline 2\r\n\tend"
                                       << "line 1\nline 2\r\n\tend" << sz;
    QTest::newRow("chinese") << QString::fromUtf8("数据库服务器")
                             << QString::fromUtf8("数据库服务器") << sz;
    QTest::newRow("outside BMP") << QString::fromUtf8("x\xF0\x9F\x98\x80y")
                                 << QString::fromUtf8("x\xF0\x9F\x98\x80y") << sz;
    QTest::newRow("brackets and equals") << "[a]=\"b\""
                                         << "[a]=\"b\"" << sz;
    // The database drops a NUL too, so a text reads the same from either store.
    QTest::newRow("null dropped") << QString::fromUtf8("abc\0def", 7) << "abcdef" << sz;
    QTest::newRow("null alone") << QString::fromUtf8("\0", 1) << " " << sz;
}

void tst_CRegistry::textRoundTrip()
{
    QFETCH(QString, written);
    QFETCH(QString, read);
    QFETCH(int, storedType);

    // Which text type the caller asks for must not change what gets stored.
    for (const int requested : {int(cRegistry::REG_SZ), int(cRegistry::REG_EXPAND_SZ)}) {
        cRegistry writer = makeRegistry(hostKey, QStringLiteral("Text"), requested);
        writer.setValue(written);
        QCOMPARE(writer.RegErrorCode(), 0);
        QVERIFY(writer.RegError().isEmpty());
        QCOMPARE(writer.LastWritten().toString(), written);

        cRegistry reader = makeRegistry(hostKey, QStringLiteral("Text"), cRegistry::REG_BINARY);
        const QVariant value = reader.Value();
        QCOMPARE(reader.RegErrorCode(), 0);
        QCOMPARE(value.metaType().id(), int(QMetaType::QString));
        QCOMPARE(value.toString(), read);
        QCOMPARE(reader.ValueType(), storedType);
    }
}

void tst_CRegistry::textHelpers_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("read");

    QTest::newRow("plain") << "db.example"
                           << "db.example"
                           << "db.example";
    QTest::newRow("empty") << ""
                           << " "
                           << "";
    QTest::newRow("blank") << " "
                           << " "
                           << "";
    QTest::newRow("surrounding blanks") << "  host  "
                                        << "  host  "
                                        << "host";
    QTest::newRow("inner blanks kept") << " a b "
                                       << " a b "
                                       << "a b";
    QTest::newRow("only blanks trimmed") << "\thost\t"
                                         << "\thost\t"
                                         << "\thost\t";
}

void tst_CRegistry::textHelpers()
{
    QFETCH(QString, written);
    QFETCH(QString, stored);
    QFETCH(QString, read);

    QString error = QStringLiteral("left over");
    QVERIFY(writeRegistryText(hostKey, written, &error));
    QVERIFY(error.isEmpty());

    cRegistry raw = makeRegistry(hostKey);
    QCOMPARE(raw.Value().toString(), stored);
    QCOMPARE(raw.ValueType(), int(cRegistry::REG_SZ));

    QCOMPARE(readRegistryText(hostKey), read);
    QCOMPARE(readRegistryText(hostKey.toLower()), read);
    QVERIFY(readRegistryText(hostKey + QLatin1String("\\Missing")).isEmpty());
}

void tst_CRegistry::textHelperReportsWriteFailure()
{
    // A regular file where the folder should be cannot be fixed by creating folders.
    const QString blocker = m_dir->filePath(QStringLiteral("blocker"));
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    qputenv("PELKOR_REGISTRY", QFile::encodeName(blocker + QLatin1String("/registry.reg")));

    QString error;
    QVERIFY(!writeRegistryText(hostKey, QStringLiteral("x"), &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!writeRegistryText(hostKey, QStringLiteral("x")));

    cRegistry registry = makeRegistry(hostKey);
    QCOMPARE(registry.CreateKey(), int(cRegistry::ERROR_ACCESS_DENIED));
    QVERIFY(!registry.RegError().isEmpty());
    registry.setValue(QStringLiteral("x"));
    QCOMPARE(registry.RegErrorCode(), int(cRegistry::ERROR_ACCESS_DENIED));
    QVERIFY(!registry.LastWritten().isValid());
    QVERIFY(readRegistryText(hostKey).isEmpty());
}

void tst_CRegistry::missingReadsReturnDefault_data()
{
    QTest::addColumn<QString>("sectionKey");
    QTest::addColumn<QString>("valueKey");
    QTest::addColumn<QVariant>("defaultValue");

    QTest::newRow("missing key") << "Software\\Nobody\\Here"
                                 << "Host" << QVariant(QStringLiteral("fallback"));
    QTest::newRow("missing named value") << "Software\\Quillon"
                                         << "Port" << QVariant(5432);
    QTest::newRow("missing default value") << "Software\\Quillon"
                                           << "" << QVariant(QByteArray("\x01", 1));
    QTest::newRow("invalid default") << "Software\\Nobody"
                                     << "" << QVariant();
}

void tst_CRegistry::missingReadsReturnDefault()
{
    QFETCH(QString, sectionKey);
    QFETCH(QString, valueKey);
    QFETCH(QVariant, defaultValue);

    cRegistry writer = makeRegistry(QStringLiteral("Software\\Quillon"), QStringLiteral("Other"));
    writer.setValue(QStringLiteral("present"));
    QCOMPARE(writer.RegErrorCode(), 0);

    cRegistry reader = makeRegistry(sectionKey, valueKey, cRegistry::REG_DWORD);
    reader.setDefault(defaultValue);
    QCOMPARE(reader.Default(), defaultValue);
    QCOMPARE(reader.Value(), defaultValue);
    QCOMPARE(reader.RegErrorCode(), int(cRegistry::ERROR_NOT_FOUND));
    QVERIFY(!reader.RegError().isEmpty());
    QCOMPARE(reader.ValueType(), int(cRegistry::REG_DWORD));

    // Without any file at all the answer is the same.
    QVERIFY(QFile::remove(m_storePath));
    QCOMPARE(reader.Value(), defaultValue);
    QCOMPARE(reader.RegErrorCode(), int(cRegistry::ERROR_NOT_FOUND));
}

void tst_CRegistry::unknownHiveIsAnError()
{
    cRegistry registry(0x12345678u, hostKey);
    registry.setDefault(QStringLiteral("fallback"));
    QCOMPARE(registry.Value(), QVariant(QStringLiteral("fallback")));
    QCOMPARE(registry.RegErrorCode(), int(cRegistry::ERROR_INVALID_HANDLE));
    QVERIFY(!registry.KeyExists());
    QCOMPARE(registry.CreateKey(), int(cRegistry::ERROR_INVALID_HANDLE));
    registry.setValue(QStringLiteral("x"));
    QCOMPARE(registry.RegErrorCode(), int(cRegistry::ERROR_INVALID_HANDLE));
    QVERIFY(!QFile::exists(m_storePath));
}

void tst_CRegistry::writeCreatesWholePath()
{
    QVERIFY(!makeRegistry(hostKey).KeyExists());

    cRegistry writer = makeRegistry(hostKey);
    writer.setValue(QStringLiteral("127.0.0.1"));
    QCOMPARE(writer.RegErrorCode(), 0);
    QVERIFY(QFile::exists(m_storePath));

    const QStringList parts = hostKey.split(QLatin1Char('\\'));
    for (qsizetype depth = 1; depth <= parts.size(); ++depth) {
        const QString section = parts.mid(0, depth).join(QLatin1Char('\\'));
        cRegistry level = makeRegistry(section);
        QVERIFY2(level.KeyExists(), qPrintable(section));

        QStringList children;
        int count = -1;
        QCOMPARE(level.EnumerateSections(children, count), 0);
        const QStringList expected
            = depth < parts.size() ? QStringList{parts.at(depth)} : QStringList();
        QCOMPARE(children, expected);
        QCOMPARE(count, int(expected.size()));
    }

    QStringList roots;
    int rootCount = 0;
    QCOMPARE(makeRegistry(QString()).EnumerateSections(roots, rootCount), 0);
    QCOMPARE(roots, QStringList{QStringLiteral("Software")});
    QCOMPARE(rootCount, 1);

    QStringList none;
    int noneCount = -1;
    cRegistry missing = makeRegistry(QStringLiteral("Software\\Missing"));
    QCOMPARE(missing.EnumerateSections(none, noneCount), int(cRegistry::ERROR_NOT_FOUND));
    QVERIFY(none.isEmpty());
    QCOMPARE(noneCount, 0);

    // Only direct children are listed.
    QVERIFY(makeRegistry(QStringLiteral("Software\\Quillon\\Other\\Deep")).CreateKey() == 0);
    QStringList quillon;
    int quillonCount = 0;
    QCOMPARE(
        makeRegistry(QStringLiteral("Software\\Quillon")).EnumerateSections(quillon, quillonCount),
        0);
    quillon.sort();
    QCOMPARE(quillon, (QStringList{QStringLiteral("Other"), QStringLiteral("Pelkor20")}));
    QCOMPARE(quillonCount, 2);
}

void tst_CRegistry::emptyKeySurvivesReload()
{
    const QString section = QStringLiteral("Software\\Quillon\\Empty");
    cRegistry creator = makeRegistry(section);
    QCOMPARE(creator.CreateKey(), 0);
    QVERIFY(creator.RegError().isEmpty());
    // Opening an existing key is not an error either.
    QCOMPARE(creator.CreateKey(), 0);

    // Another key written afterwards rewrites the file; the empty one must stay.
    QVERIFY(writeRegistryText(hostKey, QStringLiteral("x")));

    cRegistry fresh = makeRegistry(section);
    QVERIFY(fresh.KeyExists());
    QStringList values;
    int count = -1;
    QCOMPARE(fresh.EnumerateValues(values, count), 0);
    QVERIFY(values.isEmpty());
    QCOMPARE(count, 0);

    // Its last value deleted, a key still exists, and so does a parent whose last sub-key went.
    cRegistry named = makeRegistry(section, QStringLiteral("Only"));
    named.setValue(QStringLiteral("v"));
    QCOMPARE(named.DeleteValue(), 0);
    QVERIFY(makeRegistry(section).KeyExists());
    QCOMPARE(makeRegistry(hostKey).DeleteKey(), 0);
    QVERIFY(makeRegistry(QStringLiteral("Software\\Quillon\\Pelkor20\\4")).KeyExists());
}

void tst_CRegistry::keyPathsIgnoreCase()
{
    cRegistry writer
        = makeRegistry(QStringLiteral("Software\\Quillon\\Pelkor"), QStringLiteral("Host"));
    writer.setValue(QStringLiteral("first"));

    cRegistry reader
        = makeRegistry(QStringLiteral("SOFTWARE\\quillon\\pElKoR"), QStringLiteral("HOST"));
    QVERIFY(reader.KeyExists());
    QCOMPARE(reader.Value().toString(), QStringLiteral("first"));

    // Writing through another spelling updates the same value and keeps the first spelling.
    reader.setValue(QStringLiteral("second"));
    QCOMPARE(writer.Value().toString(), QStringLiteral("second"));

    QStringList values;
    int count = 0;
    QCOMPARE(writer.EnumerateValues(values, count), 0);
    QCOMPARE(values, QStringList{QStringLiteral("Host")});

    // A new child under a differently spelled parent hangs off the existing parent.
    QCOMPARE(makeRegistry(QStringLiteral("software\\QUILLON\\NewChild")).CreateKey(), 0);
    QStringList sections;
    QCOMPARE(makeRegistry(QStringLiteral("Software")).EnumerateSections(sections, count), 0);
    QCOMPARE(sections, QStringList{QStringLiteral("Quillon")});
    QCOMPARE(
        makeRegistry(QStringLiteral("Software\\Quillon")).EnumerateSections(sections, count), 0);
    sections.sort();
    QCOMPARE(sections, (QStringList{QStringLiteral("NewChild"), QStringLiteral("Pelkor")}));

    const QByteArray file = readStoreFile();
    QVERIFY(file.contains("Quillon\\NewChild"));
    QVERIFY(!file.contains("QUILLON"));
    QVERIFY(!file.contains("HOST"));
}

void tst_CRegistry::dwordValues_data()
{
    QTest::addColumn<QVariant>("written");
    QTest::addColumn<bool>("stored");
    QTest::addColumn<int>("read");

    QTest::newRow("int") << QVariant(10) << true << 10;
    QTest::newRow("negative int") << QVariant(-42) << true << -42;
    QTest::newRow("int max") << QVariant(std::numeric_limits<int>::max()) << true
                             << std::numeric_limits<int>::max();
    QTest::newRow("short") << QVariant::fromValue<short>(-7) << true << -7;
    QTest::newRow("ushort") << QVariant::fromValue<ushort>(65535) << true << 65535;
    QTest::newRow("uint") << QVariant(3000u) << true << 3000;
    QTest::newRow("uint all bits") << QVariant(0xffffffffu) << true << -1;
    QTest::newRow("numeric string") << QVariant(QStringLiteral("10")) << false << 0;
    QTest::newRow("64-bit") << QVariant(qlonglong(10)) << false << 0;
    QTest::newRow("double") << QVariant(1.5) << false << 0;
    QTest::newRow("bool") << QVariant(true) << false << 0;
    QTest::newRow("invalid") << QVariant() << false << 0;
}

void tst_CRegistry::dwordValues()
{
    QFETCH(QVariant, written);
    QFETCH(bool, stored);
    QFETCH(int, read);

    cRegistry writer = makeRegistry(hostKey, QStringLiteral("Count"), cRegistry::REG_DWORD);
    writer.setValue(written);
    QCOMPARE(writer.RegErrorCode(), 0);
    QCOMPARE(writer.LastWritten().isValid(), stored);

    cRegistry reader = makeRegistry(hostKey, QStringLiteral("Count"));
    reader.setDefault(QStringLiteral("unset"));
    const QVariant value = reader.Value();
    if (stored) {
        QCOMPARE(value.metaType().id(), int(QMetaType::Int));
        QCOMPARE(value.toInt(), read);
        QCOMPARE(reader.ValueType(), int(cRegistry::REG_DWORD));
    } else {
        QCOMPARE(value, QVariant(QStringLiteral("unset")));
        QVERIFY(!QFile::exists(m_storePath));
    }
}

void tst_CRegistry::binaryValues()
{
    QByteArray bytes;
    for (int i = 0; i < 300; ++i)
        bytes.append(char(i * 7));
    bytes.append('\0');

    const QList<QByteArray> samples = {bytes, QByteArray(), QByteArray("\x00\xff", 2)};
    for (const QByteArray &sample : samples) {
        cRegistry writer = makeRegistry(hostKey, QStringLiteral("Blob"), cRegistry::REG_BINARY);
        writer.setValue(sample);
        QCOMPARE(writer.RegErrorCode(), 0);

        cRegistry reader = makeRegistry(hostKey, QStringLiteral("Blob"));
        const QVariant value = reader.Value();
        QCOMPARE(value.metaType().id(), int(QMetaType::QByteArray));
        QCOMPARE(value.toByteArray(), sample);
        QCOMPARE(reader.ValueType(), int(cRegistry::REG_BINARY));
    }
}

void tst_CRegistry::binaryRequiresByteArray_data()
{
    QTest::addColumn<QVariant>("written");

    QTest::newRow("string") << QVariant(QStringLiteral("01,02"));
    QTest::newRow("int") << QVariant(1);
    QTest::newRow("invalid") << QVariant();
}

void tst_CRegistry::binaryRequiresByteArray()
{
    QFETCH(QVariant, written);

    cRegistry writer = makeRegistry(hostKey, QStringLiteral("Blob"), cRegistry::REG_BINARY);
    writer.setValue(written);
    QCOMPARE(writer.RegErrorCode(), int(cRegistry::ERROR_BINARY_EXPECTED));
    QVERIFY(!writer.RegError().isEmpty());
    QVERIFY(!writer.LastWritten().isValid());
    QVERIFY(!writer.KeyExists());
    QVERIFY(!QFile::exists(m_storePath));
}

void tst_CRegistry::unsupportedTypeIsRejected_data()
{
    QTest::addColumn<int>("type");

    QTest::newRow("none") << 0;
    QTest::newRow("multi-string") << int(cRegistry::REG_MULTI_SZ);
    QTest::newRow("qword") << 11;
    QTest::newRow("negative") << -1;
}

void tst_CRegistry::unsupportedTypeIsRejected()
{
    QFETCH(int, type);

    cRegistry writer = makeRegistry(hostKey, QStringLiteral("Odd"), type);
    writer.setValue(QStringLiteral("text"));
    QCOMPARE(writer.RegErrorCode(), int(cRegistry::ERROR_INVALID_DATA));
    QVERIFY(!writer.RegError().isEmpty());
    QVERIFY(!QFile::exists(m_storePath));

    // The failure of one call does not stick to the next one.
    writer.setValueType(cRegistry::REG_SZ);
    writer.setValue(QStringLiteral("text"));
    QCOMPARE(writer.RegErrorCode(), 0);
    QVERIFY(writer.RegError().isEmpty());
}

void tst_CRegistry::deleteValue()
{
    cRegistry registry = makeRegistry(hostKey, QStringLiteral("Host"));
    registry.setValue(QStringLiteral("a"));
    registry.setValueKey(QStringLiteral("Keep"));
    registry.setValue(QStringLiteral("b"));

    registry.setValueKey(QStringLiteral("HOST"));
    QCOMPARE(registry.DeleteValue(), 0);
    registry.setDefault(QStringLiteral("gone"));
    QCOMPARE(registry.Value(), QVariant(QStringLiteral("gone")));
    QCOMPARE(registry.DeleteValue(), int(cRegistry::ERROR_NOT_FOUND));
    QVERIFY(!registry.RegError().isEmpty());

    registry.setValueKey(QStringLiteral("Keep"));
    QCOMPARE(registry.Value(), QVariant(QStringLiteral("b")));
    QVERIFY(registry.KeyExists());

    cRegistry missing = makeRegistry(QStringLiteral("Software\\Missing"), QStringLiteral("Keep"));
    QCOMPARE(missing.DeleteValue(), int(cRegistry::ERROR_NOT_FOUND));
}

void tst_CRegistry::deleteKey()
{
    QVERIFY(writeRegistryText(hostKey, QStringLiteral("x")));
    const QString parent = QStringLiteral("Software\\Quillon\\Pelkor20\\4");

    cRegistry parentKey = makeRegistry(parent);
    QCOMPARE(parentKey.DeleteKey(), int(cRegistry::ERROR_ACCESS_DENIED));
    QVERIFY(!parentKey.RegError().isEmpty());
    QVERIFY(parentKey.KeyExists());

    cRegistry child = makeRegistry(hostKey.toUpper());
    QCOMPARE(child.DeleteKey(), 0);
    QVERIFY(!makeRegistry(hostKey).KeyExists());
    QVERIFY(readRegistryText(hostKey).isEmpty());
    QCOMPARE(child.DeleteKey(), int(cRegistry::ERROR_NOT_FOUND));

    QCOMPARE(parentKey.DeleteKey(), 0);
    QVERIFY(!parentKey.KeyExists());
    QVERIFY(makeRegistry(QStringLiteral("Software\\Quillon\\Pelkor20")).KeyExists());

    QCOMPARE(makeRegistry(QString()).DeleteKey(), int(cRegistry::ERROR_ACCESS_DENIED));
}

void tst_CRegistry::enumerateValues()
{
    cRegistry registry = makeRegistry(hostKey);
    registry.setValue(QStringLiteral("default"));
    registry.setValueKey(QStringLiteral("Port"));
    registry.setValueType(cRegistry::REG_DWORD);
    registry.setValue(5432);
    registry.setValueKey(QStringLiteral("Name"));
    registry.setValueType(cRegistry::REG_SZ);
    registry.setValue(QStringLiteral("pelkor"));

    QStringList names{QStringLiteral("stale")};
    int count = -1;
    QCOMPARE(registry.EnumerateValues(names, count), 0);
    names.sort();
    QCOMPARE(names, (QStringList{QString(), QStringLiteral("Name"), QStringLiteral("Port")}));
    QCOMPARE(count, 3);

    cRegistry missing = makeRegistry(QStringLiteral("Software\\Missing"));
    QCOMPARE(missing.EnumerateValues(names, count), int(cRegistry::ERROR_NOT_FOUND));
    QVERIFY(names.isEmpty());
    QCOMPARE(count, 0);
}

QTEST_GUILESS_MAIN(tst_CRegistry)

#include "tst_cregistry.moc"
