#pragma once

#include <QApplication>
#include <QInputMethodEvent>
#include <QTest>

// Types text into a widget as an operator does: Chinese reaches a field
// committed by the input method, the rest key by key.
inline void typeText(QWidget *widget, const QString &text)
{
    for (const QChar ch : text) {
        if (ch.unicode() < 128) {
            QTest::keyClick(widget, char(ch.unicode()));
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(ch);
            QApplication::sendEvent(widget, &commit);
        }
    }
}
