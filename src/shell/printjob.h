#pragma once

#include <QString>
#include <QtGlobal>

class QPrinter;

// Something that draws itself onto a printer page by page: a list's grid,
// a report. Previewing, printing and PDF export all go through render().
class PrintJob {
public:
    virtual ~PrintJob() = default;
    virtual QString documentName() const = 0;
    // Draws every page; false when there was nothing it could draw on, and
    // errorText() then says why.
    virtual bool render(QPrinter *printer) = 0;
    // Sets the paper and margins the job was set up for.
    virtual void preparePrinter(QPrinter *printer) const { Q_UNUSED(printer) }

    // Why the last render() failed, in the operator's words; empty after a
    // printout that went through.
    QString errorText() const { return m_errorText; }
    void setErrorText(const QString &text) { m_errorText = text; }

    // Why a printer refused to start or finish a printout: the file a PDF
    // could not be written to, or the printer that reported an error.
    static QString failureOf(const QPrinter *printer);

private:
    QString m_errorText;
};
