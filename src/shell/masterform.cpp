#include "shell/masterform.h"

#include "datastore/currency.h"
#include "shell/inputcheck.h"
#include "shell/leavecheck.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

MasterForm::MasterForm(const QString &name, const QString &caption, QWidget *parent)
    : QDialog(parent), btnSave(new QPushButton(QStringLiteral("保存"))),
      btnExit(new QPushButton(QStringLiteral("退出"))), m_fields(new QGridLayout)
{
    setObjectName(name);
    setWindowTitle(caption);
    btnSave->setObjectName(QStringLiteral("btnSave"));
    btnExit->setObjectName(QStringLiteral("btnExit"));
    btnSave->setAutoDefault(false);
    btnSave->setDefault(true);
    btnSave->setEnabled(false);
    connect(btnSave, &QPushButton::clicked, this, [this] { save(); });
    connect(btnExit, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnSave);
    buttons->addWidget(btnExit);
    auto *box = new QVBoxLayout(this);
    box->addLayout(m_fields);
    box->addStretch();
    box->addLayout(buttons);
}

int MasterForm::exec()
{
    if (mActionType == Edit && !loadRecord())
        return Rejected;
    updateSave();
    return QDialog::exec();
}

void MasterForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_unsaved.formShown();
}

void MasterForm::reject()
{
    if (m_unsaved.mayDiscard())
        QDialog::reject();
}

QLineEdit *MasterForm::addLine(int row, const char *name, const QString &label)
{
    auto *edit = new QLineEdit;
    edit->setObjectName(QLatin1String(name));
    m_fields->addWidget(new QLabel(label), row, 0, Qt::AlignRight);
    m_fields->addWidget(edit, row, 1);
    connect(edit, &QLineEdit::textChanged, this, [this] { updateSave(); });
    return edit;
}

QCheckBox *MasterForm::addCheck(int row, const char *name, const QString &text)
{
    auto *check = new QCheckBox(text);
    check->setObjectName(QLatin1String(name));
    m_fields->addWidget(check, row, 1);
    return check;
}

void MasterForm::setSaveRule(std::function<bool()> rule)
{
    m_saveRule = std::move(rule);
    updateSave();
}

void MasterForm::updateSave()
{
    btnSave->setEnabled(m_saveRule && m_saveRule());
}

void MasterForm::makePriceField(QLineEdit *field)
{
    field->setText(QStringLiteral("0"));
    mSystem::checkOnLeave(field, [field] {
        if (field->text().trimmed().isEmpty()) {
            field->setText(QStringLiteral("0"));
            return true;
        }
        Currency ignored;
        return priceOf(field, &ignored);
    });
}

bool MasterForm::priceOf(QLineEdit *field, Currency *out)
{
    const QString text = field->text().trimmed();
    if (text.isEmpty()) {
        *out = Currency();
        return true;
    }
    return mSystem::CheckInput(text, mSystem::CheckMoney) && mSystem::ParseMoney(text, out);
}

void MasterForm::save()
{
    if (!btnSave->isEnabled() || !saveRecord())
        return;
    if (mActionType == Edit) {
        accept();
        return;
    }
    clearForNext();
    updateSave();
    m_unsaved.markSaved();
}
