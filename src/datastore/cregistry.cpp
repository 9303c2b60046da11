#include "cregistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QVector>

#include <algorithm>

namespace {

// Values are kept as the raw bytes the Windows registry would hold (UTF-16LE strings with
// terminator, little-endian numbers). That way every type, including ones typed in by hand
// as hex(n), survives a load/save cycle unchanged and reading works the same for all of them.
struct StoredValue {
    QString name;
    int type = cRegistry::REG_SZ;
    QByteArray data;
};

struct StoredKey {
    QStringList path; // hive name first
    QVector<StoredValue> values;
};

struct Store {
    QVector<StoredKey> keys;
};

constexpr int lockTimeoutMs = 5000;
const QLatin1String fileHeader("; Pelkor settings store - registry-style, UTF-8, may be edited "
                               "by hand while Pelkor is not running.\n");

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

// Hand-edited files may spell the hive in any case; the file is always written in capitals.
QString canonicalHiveName(const QString &name)
{
    for (const HiveName &hive : hiveNames) {
        if (name.compare(QLatin1String(hive.name), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(hive.name);
    }
    return QString();
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// True when `path` starts with `prefix` (or equals it).
bool hasPrefix(const QStringList &path, const QStringList &prefix)
{
    if (path.size() < prefix.size())
        return false;
    for (qsizetype i = 0; i < prefix.size(); ++i) {
        if (!sameName(path.at(i), prefix.at(i)))
            return false;
    }
    return true;
}

bool samePath(const QStringList &a, const QStringList &b)
{
    return a.size() == b.size() && hasPrefix(a, b);
}

qsizetype findKey(const Store &store, const QStringList &path)
{
    for (qsizetype i = 0; i < store.keys.size(); ++i) {
        if (samePath(store.keys.at(i).path, path))
            return i;
    }
    return -1;
}

qsizetype findValue(const StoredKey &key, const QString &name)
{
    for (qsizetype i = 0; i < key.values.size(); ++i) {
        if (sameName(key.values.at(i).name, name))
            return i;
    }
    return -1;
}

// The hive itself is implicit and only gets an entry of its own when values are put there,
// so walking starts below it. Existing ancestors keep the spelling they were created with.
qsizetype createPath(Store &store, const QStringList &path, bool *changed)
{
    if (path.size() == 1) {
        qsizetype index = findKey(store, path);
        if (index < 0) {
            store.keys.append(StoredKey{path, {}});
            index = store.keys.size() - 1;
            *changed = true;
        }
        return index;
    }
    QStringList spelled = path.mid(0, 1);
    qsizetype index = -1;
    for (qsizetype i = 1; i < path.size(); ++i) {
        spelled.append(path.at(i));
        index = findKey(store, spelled);
        if (index >= 0) {
            spelled = store.keys.at(index).path;
        } else {
            store.keys.append(StoredKey{spelled, {}});
            index = store.keys.size() - 1;
            *changed = true;
        }
    }
    return index;
}

bool pathLess(const StoredKey &a, const StoredKey &b)
{
    const qsizetype common = std::min(a.path.size(), b.path.size());
    for (qsizetype i = 0; i < common; ++i) {
        const int order = a.path.at(i).compare(b.path.at(i), Qt::CaseInsensitive);
        if (order != 0)
            return order < 0;
    }
    return a.path.size() < b.path.size();
}

// --- raw value data ------------------------------------------------------------------------

QByteArray toUtf16Le(const QString &text)
{
    QByteArray out;
    out.reserve((text.size() + 1) * 2);
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        out.append(char(unit & 0xff));
        out.append(char(unit >> 8));
    }
    return out;
}

QString fromUtf16Le(const QByteArray &data)
{
    QString text;
    text.reserve(data.size() / 2);
    for (qsizetype i = 0; i + 1 < data.size(); i += 2) {
        const auto low = char16_t(uchar(data.at(i)));
        const auto high = char16_t(uchar(data.at(i + 1)));
        text.append(QChar(char16_t(low | (high << 8))));
    }
    return text;
}

QByteArray encodeString(const QString &text)
{
    return toUtf16Le(text + QChar(0));
}

QString decodeString(const QByteArray &data)
{
    QString text = fromUtf16Le(data);
    if (text.endsWith(QChar(0)))
        text.chop(1);
    return text;
}

QByteArray encodeMulti(const QStringList &items)
{
    if (items.isEmpty())
        return toUtf16Le(QString(QChar(0)));
    QString text;
    for (const QString &item : items)
        text += item + QChar(0);
    return toUtf16Le(text + QChar(0));
}

QStringList decodeMulti(const QByteArray &data)
{
    QString text = fromUtf16Le(data);
    if (text.isEmpty() || text == QString(QChar(0)))
        return {};
    if (text.endsWith(QChar(0)))
        text.chop(1);
    if (text.endsWith(QChar(0)))
        text.chop(1);
    return text.split(QChar(0));
}

QByteArray encodeDword(quint32 number)
{
    QByteArray out(4, '\0');
    for (int i = 0; i < 4; ++i)
        out[i] = char((number >> (8 * i)) & 0xff);
    return out;
}

quint32 decodeDword(const QByteArray &data)
{
    quint32 number = 0;
    for (qsizetype i = 0; i < std::min<qsizetype>(4, data.size()); ++i)
        number |= quint32(uchar(data.at(i))) << (8 * i);
    return number;
}

// --- text form -----------------------------------------------------------------------------

QString quote(const QString &text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        switch (c.unicode()) {
        case '\\':
            out += QLatin1String("\\\\");
            continue;
        case '"':
            out += QLatin1String("\\\"");
            continue;
        case '\n':
            out += QLatin1String("\\n");
            continue;
        case '\r':
            out += QLatin1String("\\r");
            continue;
        case '\t':
            out += QLatin1String("\\t");
            continue;
        case 0:
            out += QLatin1String("\\0");
            continue;
        default:
            break;
        }
        // Lone surrogates would be mangled by UTF-8, control characters by the line format.
        bool escape = c.unicode() < 0x20 || c.unicode() == 0x7f;
        if (c.isHighSurrogate())
            escape = i + 1 >= text.size() || !text.at(i + 1).isLowSurrogate();
        else if (c.isLowSurrogate())
            escape = i == 0 || !text.at(i - 1).isHighSurrogate();
        if (escape)
            out += QStringLiteral("\\u%1").arg(uint(c.unicode()), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    out += QLatin1Char('"');
    return out;
}

QString hexBytes(const QByteArray &data, qsizetype firstLineLength)
{
    // Wrapped like a regedit export so long blobs stay readable.
    constexpr qsizetype maxColumns = 96;
    QString out;
    qsizetype column = firstLineLength;
    for (qsizetype i = 0; i < data.size(); ++i) {
        out += QStringLiteral("%1").arg(uint(uchar(data.at(i))), 2, 16, QLatin1Char('0'));
        column += 2;
        if (i + 1 < data.size()) {
            out += QLatin1Char(',');
            ++column;
            if (column >= maxColumns - 4) {
                out += QLatin1String("\\\n  ");
                column = 2;
            }
        }
    }
    return out;
}

QString formatValue(const StoredValue &value)
{
    QString line = value.name.isEmpty() ? QStringLiteral("@") : quote(value.name);
    line += QLatin1Char('=');
    switch (value.type) {
    case cRegistry::REG_SZ:
    case cRegistry::REG_EXPAND_SZ: {
        const QString text = decodeString(value.data);
        if (encodeString(text) == value.data) {
            if (value.type == cRegistry::REG_EXPAND_SZ)
                line += QLatin1String("expand:");
            return line + quote(text);
        }
        break;
    }
    case cRegistry::REG_DWORD:
        if (value.data.size() == 4)
            return line
                + QStringLiteral("dword:%1").arg(decodeDword(value.data), 8, 16, QLatin1Char('0'));
        break;
    case cRegistry::REG_MULTI_SZ: {
        const QStringList items = decodeMulti(value.data);
        if (encodeMulti(items) == value.data) {
            QStringList quoted;
            for (const QString &item : items)
                quoted.append(quote(item));
            return line + QLatin1String("multi:") + quoted.join(QLatin1Char(','));
        }
        break;
    }
    case cRegistry::REG_BINARY:
        line += QLatin1String("hex:");
        return line + hexBytes(value.data, line.size());
    default:
        break;
    }
    // Whatever has no friendlier form (odd-length strings, unknown types) is kept byte-exact.
    line += QStringLiteral("hex(%1):").arg(uint(value.type), 0, 16);
    return line + hexBytes(value.data, line.size());
}

QByteArray formatStore(Store store)
{
    std::stable_sort(store.keys.begin(), store.keys.end(), pathLess);
    QString text = fileHeader;
    for (const StoredKey &key : std::as_const(store.keys)) {
        text += QLatin1String("\n[") + key.path.join(QLatin1Char('\\')) + QLatin1String("]\n");
        for (const StoredValue &value : key.values)
            text += formatValue(value) + QLatin1Char('\n');
    }
    return text.toUtf8();
}

void skipBlanks(const QString &line, qsizetype &pos)
{
    while (pos < line.size()
        && (line.at(pos) == QLatin1Char(' ') || line.at(pos) == QLatin1Char('\t')))
        ++pos;
}

bool parseQuoted(const QString &line, qsizetype &pos, QString *out)
{
    if (pos >= line.size() || line.at(pos) != QLatin1Char('"'))
        return false;
    ++pos;
    out->clear();
    while (pos < line.size()) {
        const QChar c = line.at(pos++);
        if (c == QLatin1Char('"'))
            return true;
        if (c != QLatin1Char('\\')) {
            out->append(c);
            continue;
        }
        if (pos >= line.size())
            return false;
        const QChar escaped = line.at(pos++);
        switch (escaped.unicode()) {
        case 'n':
            out->append(QLatin1Char('\n'));
            break;
        case 'r':
            out->append(QLatin1Char('\r'));
            break;
        case 't':
            out->append(QLatin1Char('\t'));
            break;
        case '0':
            out->append(QChar(0));
            break;
        case 'u': {
            bool ok = false;
            const uint unit = line.mid(pos, 4).toUInt(&ok, 16);
            if (!ok || line.mid(pos, 4).size() != 4)
                return false;
            out->append(QChar(char16_t(unit)));
            pos += 4;
            break;
        }
        default:
            // \\, \" and anything a person may have typed stand for the character itself.
            out->append(escaped);
            break;
        }
    }
    return false;
}

bool parseHex(const QString &text, QByteArray *out)
{
    out->clear();
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return true;
    const QStringList tokens = trimmed.split(QLatin1Char(','));
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const QString token = tokens.at(i).trimmed();
        if (token.isEmpty() && i == tokens.size() - 1)
            break; // trailing comma
        bool ok = false;
        const uint byte = token.toUInt(&ok, 16);
        if (!ok || token.size() > 2)
            return false;
        out->append(char(byte));
    }
    return true;
}

bool parseData(const QString &line, qsizetype pos, StoredValue *value)
{
    const QString rest = line.mid(pos);
    auto takePrefix = [&rest](const char *prefix, QString *tail) {
        const QLatin1String p(prefix);
        if (!rest.startsWith(p, Qt::CaseInsensitive))
            return false;
        *tail = rest.mid(p.size());
        return true;
    };
    auto parseSingleString = [](const QString &text, QString *out) {
        qsizetype at = 0;
        skipBlanks(text, at);
        if (!parseQuoted(text, at, out))
            return false;
        skipBlanks(text, at);
        return at == text.size();
    };

    QString tail;
    QString text;
    if (rest.startsWith(QLatin1Char('"'))) {
        if (!parseSingleString(rest, &text))
            return false;
        value->type = cRegistry::REG_SZ;
        value->data = encodeString(text);
        return true;
    }
    if (takePrefix("expand:", &tail)) {
        if (!parseSingleString(tail, &text))
            return false;
        value->type = cRegistry::REG_EXPAND_SZ;
        value->data = encodeString(text);
        return true;
    }
    if (takePrefix("dword:", &tail)) {
        tail = tail.trimmed();
        bool ok = false;
        const quint32 number = tail.toUInt(&ok, 16);
        if (!ok || tail.isEmpty() || tail.size() > 8)
            return false;
        value->type = cRegistry::REG_DWORD;
        value->data = encodeDword(number);
        return true;
    }
    if (takePrefix("multi:", &tail)) {
        QStringList items;
        qsizetype at = 0;
        skipBlanks(tail, at);
        while (at < tail.size()) {
            if (!parseQuoted(tail, at, &text))
                return false;
            items.append(text);
            skipBlanks(tail, at);
            if (at < tail.size()) {
                if (tail.at(at) != QLatin1Char(','))
                    return false;
                ++at;
                skipBlanks(tail, at);
            }
        }
        value->type = cRegistry::REG_MULTI_SZ;
        value->data = encodeMulti(items);
        return true;
    }
    if (takePrefix("hex:", &tail)) {
        value->type = cRegistry::REG_BINARY;
        return parseHex(tail, &value->data);
    }
    if (takePrefix("hex(", &tail)) {
        const qsizetype close = tail.indexOf(QLatin1String("):"));
        if (close <= 0)
            return false;
        bool ok = false;
        const uint type = tail.left(close).toUInt(&ok, 16);
        if (!ok || type > 0xffff)
            return false;
        value->type = int(type);
        return parseHex(tail.mid(close + 2), &value->data);
    }
    return false;
}

bool parseValueLine(const QString &line, StoredValue *value)
{
    qsizetype pos = 0;
    if (line.startsWith(QLatin1Char('@'))) {
        value->name.clear();
        pos = 1;
    } else if (!parseQuoted(line, pos, &value->name)) {
        return false;
    }
    skipBlanks(line, pos);
    if (pos >= line.size() || line.at(pos) != QLatin1Char('='))
        return false;
    ++pos;
    skipBlanks(line, pos);
    return parseData(line, pos, value);
}

// Lenient on purpose: a line that cannot be understood is skipped rather than making the
// whole store unreadable.
Store parseStore(const QByteArray &bytes)
{
    Store store;
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xfeff)))
        text.remove(0, 1);
    const QStringList lines = text.split(QLatin1Char('\n'));
    qsizetype current = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';'))
            || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            current = -1;
            if (!line.endsWith(QLatin1Char(']')))
                continue;
            QStringList path
                = line.mid(1, line.size() - 2).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
            if (path.isEmpty())
                continue;
            path[0] = canonicalHiveName(path.at(0));
            if (path.at(0).isEmpty())
                continue;
            bool changed = false;
            current = createPath(store, path, &changed);
            continue;
        }
        while (line.endsWith(QLatin1Char('\\')) && i + 1 < lines.size()) {
            line.chop(1);
            line += lines.at(++i).trimmed();
        }
        if (current < 0)
            continue;
        StoredValue value;
        if (!parseValueLine(line, &value))
            continue;
        StoredKey &key = store.keys[current];
        const qsizetype existing = findValue(key, value.name);
        if (existing >= 0)
            key.values[existing] = value;
        else
            key.values.append(value);
    }
    return store;
}

int loadStore(const QString &path, Store *store, QString *error)
{
    QFile file(path);
    if (!file.exists()) {
        *store = Store();
        return cRegistry::ERROR_NONE;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("无法读取设置文件 %1：%2")
                     .arg(QDir::toNativeSeparators(path), file.errorString());
        return cRegistry::ERROR_ACCESS_DENIED;
    }
    *store = parseStore(file.readAll());
    return cRegistry::ERROR_NONE;
}

int saveStore(const QString &path, const Store &store, QString *error)
{
    constexpr QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
    const QByteArray bytes = formatStore(store);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("无法写入设置文件 %1：%2")
                     .arg(QDir::toNativeSeparators(path), file.errorString());
        return cRegistry::ERROR_ACCESS_DENIED;
    }
    // Restrict the temporary file before any data lands in it; the file holds credentials.
    file.setPermissions(ownerOnly);
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        *error = QStringLiteral("无法写入设置文件 %1：%2")
                     .arg(QDir::toNativeSeparators(path), file.errorString());
        file.cancelWriting();
        return cRegistry::ERROR_ACCESS_DENIED;
    }
    // Not every file system keeps the temporary file's mode across the rename.
    QFile::setPermissions(path, ownerOnly);
    return cRegistry::ERROR_NONE;
}

// Read-modify-write under a lock file, so that two writers never drop each other's changes.
class StoreChange {
public:
    explicit StoreChange(const QString &path) : m_path(path), m_lock(path + QLatin1String(".lock"))
    {
    }

    int begin(QString *error)
    {
        const QString folder = QFileInfo(m_path).absolutePath();
        if (!QDir().mkpath(folder)) {
            *error = QStringLiteral("无法创建文件夹 %1").arg(QDir::toNativeSeparators(folder));
            return cRegistry::ERROR_ACCESS_DENIED;
        }
        if (!m_lock.tryLock(lockTimeoutMs)) {
            *error = QStringLiteral("设置文件 %1 正被其他程序使用")
                         .arg(QDir::toNativeSeparators(m_path));
            return cRegistry::ERROR_ACCESS_DENIED;
        }
        return loadStore(m_path, &store, error);
    }

    int commit(QString *error) { return saveStore(m_path, store, error); }

    Store store;

private:
    QString m_path;
    QLockFile m_lock;
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
