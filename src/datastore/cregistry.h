#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QtGlobal>

// Settings store with the Windows registry's interface, over a QSettings file private to its
// owner (see storePath() and settingsfile.h). Pelkor's settings code was written against
// registry semantics, so this class keeps them: hives, backslash-separated key paths,
// case-insensitive names, typed values and Windows error codes instead of exceptions.
//
// The file is re-read on every operation and replaced atomically on every change, so several
// instances and processes can share it. A file of the earlier registry-export format is moved
// to the current one the first time it is met; a folder that cannot be written is reported as
// such, not as a file in use.
class cRegistry {
public:
    static constexpr quint32 HKEY_CLASSES_ROOT = 0x80000000u;
    static constexpr quint32 HKEY_CURRENT_USER = 0x80000001u;
    static constexpr quint32 HKEY_LOCAL_MACHINE = 0x80000002u;
    static constexpr quint32 HKEY_USERS = 0x80000003u;
    static constexpr quint32 HKEY_CURRENT_CONFIG = 0x80000005u;

    enum RegType {
        REG_SZ = 1,
        REG_EXPAND_SZ = 2,
        REG_BINARY = 3,
        REG_DWORD = 4,
        REG_MULTI_SZ = 7,
    };

    // The numbers are the Windows ones so that callers ported from the registry API keep
    // working; 26001 is our own "binary data must be a byte array".
    enum ErrorCode {
        ERROR_NONE = 0,
        ERROR_NOT_FOUND = 2,
        ERROR_ACCESS_DENIED = 5,
        ERROR_INVALID_HANDLE = 6,
        ERROR_INVALID_DATA = 13,
        ERROR_BINARY_EXPECTED = 26001,
    };

    cRegistry();
    explicit cRegistry(quint32 classKey, const QString &sectionKey = QString(),
        const QString &valueKey = QString(), int valueType = REG_SZ);

    quint32 ClassKey() const { return m_classKey; }
    void setClassKey(quint32 classKey) { m_classKey = classKey; }

    QString SectionKey() const { return m_sectionKey; }
    void setSectionKey(const QString &sectionKey) { m_sectionKey = sectionKey; }

    // Empty means the key's default (unnamed) value.
    QString ValueKey() const { return m_valueKey; }
    void setValueKey(const QString &valueKey) { m_valueKey = valueKey; }

    // Type used by setValue(); Value() replaces it with the type found in the store.
    int ValueType() const { return m_valueType; }
    void setValueType(int valueType) { m_valueType = valueType; }

    // Returned by Value() when nothing could be read.
    QVariant Default() const { return m_default; }
    void setDefault(const QVariant &defaultValue) { m_default = defaultValue; }

    // Text and code of the failure of the most recent operation; empty / 0 when it succeeded.
    QString RegError() const { return m_regError; }
    int RegErrorCode() const { return m_regErrorCode; }

    // The value most recently stored through setValue() by this instance.
    QVariant LastWritten() const { return m_lastWritten; }

    // Strings (including the first string of a multi-string) come back as QString, 32-bit
    // numbers as int, binary data as QByteArray.
    QVariant Value();
    // Creates the key when needed. Text types become REG_EXPAND_SZ when they contain a
    // %NAME% reference, and lose any NUL character, as the database drops it; REG_BINARY
    // needs a QByteArray; REG_DWORD takes 16/32-bit integers and silently ignores anything
    // else. A value name cannot hold a slash or a backslash.
    void setValue(const QVariant &value);

    bool KeyExists();
    int CreateKey();
    // Like the registry on Windows NT, a key that still has sub-keys is not deleted.
    int DeleteKey();
    int DeleteValue();
    // The default value, when present, is listed with an empty name.
    int EnumerateValues(QStringList &names, int &count);
    // Direct sub-keys of SectionKey only.
    int EnumerateSections(QStringList &names, int &count);

    static QString storePath();

private:
    void clearError();
    int setError(int code, const QString &text);
    int resolvePath(QStringList &path, bool forWriting);
    QString locationText() const;

    quint32 m_classKey = HKEY_LOCAL_MACHINE;
    QString m_sectionKey;
    QString m_valueKey;
    int m_valueType = REG_SZ;
    QVariant m_default;
    QVariant m_lastWritten;
    QString m_regError;
    int m_regErrorCode = ERROR_NONE;
};

// Default value of a local-machine key as text without surrounding blanks; empty when the key
// or value is missing.
QString readRegistryText(const QString &sectionKey);

// Stores text as the default value of a local-machine key, creating the key when needed. An
// empty text is kept as a single blank so that the value still exists.
bool writeRegistryText(const QString &sectionKey, const QString &text, QString *error = nullptr);
