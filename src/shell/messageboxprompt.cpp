#include "messageboxprompt.h"

#include <QApplication>
#include <QMessageBox>
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
    struct Choice
    {
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
        b->setText(QString::fromUtf8(c.caption));
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
