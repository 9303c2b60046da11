#include "saleslip.h"

#include "prompt.h"
#include "slipdata.h"
#include "sliplayout.h"
#include "slipprintjob.h"

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
        QVariant::fromValue(reinterpret_cast<quintptr>(static_cast<PrintJob *>(&job))))
        .toBool();
}

} // namespace

QString layoutFile()
{
    const QString named = qEnvironmentVariable("PELKOR_SLIP_LAYOUT");
    if (!named.isEmpty())
        return named;
    const QString beside = QCoreApplication::applicationDirPath();
    if (!beside.isEmpty() && QFileInfo(beside).isWritable())
        return QDir(beside).filePath(FileName);
    // One file for every operator of the workstation, not one per login.
    const QStringList shared
        = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    for (const QString &dir : shared) {
        const QString folder = QDir(dir).filePath(QStringLiteral("pelkor"));
        if (QFileInfo(folder).isWritable()
            || (QFileInfo(dir).isWritable() && QDir().mkpath(folder)))
            return QDir(folder).filePath(FileName);
    }
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(FileName);
}

SlipLayout currentLayout()
{
    SlipLayout layout = SlipLayout::builtIn();
    layout.load(layoutFile());
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

bool isAvailable()
{
    return true;
}

} // namespace SaleSlip
