#include "prompt.h"

#include <QCoreApplication>
#include <QDebug>

namespace Prompt {
namespace {

class ConsoleHandler : public Handler
{
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
    return handler()->ask(request);
}

void message(const QString &text, const QString &title, Icon icon)
{
    ask({text, title, icon, Ok, Ok});
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
    return ask({text, title, Icon::Question, Yes | No, defaultYes ? Yes : No}) == Yes;
}

QString defaultTitle()
{
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("Pelkor") : name;
}

} // namespace Prompt
