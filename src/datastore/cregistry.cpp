#include "datastore/cregistry.h"

#include "datastore/settingsfile.h"

#include <QSettings>
#include <QStandardPaths>

namespace {

using SettingsFile::Change;
using SettingsFile::Reader;

struct HiveName {
    quint32 handle;
    const char *name;
};

const HiveName hiveNames[] = {
    {cRegistry::HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
    {cRegistry::HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {cRegistry::HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
    {cRegistry::HKEY_USERS, "HKEY_USERS"},
    {cRegistry::HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"},
};

QString hiveName(quint32 handle)
{
    for (const HiveName &hive : hiveNames) {
        if (hive.handle == handle)
            return QString::fromLatin1(hive.name);
    }
    return QString();
}

// QSettings separates groups with either slash, so neither can be part of a name.
bool validName(const QString &name)
{
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == QLatin1Char('/')
            || c == QLatin1Char('\\'))
            return false;
    }
    return true;
}

QString trimBlanks(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && text.at(last - 1) == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first);
}

QString joined(const QString &group, const QString &name)
{
    return group.isEmpty() ? name : group + QLatin1Char('/') + name;
}

// The registry compares names without regard to case; QSettings does not, so the stored
// spelling is looked up among the names that exist.
QString storedName(const QStringList &names, const QString &wanted)
{
    for (const QString &name : names) {
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            return name;
    }
    return QString();
}

QStringList childGroups(QSettings &settings, const QString &group)
{
    settings.beginGroup(group);
    QStringList groups = settings.childGroups();
    settings.endGroup();
    return groups;
}

// The stored spelling of a key path (hive first); empty when a part of it does not exist.
// The hive itself always exists, even before anything is stored in it.
QString storedGroup(QSettings &settings, const QStringList &path)
{
    QString group = path.first();
    for (qsizetype i = 1; i < path.size(); ++i) {
        const QString name = storedName(childGroups(settings, group), path.at(i));
        if (name.isEmpty())
            return QString();
        group = joined(group, name);
    }
    return group;
}

// Like storedGroup(), creating what is missing; existing parts keep their first spelling.
QString createGroup(QSettings &settings, const QStringList &path, bool *created)
{
    QString group = path.first();
    *created = false;
    for (qsizetype i = 1; i < path.size(); ++i) {
        QString name = storedName(childGroups(settings, group), path.at(i));
        if (name.isEmpty()) {
            name = path.at(i);
            *created = true;
        }
        group = joined(group, name);
    }
    if (*created)
        settings.setValue(joined(group, SettingsFile::EmptyKeyMarker), QString());
    return group;
}

struct ValueEntry {
    QString key; // the QSettings key inside the group
    QString name;
};

QList<ValueEntry> valuesOf(QSettings &settings, const QString &group)
{
    QList<ValueEntry> entries;
    settings.beginGroup(group);
    const QStringList keys = settings.childKeys();
    settings.endGroup();
    for (const QString &key : keys) {
        QString name;
        if (SettingsFile::valueOfKey(key, &name))
            entries.append({key, name});
    }
    return entries;
}

// The QSettings key of a value inside its group; empty when there is no such value.
QString storedValueKey(QSettings &settings, const QString &group, const QString &valueName)
{
    for (const ValueEntry &entry : valuesOf(settings, group)) {
        if (entry.name.compare(valueName, Qt::CaseInsensitive) == 0)
            return entry.key;
    }
    return QString();
}

// A key whose last value or sub-key went keeps existing, as in the registry.
void keepIfEmpty(QSettings &settings, const QString &group)
{
    settings.beginGroup(group);
    const bool empty = settings.childKeys().isEmpty() && settings.childGroups().isEmpty();
    settings.endGroup();
    if (empty)
        settings.setValue(joined(group, SettingsFile::EmptyKeyMarker), QString());
}

} // namespace

cRegistry::cRegistry() = default;

cRegistry::cRegistry(
    quint32 classKey, const QString &sectionKey, const QString &valueKey, int valueType)
    : m_classKey(classKey), m_sectionKey(sectionKey), m_valueKey(valueKey), m_valueType(valueType)
{
}

QString cRegistry::storePath()
{
    const QString fromEnvironment = qEnvironmentVariable("PELKOR_REGISTRY");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QLatin1String("/Pelkor/registry.reg");
}

void cRegistry::clearError()
{
    m_regError.clear();
    m_regErrorCode = ERROR_NONE;
}

int cRegistry::setError(int code, const QString &text)
{
    m_regErrorCode = code;
    m_regError = QStringLiteral("%1 (error %2)").arg(text).arg(code);
    return code;
}

QString cRegistry::locationText() const
{
    QString text = hiveName(m_classKey);
    if (text.isEmpty())
        text = QStringLiteral("0x%1").arg(m_classKey, 8, 16, QLatin1Char('0'));
    const QStringList parts = m_sectionKey.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (!parts.isEmpty())
        text += QLatin1Char('\\') + parts.join(QLatin1Char('\\'));
    return text;
}

int cRegistry::resolvePath(QStringList &path, bool forWriting)
{
    path.clear();
    const QString hive = hiveName(m_classKey);
    if (hive.isEmpty())
        return setError(
            ERROR_INVALID_HANDLE, QStringLiteral("未知的注册表根键 %1").arg(locationText()));
    // Doubled or outer backslashes are forgiven; callers glue paths together by hand.
    const QStringList parts = m_sectionKey.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (forWriting) {
        for (const QString &part : parts) {
            if (!validName(part))
                return setError(
                    ERROR_INVALID_DATA, QStringLiteral("无效的键名 %1").arg(locationText()));
        }
    }
    path = QStringList(hive) + parts;
    return ERROR_NONE;
}

QVariant cRegistry::Value()
{
    clearError();
    QStringList path;
    if (resolvePath(path, false) != ERROR_NONE)
        return m_default;
    Reader reader(storePath());
    if (!reader.ok()) {
        setError(ERROR_ACCESS_DENIED, reader.error());
        return m_default;
    }
    QSettings &settings = reader.settings();
    const QString group = storedGroup(settings, path);
    if (group.isEmpty()) {
        setError(ERROR_NOT_FOUND, QStringLiteral("键 %1 不存在").arg(locationText()));
        return m_default;
    }
    const QString key = storedValueKey(settings, group, m_valueKey);
    if (key.isEmpty()) {
        const QString what = m_valueKey.isEmpty() ? QStringLiteral("默认值")
                                                  : QStringLiteral("值“%1”").arg(m_valueKey);
        setError(ERROR_NOT_FOUND, QStringLiteral("%2 的%1不存在").arg(what, locationText()));
        return m_default;
    }
    return SettingsFile::readBack(settings.value(joined(group, key)), &m_valueType);
}

void cRegistry::setValue(const QVariant &value)
{
    clearError();
    QVariant stored;
    switch (m_valueType) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        QString text = value.toString();
        text.remove(QChar(0));
        // An empty string would look like a missing setting to older readers.
        if (text.isEmpty())
            text = QStringLiteral(" ");
        stored = SettingsFile::storedText(text);
        break;
    }
    case REG_BINARY:
        if (value.metaType().id() != QMetaType::QByteArray) {
            setError(ERROR_BINARY_EXPECTED,
                QStringLiteral("%1 的二进制数据必须是字节数组").arg(locationText()));
            return;
        }
        stored = value.toByteArray();
        break;
    case REG_DWORD:
        switch (value.metaType().id()) {
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Int:
            stored = SettingsFile::storedDword(quint32(value.toInt()));
            break;
        case QMetaType::UInt:
            stored = SettingsFile::storedDword(value.toUInt());
            break;
        default:
            // Callers rely on anything else being skipped quietly, not reported.
            return;
        }
        break;
    default:
        setError(ERROR_INVALID_DATA,
            QStringLiteral("不能把类型 %1 的值写入 %2").arg(m_valueType).arg(locationText()));
        return;
    }

    QStringList path;
    if (resolvePath(path, true) != ERROR_NONE)
        return;
    if (!validName(m_valueKey)) {
        setError(ERROR_INVALID_DATA,
            QStringLiteral("无效的值名“%1”（%2）").arg(m_valueKey, locationText()));
        return;
    }
    Change change(storePath());
    QString error;
    if (!change.begin(&error)) {
        setError(ERROR_ACCESS_DENIED, error);
        return;
    }
    QSettings &settings = change.settings();
    bool created = false;
    const QString group = createGroup(settings, path, &created);
    settings.remove(joined(group, SettingsFile::EmptyKeyMarker));
    // Keep the name as first written, like the registry does.
    QString key = storedValueKey(settings, group, m_valueKey);
    if (key.isEmpty())
        key = SettingsFile::keyOfValue(m_valueKey);
    settings.setValue(joined(group, key), stored);
    if (!change.commit(&error)) {
        setError(ERROR_ACCESS_DENIED, error);
        return;
    }
    m_lastWritten = value;
}

bool cRegistry::KeyExists()
{
    clearError();
    QStringList path;
    if (resolvePath(path, false) != ERROR_NONE)
        return false;
    if (path.size() == 1)
        return true; // the hive itself
    Reader reader(storePath());
    if (!reader.ok()) {
        setError(ERROR_ACCESS_DENIED, reader.error());
        return false;
    }
    return !storedGroup(reader.settings(), path).isEmpty();
}

int cRegistry::CreateKey()
{
    clearError();
    QStringList path;
    if (const int code = resolvePath(path, true))
        return code;
    if (path.size() == 1)
        return ERROR_NONE; // the hive always exists

    // Most calls open an existing key; don't take the lock or rewrite the file for those.
    {
        Reader reader(storePath());
        if (reader.ok() && !storedGroup(reader.settings(), path).isEmpty())
            return ERROR_NONE;
    }
    Change change(storePath());
    QString error;
    if (!change.begin(&error))
        return setError(ERROR_ACCESS_DENIED, error);
    bool created = false;
    createGroup(change.settings(), path, &created);
    if (created && !change.commit(&error))
        return setError(ERROR_ACCESS_DENIED, error);
    return ERROR_NONE;
}

int cRegistry::DeleteKey()
{
    clearError();
    QStringList path;
    if (const int code = resolvePath(path, false))
        return code;
    if (path.size() == 1)
        return setError(
            ERROR_ACCESS_DENIED, QStringLiteral("根键 %1 不能删除").arg(locationText()));

    Change change(storePath());
    QString error;
    if (!change.begin(&error))
        return setError(ERROR_ACCESS_DENIED, error);
    QSettings &settings = change.settings();
    const QString group = storedGroup(settings, path);
    if (group.isEmpty())
        return setError(ERROR_NOT_FOUND, QStringLiteral("键 %1 不存在").arg(locationText()));
    if (!childGroups(settings, group).isEmpty())
        return setError(
            ERROR_ACCESS_DENIED, QStringLiteral("键 %1 下还有子键").arg(locationText()));
    settings.remove(group);
    if (path.size() > 2)
        keepIfEmpty(settings, group.left(group.lastIndexOf(QLatin1Char('/'))));
    if (!change.commit(&error))
        return setError(ERROR_ACCESS_DENIED, error);
    return ERROR_NONE;
}

int cRegistry::DeleteValue()
{
    clearError();
    QStringList path;
    if (const int code = resolvePath(path, false))
        return code;
    Change change(storePath());
    QString error;
    if (!change.begin(&error))
        return setError(ERROR_ACCESS_DENIED, error);
    QSettings &settings = change.settings();
    const QString group = storedGroup(settings, path);
    if (group.isEmpty())
        return setError(ERROR_NOT_FOUND, QStringLiteral("键 %1 不存在").arg(locationText()));
    const QString key = storedValueKey(settings, group, m_valueKey);
    if (key.isEmpty())
        return setError(
            ERROR_NOT_FOUND, QStringLiteral("%2 的值“%1”不存在").arg(m_valueKey, locationText()));
    settings.remove(joined(group, key));
    if (path.size() > 1)
        keepIfEmpty(settings, group);
    if (!change.commit(&error))
        return setError(ERROR_ACCESS_DENIED, error);
    return ERROR_NONE;
}

int cRegistry::EnumerateValues(QStringList &names, int &count)
{
    clearError();
    names.clear();
    count = 0;
    QStringList path;
    if (const int code = resolvePath(path, false))
        return code;
    Reader reader(storePath());
    if (!reader.ok())
        return setError(ERROR_ACCESS_DENIED, reader.error());
    const QString group = storedGroup(reader.settings(), path);
    if (group.isEmpty())
        return setError(ERROR_NOT_FOUND, QStringLiteral("键 %1 不存在").arg(locationText()));
    for (const ValueEntry &entry : valuesOf(reader.settings(), group))
        names.append(entry.name);
    count = int(names.size());
    return ERROR_NONE;
}

int cRegistry::EnumerateSections(QStringList &names, int &count)
{
    clearError();
    names.clear();
    count = 0;
    QStringList path;
    if (const int code = resolvePath(path, false))
        return code;
    Reader reader(storePath());
    if (!reader.ok())
        return setError(ERROR_ACCESS_DENIED, reader.error());
    const QString group = storedGroup(reader.settings(), path);
    if (group.isEmpty())
        return setError(ERROR_NOT_FOUND, QStringLiteral("键 %1 不存在").arg(locationText()));
    names = childGroups(reader.settings(), group);
    count = int(names.size());
    return ERROR_NONE;
}

QString readRegistryText(const QString &sectionKey)
{
    cRegistry registry(cRegistry::HKEY_LOCAL_MACHINE, sectionKey, QString(), cRegistry::REG_SZ);
    if (!registry.KeyExists())
        return QString();
    return trimBlanks(registry.Value().toString());
}

bool writeRegistryText(const QString &sectionKey, const QString &text, QString *error)
{
    cRegistry registry(cRegistry::HKEY_LOCAL_MACHINE, sectionKey, QString(), cRegistry::REG_SZ);
    if (!registry.KeyExists() && registry.CreateKey() != cRegistry::ERROR_NONE) {
        if (error)
            *error = registry.RegError();
        return false;
    }
    registry.setValue(text);
    if (registry.RegErrorCode() != cRegistry::ERROR_NONE) {
        if (error)
            *error = registry.RegError();
        return false;
    }
    if (error)
        error->clear();
    return true;
}
