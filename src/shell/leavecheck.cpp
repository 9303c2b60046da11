#include "shell/leavecheck.h"

#include <QFocusEvent>
#include <QLineEdit>
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

} // namespace mSystem
