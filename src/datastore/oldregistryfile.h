#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

// Reader for the settings file that earlier versions wrote: a registry export in UTF-8 text.
// It is read once, when such a file is found, and its settings move to the current file
// (settingsfile.h); nothing writes this format any more.
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
namespace OldRegistryFile {

// The registry's numbers for the value types.
enum Type { String = 1, ExpandString = 2, Binary = 3, Dword = 4, MultiString = 7 };

// Values are the raw bytes the Windows registry would hold (UTF-16LE strings with
// terminator, little-endian numbers), so that types typed in by hand as hex(n) come through.
struct Value {
    QString name;
    int type = String;
    QByteArray data;
};

struct Key {
    QStringList path; // hive name first, in capitals
    QVector<Value> values;
};

struct Store {
    QVector<Key> keys;
    // First line (from 1) that could not be understood; 0 when the whole file could.
    int damagedLine = 0;
};

Store parse(const QByteArray &bytes);

// Names compare without regard to case, as in the registry.
qsizetype findKey(const Store &store, const QStringList &path);
qsizetype findValue(const Key &key, const QString &name);

QString fromUtf16Le(const QByteArray &data);
QStringList decodeMulti(const QByteArray &data);
quint32 decodeDword(const QByteArray &data);

} // namespace OldRegistryFile
