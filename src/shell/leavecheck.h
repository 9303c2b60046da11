#pragma once

#include <QStringList>

#include <functional>

class QLineEdit;
class QWidget;

namespace mSystem {

// Runs check whenever the focus leaves the field for another field of the
// program (not when the window loses the focus); a refusal puts the focus
// back into the field. Every exit runs the check, refused before or not.
void checkOnLeave(QLineEdit *field, std::function<bool()> check);

// Puts the focus into the form's first input in tab order (a field, a
// drop-down, never a button), so that the first keys typed land there.
void focusFirstInput(QWidget *form);

// What an entry form's inputs held when it was loaded or last saved, to
// ask before anything typed since is thrown away.
class UnsavedInput {
public:
    explicit UnsavedInput(QWidget *form) : m_form(form) { }

    // For the form's showEvent: on its first showing the focus goes into
    // its first input, and the inputs as loaded count as saved.
    void formShown();
    // The inputs as they are now count as saved.
    void markSaved();
    bool changed() const;
    // True when closing may go ahead: nothing typed since markSaved, or
    // the operator agreed to discard it (the question defaults to 否).
    bool mayDiscard() const;

private:
    QStringList snapshot() const;

    QWidget *m_form;
    QStringList m_saved;
    bool m_marked = false;
    bool m_shown = false;
};

} // namespace mSystem
