#include "datastore/cregistry.h"

#include "datastore/prompt.h"
#include "datastore/registryfile.h"

#include <QDir>
#include <QSet>
#include <QStandardPaths>

namespace {

using RegistryFile::createPath;
using RegistryFile::decodeDword;
using RegistryFile::encodeDword;
using RegistryFile::encodeString;
using RegistryFile::findKey;
using RegistryFile::findValue;
using RegistryFile::fromUtf16Le;
using RegistryFile::hasPrefix;
using RegistryFile::hiveName;
using RegistryFile::Store;
using StoredKey = RegistryFile::Key;
using StoredValue = RegistryFile::Value;

// A damaged file is worth one message per program run, not one per setting read.
void reportDamageOnce(const QString &path, int line)
{
    static QSet<QString> reported;
    if (reported.contains(path))
        return;
    reported.insert(path);
    Prompt::message(QStringLiteral("设置文件 %1 已损坏，第 %2 行的内容无法识别。\n"
                                   "能读懂的设置照常使用；下次保存设置时，原文件会先另存为"
                                   "“%1.damaged-日期-时间”，然后才被替换。")
                        .arg(QDir::toNativeSeparators(path), QString::number(line)),
        QStringLiteral("设置文件已损坏"), Prompt::Icon::Warning);
}

int loadStore(const QString &path, Store *store, QString *error)
{
    if (!RegistryFile::load(path, store, error))
        return cRegistry::ERROR_ACCESS_DENIED;
    if (store->damagedLine > 0)
        reportDamageOnce(path, store->damagedLine);
    return cRegistry::ERROR_NONE;
}

// The file's read-modify-write with the registry's error codes.
class StoreChange {
public:
    explicit StoreChange(const QString &path) : m_change(path), store(m_change.store) { }

    int begin(QString *error)
    {
        if (!m_change.begin(error))
            return cRegistry::ERROR_ACCESS_DENIED;
        if (store.damagedLine > 0)
            reportDamageOnce(cRegistry::storePath(), store.damagedLine);
        return cRegistry::ERROR_NONE;
    }

    int commit(QString *error)
    {
        return m_change.commit(error) ? cRegistry::ERROR_NONE : cRegistry::ERROR_ACCESS_DENIED;
    }

private:
    RegistryFile::Change m_change;

public:
    Store &store;
};

bool validKeyName(const QString &name)
{
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
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
            if (!validKeyName(part))
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
    Store store;
    QString error;
    if (const int code = loadStore(storePath(), &store, &error)) {
        setError(code, error);
        return m_default;
    }
    const qsizetype keyIndex = findKey(store, path);
    if (keyIndex < 0 && path.size() > 1) {
        setError(ERROR_NOT_FOUND, QStringLiteral("键 %1 不存在").arg(locationText()));
        return m_default;
    }
    const qsizetype valueIndex = keyIndex < 0 ? -1 : findValue(store.keys.at(keyIndex), m_valueKey);
    if (valueIndex < 0) {
        const QString what = m_valueKey.isEmpty() ? QStringLiteral("默认值")
                                                  : QStringLiteral("值“%1”").arg(m_valueKey);
        setError(ERROR_NOT_FOUND, QStringLiteral("%2 的%1不存在").arg(what, locationText()));
        return m_default;
    }

    const StoredValue &value = store.keys.at(keyIndex).values.at(valueIndex);
    m_valueType = value.type;
    switch (value.type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
    case REG_MULTI_SZ: {
        // A multi-string is a run of null-terminated strings, so this yields its first one.
        const QString text = fromUtf16Le(value.data);
        const qsizetype end = text.indexOf(QChar(0));
        return end < 0 ? text : text.left(end);
    }
    case REG_DWORD:
        return int(decodeDword(value.data));
    default:
        return value.data;
    }
}

void cRegistry::setValue(const QVariant &value)
{
    clearError();
    StoredValue stored;
    stored.name = m_valueKey;
    switch (m_valueType) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        QString text = value.toString();
        // An empty string would look like a missing setting to older readers.
        if (text.isEmpty())
            text = QStringLiteral(" ");
        const qsizetype first = text.indexOf(QLatin1Char('%'));
        const bool expandable = first >= 0 && text.indexOf(QLatin1Char('%'), first + 2) >= 0;
        stored.type = expandable ? REG_EXPAND_SZ : REG_SZ;
        stored.data = encodeString(text);
        break;
    }
    case REG_BINARY:
        if (value.metaType().id() != QMetaType::QByteArray) {
            setError(ERROR_BINARY_EXPECTED,
                QStringLiteral("%1 的二进制数据必须是字节数组").arg(locationText()));
            return;
        }
        stored.type = REG_BINARY;
        stored.data = value.toByteArray();
        break;
    case REG_DWORD:
        switch (value.metaType().id()) {
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Int:
            stored.data = encodeDword(quint32(value.toInt()));
            break;
        case QMetaType::UInt:
            stored.data = encodeDword(value.toUInt());
            break;
        default:
            // Callers rely on anything else being skipped quietly, not reported.
            return;
        }
        stored.type = REG_DWORD;
        break;
    default:
        setError(ERROR_INVALID_DATA,
            QStringLiteral("不能把类型 %1 的值写入 %2").arg(m_valueType).arg(locationText()));
        return;
    }

    QStringList path;
    if (resolvePath(path, true) != ERROR_NONE)
        return;
    StoreChange change(storePath());
    QString error;
    if (const int code = change.begin(&error)) {
        setError(code, error);
        return;
    }
    bool changed = false;
    StoredKey &key = change.store.keys[createPath(change.store, path, &changed)];
    const qsizetype existing = findValue(key, stored.name);
    if (existing >= 0) {
        // Keep the name as first written, like the registry does.
        stored.name = key.values.at(existing).name;
        key.values[existing] = stored;
    } else {
        key.values.append(stored);
    }
    if (const int code = change.commit(&error)) {
        setError(code, error);
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
    Store store;
    QString error;
    if (const int code = loadStore(storePath(), &store, &error)) {
        setError(code, error);
        return false;
    }
    return findKey(store, path) >= 0;
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
    Store store;
    QString error;
    if (loadStore(storePath(), &store, &error) == ERROR_NONE && findKey(store, path) >= 0)
        return ERROR_NONE;

    StoreChange change(storePath());
    if (const int code = change.begin(&error))
        return setError(code, error);
    bool changed = false;
    createPath(change.store, path, &changed);
    if (!changed)
        return ERROR_NONE;
    if (const int code = change.commit(&error))
        return setError(code, error);
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

    StoreChange change(storePath());
    QString error;
    if (const int code = change.begin(&error))
        return setError(code, error);
    const qsizetype index = findKey(change.store, path);
    if (index < 0)
        return setError(ERROR_NOT_FOUND, QStringLiteral("键 %1 不存在").arg(locationText()));
    for (const StoredKey &key : std::as_const(change.store.keys)) {
        if (key.path.size() > path.size() && hasPrefix(key.path, path))
            return setError(
                ERROR_ACCESS_DENIED, QStringLiteral("键 %1 下还有子键").arg(locationText()));
    }
    change.store.keys.remove(index);
    if (const int code = change.commit(&error))
        return setError(code, error);
    return ERROR_NONE;
}

int cRegistry::DeleteValue()
{
    clearError();
    QStringList path;
    if (const int code = resolvePath(path, false))
        return code;
    StoreChange change(storePath());
    QString error;
    if (const int code = change.begin(&error))
        return setError(code, error);
    const qsizetype keyIndex = findKey(change.store, path);
    if (keyIndex < 0 && path.size() > 1)
        return setError(ERROR_NOT_FOUND, QStringLiteral("键 %1 不存在").arg(locationText()));
    const qsizetype valueIndex
        = keyIndex < 0 ? -1 : findValue(change.store.keys.at(keyIndex), m_valueKey);
    if (valueIndex < 0)
        return setError(
            ERROR_NOT_FOUND, QStringLiteral("%2 的值“%1”不存在").arg(m_valueKey, locationText()));
    change.store.keys[keyIndex].values.remove(valueIndex);
    if (const int code = change.commit(&error))
        return setError(code, error);
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
    Store store;
    QString error;
    if (const int code = loadStore(storePath(), &store, &error))
        return setError(code, error);
    const qsizetype index = findKey(store, path);
    if (index < 0) {
        if (path.size() == 1)
            return ERROR_NONE; // a hive without values of its own
        return setError(ERROR_NOT_FOUND, QStringLiteral("键 %1 不存在").arg(locationText()));
    }
    for (const StoredValue &value : store.keys.at(index).values)
        names.append(value.name);
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
    Store store;
    QString error;
    if (const int code = loadStore(storePath(), &store, &error))
        return setError(code, error);
    if (path.size() > 1 && findKey(store, path) < 0)
        return setError(ERROR_NOT_FOUND, QStringLiteral("键 %1 不存在").arg(locationText()));
    for (const StoredKey &key : std::as_const(store.keys)) {
        if (key.path.size() == path.size() + 1 && hasPrefix(key.path, path))
            names.append(key.path.last());
    }
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
