#include "shell/pdfoffer.h"

#include "datastore/prompt.h"
#include "shell/filechoice.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace PdfOffer {

QString fileInDocuments(const QString &name)
{
    return QDir(FileChoice::startFolder(FileChoice::Kind::Document))
        .filePath(
            QStringLiteral("%1-%2.pdf")
                .arg(name,
                    QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
}

Outcome offer(const QString &what, const QString &name, const QString &title,
    const std::function<bool(const QString &file)> &write)
{
    const QString file = fileInDocuments(name);
    if (!Prompt::yesNo(QStringLiteral("系统中没有安装打印机，是否将%1保存为PDF文件？\n%2")
                           .arg(what, QDir::toNativeSeparators(file)),
            title))
        return Outcome::Declined;
    QDir().mkpath(QFileInfo(file).absolutePath());
    if (!write(file))
        return Outcome::Failed;
    FileChoice::remember(FileChoice::Kind::Document, file);
    Prompt::information(
        QStringLiteral("%1已保存为PDF文件：%2").arg(what, QDir::toNativeSeparators(file)), title);
    return Outcome::Written;
}

} // namespace PdfOffer
