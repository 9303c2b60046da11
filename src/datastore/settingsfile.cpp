#include "datastore/settingsfile.h"

#include "datastore/oldregistryfile.h"
#include "datastore/prompt.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QStringList>

namespace SettingsFile {

const QLatin1String EmptyKeyMarker(".empty");

namespace {

// A reader that finds an old file moves it when it can do so at once, and otherwise
// reads it as it is.
constexpr int moveLockWaitMs = 100;
constexpr QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
// Present in every file of the current format; a file without it is an old one.
const QLatin1String versionKey("Version");
constexpr int currentVersion = 2;

const QLatin1String dwordTag("dword");
const QLatin1String multiTag("multi");
const QLatin1String rawTag("raw");

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString oldCopyPath(const QString &path)
{
    return path + QLatin1String(".old");
}

// A damaged old file is worth one message per program run, not one per setting read.
void reportDamageOnce(const QString &path, int line)
{
    static QSet<QString> reported;
    if (reported.contains(path))
        return;
    reported.insert(path);
    Prompt::message(QStringLiteral("设置文件 %1 已损坏，第 %2 行的内容无法识别。\n"
                                   "能读懂的设置照常使用并转存为新格式，原文件保留为“%3”。")
                        .arg(native(path), QString::number(line), native(oldCopyPath(path))),
        QStringLiteral("设置文件已损坏"), Prompt::Icon::Warning);
}

QVariant storedOldValue(const OldRegistryFile::Value &value)
{
    switch (value.type) {
    case String:
    case ExpandString: {
        // The terminator and anything after it were never part of the text.
        const QString text = OldRegistryFile::fromUtf16Le(value.data);
        return storedText(text.left(text.indexOf(QChar(0))));
    }
    case Dword:
        return storedDword(OldRegistryFile::decodeDword(value.data));
    case MultiString: {
        QStringList items = OldRegistryFile::decodeMulti(value.data);
        // A list of one item would read back as plain text.
        if (items.isEmpty())
            items.append(QString());
        return QStringList{multiTag} + items;
    }
    case Binary:
        return value.data;
    default:
        return QStringList{
            rawTag, QString::number(value.type), QString::fromLatin1(value.data.toHex())};
    }
}

bool isEmptyGroup(QSettings &settings, const QString &group)
{
    settings.beginGroup(group);
    const bool empty = settings.childKeys().isEmpty() && settings.childGroups().isEmpty();
    settings.endGroup();
    return empty;
}

void fillFromOldFile(const QString &path, const QByteArray &bytes, QSettings &settings)
{
    const OldRegistryFile::Store old = OldRegistryFile::parse(bytes);
    if (old.damagedLine > 0)
        reportDamageOnce(path, old.damagedLine);
    settings.clear();
    for (const OldRegistryFile::Key &key : old.keys) {
        const QString group = key.path.join(QLatin1Char('/'));
        for (const OldRegistryFile::Value &value : key.values)
            settings.setValue(
                group + QLatin1Char('/') + keyOfValue(value.name), storedOldValue(value));
    }
    // Parents were listed as keys of their own; only keys left empty need the marker.
    for (const OldRegistryFile::Key &key : old.keys) {
        const QString group = key.path.join(QLatin1Char('/'));
        if (key.path.size() > 1 && isEmptyGroup(settings, group))
            settings.setValue(group + QLatin1Char('/') + EmptyKeyMarker, QString());
    }
}

bool readFile(const QString &path, QByteArray *bytes, QString *error)
{
    bytes->clear();
    QFile file(path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("无法读取设置文件 %1：%2").arg(native(path), file.errorString());
        return false;
    }
    *bytes = file.readAll();
    return true;
}

bool isOldFormat(const QString &path, const QByteArray &bytes)
{
    return !bytes.isEmpty() && !QSettings(path, QSettings::IniFormat).contains(versionKey);
}

bool replaceFile(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("无法写入设置文件 %1：%2").arg(native(path), file.errorString());
        return false;
    }
    // Restrict the temporary file before any data lands in it; the file holds credentials.
    file.setPermissions(ownerOnly);
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        *error = QStringLiteral("无法写入设置文件 %1：%2").arg(native(path), file.errorString());
        file.cancelWriting();
        return false;
    }
    // Not every file system keeps the temporary file's mode across the rename.
    QFile::setPermissions(path, ownerOnly);
    return true;
}

} // namespace

QVariant storedText(const QString &text)
{
    // A NUL never reaches the file: dropped, as the database drops it.
    QString kept = text;
    kept.remove(QChar(0));
    return kept;
}

QVariant storedDword(quint32 number)
{
    return QStringList{dwordTag, QString::number(number)};
}

int textType(const QString &text)
{
    const qsizetype first = text.indexOf(QLatin1Char('%'));
    const bool expandable = first >= 0 && text.indexOf(QLatin1Char('%'), first + 2) >= 0;
    return expandable ? ExpandString : String;
}

QVariant readBack(const QVariant &stored, int *type)
{
    if (stored.metaType().id() == QMetaType::QByteArray) {
        *type = Binary;
        return stored;
    }
    if (stored.metaType().id() == QMetaType::QStringList) {
        const QStringList list = stored.toStringList();
        const QString tag = list.value(0);
        if (tag == dwordTag) {
            *type = Dword;
            return int(list.value(1).toUInt());
        }
        if (tag == multiTag) {
            *type = MultiString;
            return list.value(1);
        }
        if (tag == rawTag) {
            *type = list.value(1).toInt();
            return QByteArray::fromHex(list.value(2).toLatin1());
        }
    }
    // Also text typed by hand with commas in it, which QSettings hands back as a list.
    QString text = stored.metaType().id() == QMetaType::QStringList
        ? stored.toStringList().join(QLatin1String(", "))
        : stored.toString();
    text.remove(QChar(0));
    *type = textType(text);
    return text;
}

QString keyOfValue(const QString &valueName)
{
    if (valueName.isEmpty())
        return QStringLiteral(".");
    return valueName.startsWith(QLatin1Char('.')) ? QLatin1Char('.') + valueName : valueName;
}

bool valueOfKey(const QString &key, QString *valueName)
{
    if (key == EmptyKeyMarker)
        return false;
    if (key == QLatin1String("."))
        valueName->clear();
    else
        *valueName = key.startsWith(QLatin1Char('.')) ? key.mid(1) : key;
    return true;
}

Reader::Reader(const QString &path)
{
    QByteArray bytes;
    if (!readFile(path, &bytes, &m_error))
        return;
    if (!isOldFormat(path, bytes)) {
        m_settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
        return;
    }
    {
        Change move(path, moveLockWaitMs);
        QString ignored;
        if (move.begin(&ignored) && move.commit(&ignored)) {
            m_settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
            return;
        }
    }
    // The folder cannot be written or the file is busy: read the old file as it is.
    m_scratch = std::make_unique<QTemporaryDir>();
    m_settings = std::make_unique<QSettings>(
        m_scratch->filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    fillFromOldFile(path, bytes, *m_settings);
}

Reader::~Reader() = default;

Change::Change(const QString &path, int lockWaitMs)
    : m_path(path), m_lock(path + QLatin1String(".lock")), m_lockWaitMs(lockWaitMs)
{
}

Change::~Change() = default;

bool Change::begin(QString *error)
{
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("无法创建文件夹 %1").arg(native(folder));
        return false;
    }
    if (!m_lock.tryLock(m_lockWaitMs)) {
        *error = lockFailure(m_lock.error(), m_path);
        return false;
    }
    QByteArray bytes;
    if (!readFile(m_path, &bytes, error))
        return false;
    m_fromOldFile = isOldFormat(m_path, bytes);
    // An old file's settings are filled in below; its text means nothing to QSettings.
    QByteArray old;
    if (m_fromOldFile)
        old.swap(bytes);
    m_scratch = std::make_unique<QTemporaryDir>();
    const QString copy = m_scratch->filePath(QStringLiteral("settings.ini"));
    QFile scratch(copy);
    if (!m_scratch->isValid() || !scratch.open(QIODevice::WriteOnly)
        || scratch.write(bytes) != bytes.size()) {
        *error = QStringLiteral("无法为设置文件 %1 建立临时副本").arg(native(m_path));
        return false;
    }
    scratch.close();
    m_settings = std::make_unique<QSettings>(copy, QSettings::IniFormat);
    if (m_fromOldFile)
        fillFromOldFile(m_path, old, *m_settings);
    return true;
}

bool Change::commit(QString *error)
{
    m_settings->setValue(versionKey, currentVersion);
    m_settings->sync();
    QFile scratch(m_settings->fileName());
    // A line QSettings could not read in a file edited by hand is dropped, not a reason to
    // refuse every later change.
    if (m_settings->status() == QSettings::AccessError || !scratch.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("无法生成设置文件 %1 的新内容").arg(native(m_path));
        return false;
    }
    const QByteArray bytes = scratch.readAll();
    if (m_fromOldFile) {
        const QString keep = oldCopyPath(m_path);
        QFile::remove(keep);
        if (!QFile::copy(m_path, keep)) {
            *error = QStringLiteral("无法把旧设置文件 %1 保留为 %2，未作修改")
                         .arg(native(m_path), native(keep));
            return false;
        }
        // The copy holds the same password as the original.
        QFile::setPermissions(keep, ownerOnly);
    }
    if (!replaceFile(m_path, bytes, error))
        return false;
    m_fromOldFile = false;
    return true;
}

QString lockFailure(QLockFile::LockError reason, const QString &path)
{
    const QString lock = native(path + QLatin1String(".lock"));
    switch (reason) {
    case QLockFile::LockFailedError:
        return QStringLiteral("设置文件 %1 正被其他程序使用").arg(native(path));
    case QLockFile::PermissionError:
        return QStringLiteral("没有权限写入设置文件所在的文件夹 %1（无法创建 %2）")
            .arg(native(QFileInfo(path).absolutePath()), lock);
    case QLockFile::NoError:
    case QLockFile::UnknownError:
        break;
    }
    return QStringLiteral("无法创建设置文件的锁文件 %1").arg(lock);
}

} // namespace SettingsFile
