#include "shell/printjob.h"

#include <QDir>
#include <QPrinter>

QString PrintJob::failureOf(const QPrinter *printer)
{
    if (printer->outputFormat() == QPrinter::PdfFormat)
        return QStringLiteral("无法写入文件%1")
            .arg(QDir::toNativeSeparators(printer->outputFileName()));
    const QString name = printer->printerName();
    return name.isEmpty() ? QStringLiteral("没有可用的打印机")
                          : QStringLiteral("打印机“%1”无法完成打印").arg(name);
}
