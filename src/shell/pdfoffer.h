#pragma once

#include <QString>

#include <functional>

// What every printout does on a workstation without a printer: offer to
// keep it as a PDF file in the user's Documents folder, write it there and
// say where. One behaviour for the sale slip, the lists and the reports.
namespace PdfOffer {

// The file a printout named name goes to: Documents (the home folder where
// there is none), name and the time, so that no earlier file is replaced.
QString fileInDocuments(const QString &name);

enum class Outcome { Declined, Written, Failed };

// what: the kind of printout as the question names it ("报表", "单据").
// write: writes the PDF to the file it is given; false when it could not.
// A failure is left to the caller to report in its own words.
Outcome offer(const QString &what, const QString &name, const QString &title,
    const std::function<bool(const QString &file)> &write);

} // namespace PdfOffer
