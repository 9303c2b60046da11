#include "shell/frmpickdate.h"

#include "shell/datetext.h"
#include "shell/inputcheck.h"
#include "shell/pickers.h"

#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmPickDate::frmPickDate(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPickDate"));
    setWindowTitle(QStringLiteral("请选择日期"));

    mvwMain = new QCalendarWidget(this);
    mvwMain->setObjectName(QStringLiteral("mvwMain"));
    mvwMain->setSelectedDate(QDate::currentDate());
    mvwMain->setGridVisible(true);
    txtValue = new QLineEdit(this);
    txtValue->setObjectName(QStringLiteral("txtValue"));
    btnOk = new QPushButton(QStringLiteral("确认"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);

    auto *row = new QHBoxLayout;
    row->addWidget(txtValue, 1);
    row->addWidget(btnOk);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(mvwMain);
    layout->addLayout(row);

    connect(mvwMain, &QCalendarWidget::clicked, this,
        [this](const QDate &date) { txtValue->setText(DateText::shortDate(date)); });
    // A double click is the quick way: pick the day and close.
    connect(mvwMain, &QCalendarWidget::activated, this, [this](const QDate &date) {
        txtValue->setText(DateText::shortDate(date));
        confirm();
    });
    connect(btnOk, &QPushButton::clicked, this, &frmPickDate::confirm);
}

void frmPickDate::confirm()
{
    const QString text = txtValue->text().trimmed();
    if (text.isEmpty()) {
        PickedDate = mvwMain->selectedDate();
    } else {
        // Typed text must be a date; the check says so and keeps the dialog open.
        if (!mSystem::CheckInput(text, mSystem::CheckDate)) {
            txtValue->setFocus();
            txtValue->selectAll();
            return;
        }
        PickedDate = DateText::parse(text);
    }
    accept();
}
