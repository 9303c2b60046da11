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
    // Draws every page; false when there was nothing it could draw on.
    virtual bool render(QPrinter *printer) = 0;
    // Sets the paper and margins the job was set up for.
    virtual void preparePrinter(QPrinter *printer) const { Q_UNUSED(printer) }
};
