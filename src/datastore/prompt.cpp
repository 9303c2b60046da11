#include "datastore/prompt.h"

#include "datastore/eventlog.h"

#include <QCoreApplication>
#include <QDebug>

namespace Prompt {
namespace {

class ConsoleHandler : public Handler {
public:
    int ask(const Request &request) override
    {
        qWarning().noquote() << (request.title.isEmpty() ? defaultTitle() : request.title) << ":"
                             << request.text;
        return request.defaultButton;
    }
};

ConsoleHandler s_console;
Handler *s_handler = nullptr;

} // namespace

void setHandler(Handler *h)
{
    s_handler = h;
}

Handler *handler()
{
    return s_handler ? s_handler : &s_console;
}

int ask(const Request &request)
{
    if (request.icon == Icon::Critical)
        EventLog::write(QStringLiteral("[%1] %2").arg(
            request.title.isEmpty() ? defaultTitle() : request.title, request.text));
    return handler()->ask(request);
}

QVariant choose(const Request &request)
{
    return handler()->choose(request);
}

QVariant choose(Kind kind, const QString &title, const QVariant &argument)
{
    Request request;
    request.kind = kind;
    request.title = title;
    request.argument = argument;
    return choose(request);
}

QVariant choose(Kind kind, const QString &title, QPrinter *printer)
{
    Request request;
    request.kind = kind;
    request.title = title;
    request.printer = printer;
    return choose(request);
}

QVariant choose(Kind kind, const QString &title, PrintJob *job)
{
    Request request;
    request.kind = kind;
    request.title = title;
    request.job = job;
    return choose(request);
}

void message(const QString &text, const QString &title, Icon icon)
{
    Request request;
    request.text = text;
    request.title = title;
    request.icon = icon;
    ask(request);
}

void error(const QString &text, const QString &title)
{
    message(text, title, Icon::Critical);
}

void information(const QString &text, const QString &title)
{
    message(text, title, Icon::Information);
}

bool yesNo(const QString &text, const QString &title, bool defaultYes)
{
    Request request;
    request.text = text;
    request.title = title;
    request.icon = Icon::Question;
    request.buttons = Yes | No;
    request.defaultButton = defaultYes ? Yes : No;
    return ask(request) == Yes;
}

bool confirm(const QString &text, const QString &title, Icon icon)
{
    Request request;
    request.text = text;
    request.title = title;
    request.icon = icon;
    request.buttons = Yes | No;
    request.defaultButton = No;
    return ask(request) == Yes;
}

QString defaultTitle()
{
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("Pelkor") : name;
}

} // namespace Prompt
