#include "sales/saleslip.h"

#include "datastore/prompt.h"
#include "sales/slipdata.h"
#include "sales/sliplayout.h"
#include "sales/slipprintjob.h"
#include "shell/pdfoffer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPrinterInfo>
#include <QStandardPaths>

namespace SaleSlip {
namespace {

const QString FileName = QStringLiteral("sale.rpx");

// Fills the slip; a slip that could not be filled completely still prints
// what it has, after the operator is told why.
SlipPrintJob slipOf(qint64 saleId)
{
    SlipData data = SlipReader::load(saleId);
    if (!data.failure.isEmpty())
        Prompt::error(QStringLiteral("出现系统故障：") + data.failure, QStringLiteral("失败"));
    return SlipPrintJob(currentLayout(), std::move(data));
}

bool run(Prompt::Kind kind, SlipPrintJob &job)
{
    return Prompt::choose(kind,
        kind == Prompt::Kind::Print ? QStringLiteral("打印") : QStringLiteral("打印预览"),
        static_cast<PrintJob *>(&job))
        .toBool();
}

} // namespace

namespace {

// Where a slip layout may be, in order of preference: beside the program,
// the machine's data folders, the operator's own.
QStringList layoutCandidates()
{
    const QString named = qEnvironmentVariable("PELKOR_SLIP_LAYOUT");
    if (!named.isEmpty())
        return {named};
    QStringList files{QDir(QCoreApplication::applicationDirPath()).filePath(FileName)};
    const QString own = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    for (const QString &dir :
        QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        if (dir != own)
            files << QDir(dir).filePath(QStringLiteral("pelkor/") + FileName);
    files << QDir(own).filePath(QStringLiteral("pelkor/") + FileName);
    return files;
}

// Whether `file` could be written or created, without creating anything:
// a missing folder is judged by the nearest folder above it that exists.
bool mayWrite(const QString &file)
{
    const QFileInfo info(file);
    if (info.exists())
        return info.isFile() && info.isWritable();
    QFileInfo folder(info.absolutePath());
    while (!folder.exists()) {
        const QString parent = folder.absolutePath();
        if (parent == folder.absoluteFilePath())
            return false;
        folder.setFile(parent);
    }
    return folder.isDir() && folder.isWritable();
}

} // namespace

QString writeTarget(const QStringList &candidates)
{
    for (const QString &file : candidates)
        if (QFileInfo::exists(file) && mayWrite(file))
            return file;
    for (const QString &file : candidates)
        if (mayWrite(file))
            return file;
    return candidates.isEmpty() ? QString() : candidates.last();
}

QString readSource(const QStringList &candidates)
{
    // What a save wrote is what every later slip reads; a layout that can
    // only be read (shipped with the program) serves until the first save.
    const QString target = writeTarget(candidates);
    if (QFileInfo::exists(target))
        return target;
    for (const QString &file : candidates)
        if (QFileInfo::exists(file))
            return file;
    return {};
}

QString layoutFile()
{
    return writeTarget(layoutCandidates());
}

SlipLayout currentLayout()
{
    SlipLayout layout = SlipLayout::builtIn();
    const QString file = readSource(layoutCandidates());
    if (!file.isEmpty() && !layout.load(file))
        return SlipLayout::builtIn();
    return layout;
}

bool saveLayout(const SlipLayout &layout, QString *error)
{
    const QString file = layoutFile();
    if (!QDir().mkpath(QFileInfo(file).absolutePath())) {
        if (error)
            *error = QStringLiteral("无法建立文件夹 %1").arg(QFileInfo(file).absolutePath());
        return false;
    }
    return layout.save(file, error);
}

bool PrintSaleSlip(qint64 saleId)
{
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        // As every printout: kept as a PDF file in Documents when the
        // operator wants it.
        const auto outcome = PdfOffer::offer(QStringLiteral("单据"),
            QStringLiteral("销售单据%1").arg(saleId), QStringLiteral("打印"),
            [saleId](const QString &file) { return exportPdf(saleId, file); });
        if (outcome == PdfOffer::Outcome::Failed)
            Prompt::error(QStringLiteral("打印单据时出现错误！"), QStringLiteral("打印"));
        return false;
    }
    SlipPrintJob job = slipOf(saleId);
    if (run(Prompt::Kind::Print, job))
        return true;
    Prompt::error(QStringLiteral("打印单据时出现错误！"), QStringLiteral("打印"));
    return false;
}

bool PreviewSaleSlip(qint64 saleId)
{
    SlipPrintJob job = slipOf(saleId);
    return run(Prompt::Kind::PrintPreview, job);
}

bool exportPdf(qint64 saleId, const QString &fileName)
{
    SlipPrintJob job = slipOf(saleId);
    return job.exportPdf(fileName);
}

} // namespace SaleSlip
