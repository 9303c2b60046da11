#pragma once

#include <QString>

// Where the workstation's own settings live in the settings store (cregistry.h): one key
// per setting below RegistryRoot, the text in the key's unnamed value. The database
// server's host, login and password are read by ConnectDatabase and written by the setup
// dialog; the line settings of the workstation sit beside them.
namespace mDatabase {

inline const QString RegistryRoot = QStringLiteral("Software\\Quillon\\Pelkor20\\4");
inline const QString HostSetting = QStringLiteral("DBSERVER_HOST");
inline const QString UserSetting = QStringLiteral("DBSERVER_USER");
inline const QString PasswordSetting = QStringLiteral("DBSERVER_PASSWORD");

} // namespace mDatabase
