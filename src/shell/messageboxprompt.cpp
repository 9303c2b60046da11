#include "shell/messageboxprompt.h"

#include "shell/filechoice.h"
#include "shell/frmpickdate.h"
#include "shell/frmselcustomer.h"
#include "shell/pickers.h"
#include "shell/printjob.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>

int MessageBoxPrompt::ask(const Prompt::Request &request)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(request.title.isEmpty() ? Prompt::defaultTitle() : request.title);
    box.setText(request.text);
    switch (request.icon) {
    case Prompt::Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Prompt::Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Prompt::Icon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Prompt::Icon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case Prompt::Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    struct Choice {
        int button;
        QMessageBox::StandardButton standard;
        const char *caption;
    };
    const Choice choices[] = {
        {Prompt::Yes, QMessageBox::Yes, "是(&Y)"},
        {Prompt::No, QMessageBox::No, "否(&N)"},
        {Prompt::Ok, QMessageBox::Ok, "确定"},
        {Prompt::Cancel, QMessageBox::Cancel, "取消"},
    };
    for (const Choice &c : choices) {
        if (!(request.buttons & c.button))
            continue;
        QPushButton *b = box.addButton(c.standard);
        b->setText(c.button == Prompt::Ok && !request.okText.isEmpty()
                ? request.okText
                : QString::fromUtf8(c.caption));
        if (request.defaultButton == c.button)
            box.setDefaultButton(b);
    }
    const int result = box.exec();
    for (const Choice &c : choices) {
        if (result == c.standard)
            return c.button;
    }
    // Closed with Escape or the window's close button: the cautious answer.
    if (request.buttons & Prompt::Cancel)
        return Prompt::Cancel;
    if (request.buttons & Prompt::No)
        return Prompt::No;
    return Prompt::Ok;
}

QVariant MessageBoxPrompt::choose(const Prompt::Request &request)
{
    QWidget *parent = QApplication::activeWindow();
    switch (request.kind) {
    case Prompt::Kind::Message:
        return ask(request);
    case Prompt::Kind::PickDate: {
        frmPickDate dialog(parent);
        if (dialog.exec() != QDialog::Accepted || !PickedDate.isValid())
            return {};
        return PickedDate;
    }
    case Prompt::Kind::SelectCustomer: {
        frmSelCustomer dialog(parent);
        dialog.mCurSQL = request.argument.toString();
        if (dialog.exec() != QDialog::Accepted || PickedCustomerID == -1)
            return {};
        return PickedCustomerID;
    }
    case Prompt::Kind::PrinterSetup: {
        QPrinter *printer = request.printer;
        if (!printer)
            return {};
        QPrintDialog dialog(printer, parent);
        dialog.setWindowTitle(request.title.isEmpty() ? QStringLiteral("打印设置") : request.title);
        return dialog.exec() == QDialog::Accepted;
    }
    case Prompt::Kind::PrintPreview: {
        PrintJob *job = request.job;
        if (!job)
            return false;
        QPrinter printer(QPrinter::HighResolution);
        printer.setDocName(job->documentName());
        job->preparePrinter(&printer);
        QPrintPreviewDialog preview(&printer, parent);
        preview.setWindowTitle(
            request.title.isEmpty() ? QStringLiteral("打印预览") : request.title);
        bool drawn = true;
        QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
            [job, &drawn](QPrinter *p) { drawn = job->render(p) && drawn; });
        // Opens maximised at 100 %, the way people read a printout on screen.
        if (auto *widget = preview.findChild<QPrintPreviewWidget *>()) {
            widget->setZoomMode(QPrintPreviewWidget::CustomZoom);
            widget->setZoomFactor(1.0);
        }
        preview.setWindowState(Qt::WindowMaximized);
        preview.exec();
        return drawn;
    }
    case Prompt::Kind::Print: {
        PrintJob *job = request.job;
        if (!job)
            return false;
        if (QPrinterInfo::availablePrinters().isEmpty()) {
            job->setErrorText(QStringLiteral("没有可用的打印机"));
            return false;
        }
        QPrinter printer(QPrinter::HighResolution);
        printer.setDocName(job->documentName());
        job->preparePrinter(&printer);
        return job->render(&printer);
    }
    case Prompt::Kind::Font: {
        // Screen and printer fonts with their effects (underline), as the
        // slip's fields are set up.
        bool ok = false;
        const QFont font = QFontDialog::getFont(&ok, request.argument.value<QFont>(), parent,
            request.title.isEmpty() ? QStringLiteral("字体") : request.title);
        return ok ? QVariant(font) : QVariant();
    }
    case Prompt::Kind::Input: {
        bool ok = false;
        const QString text = QInputDialog::getText(parent,
            request.title.isEmpty() ? Prompt::defaultTitle() : request.title, request.text,
            QLineEdit::Normal, request.argument.toString(), &ok);
        return ok ? QVariant(text) : QVariant();
    }
    case Prompt::Kind::SaveFile: {
        const QStringList argument = request.argument.toStringList();
        QFileDialog dialog(parent, request.title.isEmpty() ? QStringLiteral("保存") : request.title,
            QFileInfo(argument.value(0)).absolutePath(), argument.value(1));
        FileChoice::speakChinese(&dialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.selectFile(QFileInfo(argument.value(0)).fileName());
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        return dialog.selectedFiles().constFirst();
    }
    case Prompt::Kind::PageSetup: {
        QPrinter *printer = request.printer;
        if (!printer)
            return {};
        QPageSetupDialog dialog(printer, parent);
        dialog.setWindowTitle(request.title.isEmpty() ? QStringLiteral("页面设置") : request.title);
        return dialog.exec() == QDialog::Accepted;
    }
    }
    return {};
}
