#pragma once

#include <QLockFile>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

#include <memory>

// The file under cRegistry: QSettings' INI format, one group per registry key with the hive
// as its first part. QSettings reads and writes the format; this part adds what a shared file
// holding the database password needs: one lock across a whole read-modify-write, a replace
// that is atomic and private to its owner from its first byte, and the one-time move of a
// file in the registry-export format of earlier versions (oldregistryfile.h), whose original
// is kept beside it as "<file>.old".
namespace SettingsFile {

// How a registry value is kept as a QSettings value. Text stays text and binary data a byte
// array, which QSettings types by itself; the other types become a list led by their tag
// ("dword", 10), which QSettings also reads back as a list.
enum Type { String = 1, ExpandString = 2, Binary = 3, Dword = 4, MultiString = 7 };
QVariant storedText(const QString &text);
QVariant storedDword(quint32 number);
// What the registry would return and the type it would report for a stored value.
QVariant readBack(const QVariant &stored, int *type);
// Strings holding a "%" and another one at least two places further are expandable.
int textType(const QString &text);

// Registry value names as QSettings keys. The unnamed value is ".", a name that starts with
// '.' gets one more, and EmptyKeyMarker keeps a key that has neither values nor sub-keys.
QString keyOfValue(const QString &valueName);
// False for the marker.
bool valueOfKey(const QString &key, QString *valueName);
extern const QLatin1String EmptyKeyMarker;

// The current content of the file for reading. An old file is moved to the current format
// first; when that cannot be written, its settings are still read.
class Reader {
public:
    explicit Reader(const QString &path);
    ~Reader();

    bool ok() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }
    QSettings &settings() { return *m_settings; }

private:
    std::unique_ptr<QTemporaryDir> m_scratch;
    std::unique_ptr<QSettings> m_settings;
    QString m_error;
};

// Read-modify-write under the file's lock: changes go to a private copy and replace the
// file in one step on commit(), so two writers never drop each other's changes and a
// failed write leaves the file as it was.
class Change {
public:
    // Waits for the lock up to lockWaitMs.
    explicit Change(const QString &path, int lockWaitMs = 5000);
    ~Change();

    bool begin(QString *error);
    QSettings &settings() { return *m_settings; }
    bool commit(QString *error);

private:
    QString m_path;
    QLockFile m_lock;
    int m_lockWaitMs;
    std::unique_ptr<QTemporaryDir> m_scratch;
    std::unique_ptr<QSettings> m_settings;
    bool m_fromOldFile = false;
};

// What a failed lock means, in the words the person needs: another program holds the
// file, or the folder cannot be written at all.
QString lockFailure(QLockFile::LockError reason, const QString &path);

} // namespace SettingsFile
