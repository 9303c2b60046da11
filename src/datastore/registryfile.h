#pragma once

#include <QByteArray>
#include <QLockFile>
#include <QString>
#include <QStringList>
#include <QVector>

// The settings file under cRegistry: a registry export in UTF-8 text that stays editable by
// hand. This part knows the file's format and how it is read and replaced; cRegistry gives it
// the registry's interface (hives, error codes, value types as callers use them).
//
//   [HKEY_LOCAL_MACHINE\Software\Quillon\Pelkor20\4\DBSERVER_HOST]
//   @="127.0.0.1"                  default (unnamed) value, string
//   "Count"=dword:0000000a         32-bit number
//   "Path"=expand:"%HOME%\\x"      expandable string
//   "Blob"=hex:01,02,ff            binary
//   "List"=multi:"a","b"           multi-string
//   "Other"=hex(b):00,01           any other type, raw bytes
//
// Inside quotes \\, \", \n, \r, \t, \0 and \uXXXX are escapes. Lines starting with ';' or
// '#' are comments; a line ending in '\' continues on the next one.
namespace RegistryFile {

// The registry's numbers for the value types.
enum Type { String = 1, ExpandString = 2, Binary = 3, Dword = 4, MultiString = 7 };

// Values are kept as the raw bytes the Windows registry would hold (UTF-16LE strings with
// terminator, little-endian numbers). That way every type, including ones typed in by hand
// as hex(n), survives a load/save cycle unchanged and reading works the same for all of them.
struct Value {
    QString name;
    int type = String;
    QByteArray data;
};

struct Key {
    QStringList path; // hive name first
    QVector<Value> values;
};

struct Store {
    QVector<Key> keys;
    // First line (from 1) that could not be understood; 0 when the whole file could.
    int damagedLine = 0;
};

QString hiveName(quint32 handle);
bool hasPrefix(const QStringList &path, const QStringList &prefix);
qsizetype findKey(const Store &store, const QStringList &path);
qsizetype findValue(const Key &key, const QString &name);
// Creates the key and its missing parents; *changed tells whether anything was added.
qsizetype createPath(Store &store, const QStringList &path, bool *changed);

QString fromUtf16Le(const QByteArray &data);
QByteArray encodeString(const QString &text);
QByteArray encodeDword(quint32 number);
quint32 decodeDword(const QByteArray &data);

Store parse(const QByteArray &bytes);
QByteArray format(Store store);

// A missing file reads as an empty store.
bool load(const QString &path, Store *store, QString *error);
// Replaces the file atomically, readable by its owner only (it holds a password).
bool save(const QString &path, const Store &store, QString *error);

// Copies a damaged file to "<path>.damaged-<time>"; the copy's path, or empty after
// setting *error.
QString keepAside(const QString &path, QString *error);

// What a failed lock means, in the words the person needs: another program holds the
// file, or the folder cannot be written at all.
QString lockFailure(QLockFile::LockError reason, const QString &path);

// Read-modify-write under a lock file, so that two writers never drop each other's changes.
// A damaged file is kept aside before it is replaced.
class Change {
public:
    explicit Change(const QString &path);

    bool begin(QString *error);
    bool commit(QString *error);
    // Where the damaged file went, when commit() had to keep one aside.
    QString backupPath() const { return m_backup; }

    Store store;

private:
    QString m_path;
    QLockFile m_lock;
    QString m_backup;
};

} // namespace RegistryFile
