#pragma once

#include <QString>

class QFileDialog;

// Where the program's file dialogs open: the folder last used for that kind
// of file while the program runs, else the user's own folder for it
// (Pictures for images, Documents for PDF files and spreadsheets), never
// the folder the program happened to be started from.
namespace FileChoice {

enum class Kind { Image, Document };

QString startFolder(Kind kind);
// Kept for the next dialog of the same kind.
void remember(Kind kind, const QString &file);

// Asks where to save a file of this kind, offering name in its start
// folder; the chosen file, empty when the operator cancelled.
QString saveFile(Kind kind, const QString &title, const QString &name, const QString &filter);

// Qt's own dialog in the operator's language: its labels come from Qt's
// translations, and the file types and dates, which Qt takes from the
// desktop's locale, are shown in Chinese here.
void speakChinese(QFileDialog *dialog);

} // namespace FileChoice
