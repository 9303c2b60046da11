#include "datastore/oldregistryfile.h"

#include <QStringDecoder>

#include <algorithm>

namespace OldRegistryFile {

namespace {

const char *const hiveNames[] = {
    "HKEY_CLASSES_ROOT",
    "HKEY_CURRENT_USER",
    "HKEY_LOCAL_MACHINE",
    "HKEY_USERS",
    "HKEY_CURRENT_CONFIG",
};

// Hand-edited files may spell the hive in any case; it is passed on in capitals.
QString canonicalHiveName(const QString &name)
{
    for (const char *hive : hiveNames) {
        if (name.compare(QLatin1String(hive), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(hive);
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

} // namespace

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

namespace {

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

} // namespace

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

namespace {

QByteArray encodeString(const QString &text)
{
    return toUtf16Le(text + QChar(0));
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

} // namespace

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

namespace {

QByteArray encodeDword(quint32 number)
{
    QByteArray out(4, '\0');
    for (int i = 0; i < 4; ++i)
        out[i] = char((number >> (8 * i)) & 0xff);
    return out;
}

} // namespace

quint32 decodeDword(const QByteArray &data)
{
    quint32 number = 0;
    for (qsizetype i = 0; i < std::min<qsizetype>(4, data.size()); ++i)
        number |= quint32(uchar(data.at(i))) << (8 * i);
    return number;
}

namespace {

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

// Lenient on purpose: a line that cannot be understood is skipped rather than losing every
// setting of the file. The first such line is remembered, so that the damage can be reported.
} // namespace

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

} // namespace OldRegistryFile
