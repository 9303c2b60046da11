#pragma once

#include <QSqlError>
#include <QString>

namespace mDatabase {

// The driver's complaint as the person is shown it; a connection that was
// never opened says so instead of nothing.
inline QString errorText(const QSqlError &error)
{
    QString text = error.text().trimmed();
    return text.isEmpty() ? QStringLiteral("数据库未连接") : text;
}

} // namespace mDatabase
