#include "dbclient.h"

#include <QProcess>
#include <QRegularExpression>

namespace DbClient {

Result run(const ConnectionTarget &target, const QStringList &statements, const QString &database,
    const QStringList &warmUp)
{
    Result result;
    QProcess p;
    QString program;
    QStringList args;
    QString script;
    const bool sqlite = target.kind == SqlDialect::SQLite;
    if (sqlite) {
        program = QStringLiteral("sqlite3");
        args << QStringLiteral("-batch") << QStringLiteral("-bail")
             << (database.isEmpty() ? target.host : database);
        script = QStringLiteral(".timer on\n");
    } else {
        program = QStringLiteral("psql");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PGPASSWORD"), target.password);
        p.setProcessEnvironment(env);
        args << QStringLiteral("-X") << QStringLiteral("-q") << QStringLiteral("-A")
             << QStringLiteral("-t") << QStringLiteral("-v") << QStringLiteral("ON_ERROR_STOP=1")
             << QStringLiteral("-h") << target.host << QStringLiteral("-p")
             << QString::number(target.port) << QStringLiteral("-U") << target.user
             << QStringLiteral("-d") << (database.isEmpty() ? target.database : database);
        script = QStringLiteral("\\timing on\n");
    }
    for (const QString &sql : warmUp + statements)
        script += sql + QStringLiteral(";\n");

    p.start(program, args);
    if (!p.waitForStarted(10000)) {
        result.error = program + QStringLiteral(" does not start");
        return result;
    }
    p.write(script.toUtf8());
    p.closeWriteChannel();
    if (!p.waitForFinished(30 * 60 * 1000) || p.exitStatus() != QProcess::NormalExit
        || p.exitCode() != 0) {
        result.error = QString::fromUtf8(p.readAllStandardError());
        return result;
    }
    // sqlite3: "Run Time: real 0.123 user ... sys ..."; psql: "Time: 123.456 ms".
    static const QRegularExpression sqliteTime(QStringLiteral("^Run Time: real ([0-9.]+)"));
    static const QRegularExpression psqlTime(QStringLiteral("^Time: ([0-9.]+) ms"));
    const QString out = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    // Each statement prints its rows, then its time.
    qsizetype warming = warmUp.size();
    for (const QString &line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch m = (sqlite ? sqliteTime : psqlTime).match(line);
        if (m.hasMatch() && warming > 0) {
            --warming;
        } else if (m.hasMatch()) {
            const double ms = m.captured(1).toDouble() * (sqlite ? 1000.0 : 1.0);
            result.timings << ms;
            result.ms += ms;
        } else if (warming == 0) {
            result.rows << line;
        }
    }
    result.ok = true;
    return result;
}

} // namespace DbClient
