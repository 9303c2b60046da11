#include "sales/saleslip.h"

#include "datastore/prompt.h"
#include "sales/slipdata.h"
#include "sales/sliplayout.h"
#include "sales/slipprintjob.h"

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

// Where a slip layout may be: beside the program, the machine's data
// folders, the operator's own; the first of them that holds one is read.
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

bool canWrite(const QString &file)
{
    const QFileInfo info(file);
    if (info.exists())
        return info.isWritable();
    QFileInfo folder(info.absolutePath());
    if (!folder.exists()) {
        // A missing "pelkor" folder is made where its parent may be written.
        if (!QFileInfo(folder.absolutePath()).isWritable()
            || !QDir().mkpath(folder.absoluteFilePath()))
            return false;
        folder.refresh();
    }
    return folder.isWritable();
}

} // namespace

QString layoutFile()
{
    // One file for every operator of the workstation, not one per login:
    // beside the program or in the machine's data folders when they can be
    // written, the operator's own folder last.
    const QStringList files = layoutCandidates();
    for (const QString &file : files)
        if (canWrite(file))
            return file;
    return files.last();
}

SlipLayout currentLayout()
{
    SlipLayout layout = SlipLayout::builtIn();
    for (const QString &file : layoutCandidates())
        if (QFileInfo::exists(file))
            return layout.load(file) ? layout : SlipLayout::builtIn();
    return layout;
}

bool PrintSaleSlip(qint64 saleId)
{
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        Prompt::error(QStringLiteral("这台电脑没有安装打印机，单据没有打印出来。"
                                     "请安装打印机，或在「打印预览」中把单据存为PDF文件。"),
            QStringLiteral("打印"));
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
