#include "sales/callnotice.h"

#include "datastore/currency.h"
#include "datastore/prompt.h"
#include "sales/customerlookup.h"
#include "sales/frmsale.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QPointer<CallNotice> &shown()
{
    static QPointer<CallNotice> notice;
    return notice;
}

std::function<void()> &newSaleOpener()
{
    static std::function<void()> open;
    return open;
}

} // namespace

CallNotice::CallNotice(QWidget *parent)
    : QFrame(parent, Qt::Tool | Qt::WindowStaysOnTopHint), lblCaller(new QLabel(this)),
      lblOpen(new QLabel(this)), btnAnswerCall(new QPushButton(QStringLiteral("接听此来电"), this)),
      btnNewSale(new QPushButton(QStringLiteral("新建销售单"), this)),
      btnClose(new QPushButton(QStringLiteral("关闭"), this))
{
    setObjectName(QStringLiteral("frmCallNotice"));
    setWindowTitle(QStringLiteral("来电"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFrameShape(QFrame::Box);
    lblCaller->setObjectName(QStringLiteral("lblCaller"));
    lblOpen->setObjectName(QStringLiteral("lblOpen"));
    btnAnswerCall->setObjectName(QStringLiteral("btnAnswerCall"));
    btnNewSale->setObjectName(QStringLiteral("btnNewSale"));
    btnClose->setObjectName(QStringLiteral("btnClose"));
    lblCaller->setTextFormat(Qt::PlainText);
    lblCaller->setWordWrap(true);
    QFont big = lblCaller->font();
    big.setPointSizeF(big.pointSizeF() * 1.2);
    lblCaller->setFont(big);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(btnAnswerCall);
    buttons->addWidget(btnNewSale);
    buttons->addStretch();
    buttons->addWidget(btnClose);
    auto *box = new QVBoxLayout(this);
    box->addWidget(lblCaller);
    box->addWidget(lblOpen);
    box->addLayout(buttons);
    setMinimumWidth(280);
    connect(btnAnswerCall, &QPushButton::clicked, this, &CallNotice::answer);
    connect(btnNewSale, &QPushButton::clicked, this, &CallNotice::newSale);
    connect(btnClose, &QPushButton::clicked, this, &QWidget::close);
}

CallNotice *CallNotice::current()
{
    // A closed notice is only waiting to be deleted.
    CallNotice *notice = shown();
    return notice && notice->isVisible() ? notice : nullptr;
}

CallNotice *CallNotice::showCall(const QString &number, frmSale *form)
{
    CallNotice *notice = current();
    if (!notice) {
        notice = new CallNotice;
        shown() = notice;
    }
    notice->fill(number, form);
    notice->show();
    notice->adjustSize();
    notice->placeBeside(form);
    notice->raise();
    return notice;
}

void CallNotice::fill(const QString &number, frmSale *form)
{
    m_number = number;
    m_form = form;
    QString caller = QStringLiteral("来电：%1").arg(number.trimmed());
    QString open;
    const std::optional<Recordset> found
        = CustomerLookup::findCustomers(CustomerLookup::ByPhone, number);
    if (!found || found->isEmpty()) {
        caller += QStringLiteral("\n没有找到使用该号码的客户");
    } else if (found->recordCount() > 1) {
        caller += QStringLiteral("\n该号码有 %1 位客户").arg(found->recordCount());
    } else {
        caller += QStringLiteral("\n%1\n%2")
                      .arg(found->value(0, QStringLiteral("Name")).toString(),
                          found->value(0, QStringLiteral("Address")).toString());
        const qint64 id = found->value(0, QStringLiteral("ID")).toLongLong();
        if (const std::optional<Recordset> sums = CustomerLookup::historySums(id)) {
            open = QStringLiteral("欠款 %1 元，欠瓶 %2 个")
                       .arg(Currency::fromVariant(
                                sums->value(0, QStringLiteral("HistoryMoneyBalance")))
                                .toTwoDecimals(),
                           Currency::fromVariant(
                               sums->value(0, QStringLiteral("HistoryContainerBalance")))
                               .toSqlText());
        }
    }
    lblCaller->setText(caller);
    lblOpen->setText(open);
    lblOpen->setVisible(!open.isEmpty());
    btnAnswerCall->setVisible(form != nullptr);
    btnNewSale->setVisible(form == nullptr);
}

void CallNotice::placeBeside(QWidget *form)
{
    const QScreen *screen = form ? form->screen() : QApplication::primaryScreen();
    const QRect room = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const QSize size = frameGeometry().size().expandedTo(sizeHint());
    if (!form) {
        move(room.right() - size.width() - 8, room.bottom() - size.height() - 8);
        return;
    }
    // Right of the form, else left of it, else over its top right corner:
    // never over the fields being typed if there is room elsewhere.
    const QRect frame = form->frameGeometry();
    int x = frame.right() + 4;
    if (x + size.width() > room.right())
        x = frame.left() - size.width() - 4;
    if (x < room.left())
        x = room.right() - size.width();
    move(std::max(room.left(), x), std::max(room.top(), frame.top()));
}

void CallNotice::answer()
{
    if (!m_form || !m_form->isWaitingForCall()) {
        newSale();
        return;
    }
    if (m_form->hasUnsavedInput()
        && !Prompt::yesNo(QStringLiteral("销售单据尚未保存，要放弃所输入的内容并接听此来电吗？"),
            QStringLiteral("来电"), false))
        return;
    const QPointer<frmSale> form = m_form;
    const QString number = m_number;
    close();
    form->takeIncomingCall(number);
    form->activateWindow();
}

void CallNotice::setNewSaleOpener(std::function<void()> open)
{
    newSaleOpener() = std::move(open);
}

void CallNotice::newSale()
{
    const QString number = m_number;
    close();
    // Filled once it is on screen, as a ring fills an open form: the first
    // turn of the event loop that shows it.
    QTimer::singleShot(0, qApp, [number] {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (auto *form = qobject_cast<frmSale *>(window); form && form->isWaitingForCall())
                form->takeIncomingCall(number);
        }
    });
    if (newSaleOpener()) {
        newSaleOpener()();
        return;
    }
    frmSale form;
    form.mActionType = frmSale::New;
    form.exec();
}
