#include "shell/leavecheck.h"

#include "datastore/prompt.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTimer>

namespace mSystem {
namespace {

class LeaveCheck : public QObject {
public:
    LeaveCheck(QLineEdit *field, std::function<bool()> check)
        : QObject(field), m_field(field), m_check(std::move(check))
    {
        field->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_field && event->type() == QEvent::FocusOut && !m_checking) {
            const auto reason = static_cast<QFocusEvent *>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
                m_checking = true;
                if (!m_check())
                    QTimer::singleShot(0, m_field, [field = m_field] {
                        field->setFocus();
                        field->selectAll();
                    });
                m_checking = false;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QLineEdit *m_field;
    std::function<bool()> m_check;
    bool m_checking = false;
};

} // namespace

void checkOnLeave(QLineEdit *field, std::function<bool()> check)
{
    new LeaveCheck(field, std::move(check));
}

void focusFirstInput(QWidget *form)
{
    for (QWidget *w = form->nextInFocusChain(); w && w != form; w = w->nextInFocusChain()) {
        if (!w->isEnabled() || !w->isVisibleTo(form) || !(w->focusPolicy() & Qt::TabFocus))
            continue;
        const auto *edit = qobject_cast<QLineEdit *>(w);
        if ((edit && !edit->isReadOnly()) || qobject_cast<QComboBox *>(w)
            || qobject_cast<QAbstractSpinBox *>(w) || qobject_cast<QTextEdit *>(w)
            || qobject_cast<QPlainTextEdit *>(w)) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

void UnsavedInput::formShown()
{
    if (m_shown)
        return;
    m_shown = true;
    focusFirstInput(m_form);
    markSaved();
}

void UnsavedInput::markSaved()
{
    m_saved = snapshot();
    m_marked = true;
}

bool UnsavedInput::changed() const
{
    return m_marked && snapshot() != m_saved;
}

bool UnsavedInput::mayDiscard() const
{
    if (!changed())
        return true;
    const QString title = m_form->windowTitle();
    return Prompt::yesNo(title + QStringLiteral("尚未保存，要放弃所输入的内容吗？"), title, false);
}

QStringList UnsavedInput::snapshot() const
{
    // Everything the operator can change, in a fixed order; fields that
    // only show something are not input.
    QStringList input;
    for (const QLineEdit *e : m_form->findChildren<QLineEdit *>())
        if (!e->isReadOnly() && !qobject_cast<const QComboBox *>(e->parent()))
            input << e->text();
    for (const QComboBox *c : m_form->findChildren<QComboBox *>())
        input << QString::number(c->currentIndex()) << c->currentText();
    for (const QAbstractButton *b : m_form->findChildren<QAbstractButton *>())
        if (b->isCheckable())
            input << QString::number(b->isChecked());
    for (const QAbstractItemView *view : m_form->findChildren<QAbstractItemView *>()) {
        if (qobject_cast<const QComboBox *>(view->parent()) || !view->model())
            continue;
        const QAbstractItemModel *model = view->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            for (int column = 0; column < model->columnCount(); ++column) {
                const QModelIndex index = model->index(row, column);
                if (model->flags(index) & Qt::ItemIsEditable)
                    input << index.data(Qt::EditRole).toString();
            }
        }
        if (view->selectionModel())
            for (const QModelIndex &index : view->selectionModel()->selectedIndexes())
                input << QStringLiteral("%1,%2").arg(index.row()).arg(index.column());
    }
    return input;
}

} // namespace mSystem
