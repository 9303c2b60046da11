#pragma once

#include <QString>
#include <QVariant>

class QPrinter;
class PrintJob;

// Every question or message meant for a person goes through here, so the
// database layer stays free of widgets and tests can answer prompts from a
// script instead of a human.
namespace Prompt {

enum class Icon { None, Information, Warning, Critical, Question };

enum Button {
    NoButton = 0x0,
    Ok = 0x1,
    Cancel = 0x2,
    Yes = 0x4,
    No = 0x8,
};

// What kind of answer a request wants. Messages answer with a button;
// choices (pickers, printer and file dialogs) answer with a value.
enum class Kind {
    Message,
    PickDate,
    SelectCustomer,
    PrinterSetup,
    PageSetup,
    PrintPreview,
    Print,
    Font, // argument and answer: a QFont
    // argument: the suggested file and the file-type filter (QStringList);
    // answer: the chosen file name, nothing when cancelled.
    SaveFile,
    // argument: the text offered; answer: the text typed, nothing when
    // cancelled. Its prompt is the request's text.
    Input,
};

struct Request {
    QString text;
    QString title; // empty: the program's own title
    Icon icon = Icon::None;
    int buttons = Ok;
    int defaultButton = Ok;
    Kind kind = Kind::Message;
    // Caption of the Ok button when the text names it ("请单击[确认]按钮…");
    // empty: the usual caption.
    QString okText;
    // What the chooser starts from: the query of a customer pick, the
    // current font, the suggested file.
    QVariant argument;
    // The printer a printer or page setup acts on.
    QPrinter *printer = nullptr;
    // The job to preview or print.
    PrintJob *job = nullptr;
};

class Handler {
public:
    virtual ~Handler() = default;
    // Returns the Button that answered the request.
    virtual int ask(const Request &request) = 0;
    // Returns the chosen value, or an invalid QVariant when nothing was chosen.
    virtual QVariant choose(const Request &request)
    {
        Q_UNUSED(request)
        return {};
    }
};

// The handler stays owned by the caller; pass nullptr to fall back to the
// console handler, which logs and answers with the default button.
void setHandler(Handler *handler);
Handler *handler();

int ask(const Request &request);
QVariant choose(const Request &request);
QVariant choose(Kind kind, const QString &title, const QVariant &argument = {});
QVariant choose(Kind kind, const QString &title, QPrinter *printer);
QVariant choose(Kind kind, const QString &title, PrintJob *job);
void message(const QString &text, const QString &title = QString(), Icon icon = Icon::None);
void error(const QString &text, const QString &title);
void information(const QString &text, const QString &title);
bool yesNo(const QString &text, const QString &title, bool defaultYes = true);
// A question before something that cannot be undone: Yes and No with No as
// the default, so that a stray Enter changes nothing.
bool confirm(const QString &text, const QString &title, Icon icon = Icon::Question);

QString defaultTitle();

} // namespace Prompt
