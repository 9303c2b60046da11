#include "datastore/registryfile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>

namespace RegistryFile {

constexpr int lockTimeoutMs = 5000;
const QLatin1String fileHeader("; Pelkor settings store - registry-style, UTF-8, may be edited "
                               "by hand while Pelkor is not running.\n");

struct HiveName {
    quint32 handle;
    const char *name;
};

const HiveName hiveNames[] = {
    {0x80000000u, "HKEY_CLASSES_ROOT"},
    {0x80000001u, "HKEY_CURRENT_USER"},
    {0x80000002u, "HKEY_LOCAL_MACHINE"},
    {0x80000003u, "HKEY_USERS"},
    {0x80000005u, "HKEY_CURRENT_CONFIG"},
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

qsizetype findValue(const Key &key, const QString &name)
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
            store.keys.append(Key{path, {}});
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
            store.keys.append(Key{spelled, {}});
            index = store.keys.size() - 1;
            *changed = true;
        }
    }
    return index;
}

bool pathLess(const Key &a, const Key &b)
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

QString formatValue(const Value &value)
{
    QString line = value.name.isEmpty() ? QStringLiteral("@") : quote(value.name);
    line += QLatin1Char('=');
    switch (value.type) {
    case String:
    case ExpandString: {
        const QString text = decodeString(value.data);
        if (encodeString(text) == value.data) {
            if (value.type == ExpandString)
                line += QLatin1String("expand:");
            return line + quote(text);
        }
        break;
    }
    case Dword:
        if (value.data.size() == 4)
            return line
                + QStringLiteral("dword:%1").arg(decodeDword(value.data), 8, 16, QLatin1Char('0'));
        break;
    case MultiString: {
        const QStringList items = decodeMulti(value.data);
        if (encodeMulti(items) == value.data) {
            QStringList quoted;
            for (const QString &item : items)
                quoted.append(quote(item));
            return line + QLatin1String("multi:") + quoted.join(QLatin1Char(','));
        }
        break;
    }
    case Binary:
        line += QLatin1String("hex:");
        return line + hexBytes(value.data, line.size());
    default:
        break;
    }
    // Whatever has no friendlier form (odd-length strings, unknown types) is kept byte-exact.
    line += QStringLiteral("hex(%1):").arg(uint(value.type), 0, 16);
    return line + hexBytes(value.data, line.size());
}

QByteArray format(Store store)
{
    std::stable_sort(store.keys.begin(), store.keys.end(), pathLess);
    QString text = fileHeader;
    for (const Key &key : std::as_const(store.keys)) {
        text += QLatin1String("\n[") + key.path.join(QLatin1Char('\\')) + QLatin1String("]\n");
        for (const Value &value : key.values)
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

bool parseData(const QString &line, qsizetype pos, Value *value)
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
        value->type = String;
        value->data = encodeString(text);
        return true;
    }
    if (takePrefix("expand:", &tail)) {
        if (!parseSingleString(tail, &text))
            return false;
        value->type = ExpandString;
        value->data = encodeString(text);
        return true;
    }
    if (takePrefix("dword:", &tail)) {
        tail = tail.trimmed();
        bool ok = false;
        const quint32 number = tail.toUInt(&ok, 16);
        if (!ok || tail.isEmpty() || tail.size() > 8)
            return false;
        value->type = Dword;
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
        value->type = MultiString;
        value->data = encodeMulti(items);
        return true;
    }
    if (takePrefix("hex:", &tail)) {
        value->type = Binary;
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

bool parseValueLine(const QString &line, Value *value)
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
// whole store unreadable. The first such line is remembered, so that the damage can be
// reported and the file kept aside before it is replaced.
Store parse(const QByteArray &bytes)
{
    Store store;
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (text.startsWith(QChar(0xfeff)))
        text.remove(0, 1);
    const QStringList lines = text.split(QLatin1Char('\n'));
    const auto damaged = [&](qsizetype index) {
        if (store.damagedLine == 0)
            store.damagedLine = int(index) + 1;
    };
    if (utf8.hasError()) {
        // The line of the first byte that is not UTF-8.
        store.damagedLine = 1;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (lines.at(i).contains(QChar::ReplacementCharacter)) {
                store.damagedLine = int(i) + 1;
                break;
            }
        }
    }
    qsizetype current = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const qsizetype first = i;
        QString line = lines.at(i).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';'))
            || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            current = -1;
            if (!line.endsWith(QLatin1Char(']'))) {
                damaged(first);
                continue;
            }
            QStringList path
                = line.mid(1, line.size() - 2).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
            if (path.isEmpty()) {
                damaged(first);
                continue;
            }
            path[0] = canonicalHiveName(path.at(0));
            if (path.at(0).isEmpty()) {
                damaged(first);
                continue;
            }
            bool changed = false;
            current = createPath(store, path, &changed);
            continue;
        }
        while (line.endsWith(QLatin1Char('\\')) && i + 1 < lines.size()) {
            line.chop(1);
            line += lines.at(++i).trimmed();
        }
        if (current < 0) {
            damaged(first);
            continue;
        }
        Value value;
        if (!parseValueLine(line, &value)) {
            damaged(first);
            continue;
        }
        Key &key = store.keys[current];
        const qsizetype existing = findValue(key, value.name);
        if (existing >= 0)
            key.values[existing] = value;
        else
            key.values.append(value);
    }
    return store;
}

bool load(const QString &path, Store *store, QString *error)
{
    QFile file(path);
    if (!file.exists()) {
        *store = Store();
        return true;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("无法读取设置文件 %1：%2")
                     .arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    *store = parse(file.readAll());
    return true;
}

QString keepAside(const QString &path, QString *error)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString backup = QStringLiteral("%1.damaged-%2").arg(path, stamp);
    for (int n = 2; QFile::exists(backup); ++n)
        backup = QStringLiteral("%1.damaged-%2-%3").arg(path, stamp, QString::number(n));
    if (!QFile::copy(path, backup)) {
        *error = QStringLiteral("设置文件 %1 已损坏，无法另存备份 %2，未作修改")
                     .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(backup));
        return {};
    }
    // The copy holds the same password as the original.
    QFile::setPermissions(backup, QFile::ReadOwner | QFile::WriteOwner);
    return backup;
}

bool save(const QString &path, const Store &store, QString *error)
{
    constexpr QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
    const QByteArray bytes = format(store);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("无法写入设置文件 %1：%2")
                     .arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    // Restrict the temporary file before any data lands in it; the file holds credentials.
    file.setPermissions(ownerOnly);
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        *error = QStringLiteral("无法写入设置文件 %1：%2")
                     .arg(QDir::toNativeSeparators(path), file.errorString());
        file.cancelWriting();
        return false;
    }
    // Not every file system keeps the temporary file's mode across the rename.
    QFile::setPermissions(path, ownerOnly);
    return true;
}

Change::Change(const QString &path) : m_path(path), m_lock(path + QLatin1String(".lock")) { }

bool Change::begin(QString *error)
{
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("无法创建文件夹 %1").arg(QDir::toNativeSeparators(folder));
        return false;
    }
    if (!m_lock.tryLock(lockTimeoutMs)) {
        *error = lockFailure(m_lock.error(), m_path);
        return false;
    }
    return load(m_path, &store, error);
}

bool Change::commit(QString *error)
{
    if (store.damagedLine > 0 && QFile::exists(m_path)) {
        m_backup = keepAside(m_path, error);
        if (m_backup.isEmpty())
            return false;
        store.damagedLine = 0;
    }
    return save(m_path, store, error);
}

QString lockFailure(QLockFile::LockError reason, const QString &path)
{
    const QString file = QDir::toNativeSeparators(path);
    const QString lock = QDir::toNativeSeparators(path + QLatin1String(".lock"));
    switch (reason) {
    case QLockFile::LockFailedError:
        return QStringLiteral("设置文件 %1 正被其他程序使用").arg(file);
    case QLockFile::PermissionError:
        return QStringLiteral("没有权限写入设置文件所在的文件夹 %1（无法创建 %2）")
            .arg(QDir::toNativeSeparators(QFileInfo(path).absolutePath()), lock);
    case QLockFile::NoError:
    case QLockFile::UnknownError:
        break;
    }
    return QStringLiteral("无法创建设置文件的锁文件 %1").arg(lock);
}

} // namespace RegistryFile
