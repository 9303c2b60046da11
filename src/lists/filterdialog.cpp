#include "lists/filterdialog.h"

#include "datastore/currency.h"
#include "datastore/mdatabase.h"
#include "shell/datetext.h"
#include "shell/idlist.h"
#include "shell/inputcheck.h"
#include "shell/loginstate.h"
#include "shell/pickers.h"
#include "shell/picklists.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

FilterDialog::FilterDialog(QWidget *parent) : QDialog(parent)
{
    m_body = new QWidget(this);
    m_grid = new QGridLayout(m_body);
    btnOk = new QPushButton(QStringLiteral("确定"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("取消"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    chkStation = new QCheckBox(this);
    chkStation->setObjectName(QStringLiteral("chkStation"));
    cmbStation = new QComboBox(this);
    cmbStation->setObjectName(QStringLiteral("cmbStation"));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(chkStation, &QCheckBox::clicked, this, &FilterDialog::RefreshControl);
}

QCheckBox *FilterDialog::addCheck(const char *name, const char *caption)
{
    auto *check = new QCheckBox(QString::fromUtf8(caption), m_body);
    check->setObjectName(QString::fromLatin1(name));
    connect(check, &QCheckBox::clicked, this, &FilterDialog::RefreshControl);
    return check;
}

QComboBox *FilterDialog::addOperator(int index)
{
    auto *op = new QComboBox(m_body);
    op->setObjectName(QStringLiteral("cmbOperator_%1").arg(index));
    op->addItems({QStringLiteral(">"), QStringLiteral("="), QStringLiteral("<"),
        QStringLiteral("<="), QStringLiteral(">=")});
    op->setCurrentIndex(-1);
    return op;
}

QLineEdit *FilterDialog::addBox(const char *name, BoxKind kind)
{
    auto *box = new QLineEdit(m_body);
    box->setObjectName(QString::fromLatin1(name));
    if (kind != BoxKind::Text)
        box->installEventFilter(this);
    return box;
}

QComboBox *FilterDialog::addChoice(const char *name, const QString &sql)
{
    auto *combo = new QComboBox(m_body);
    combo->setObjectName(QString::fromLatin1(name));
    if (!sql.isEmpty())
        IdList::fill(combo, sql);
    return combo;
}

FilterDialog::Criterion &FilterDialog::addCriterion(Criterion c)
{
    const int row = m_grid->rowCount();
    m_grid->addWidget(c.check, row, 0);
    int column = 1;
    if (c.op)
        m_grid->addWidget(c.op, row, column++);
    if (c.text) {
        if (c.kind == BoxKind::Date) {
            c.pickDate = new QPushButton(QStringLiteral("..."), m_body);
            c.pickDate->setObjectName(QStringLiteral("btnPickDate"));
            c.pickDate->setFixedWidth(32);
            QLineEdit *box = c.text;
            connect(c.pickDate, &QPushButton::clicked, this, [box] {
                const QDate date = mSystem::PickDate();
                if (date.isValid())
                    box->setText(DateText::shortDate(date));
            });
            auto *pair = new QHBoxLayout;
            pair->addWidget(c.text, 1);
            pair->addWidget(c.pickDate);
            m_grid->addLayout(pair, row, column, 1, c.op ? 1 : 2);
        } else {
            m_grid->addWidget(c.text, row, column, 1, c.op ? 1 : 2);
        }
    }
    if (c.choice)
        m_grid->addWidget(c.choice, row, 1, 1, 2);
    m_criteria << c;
    return m_criteria.last();
}

QButtonGroup *FilterDialog::addOptions(
    const char *name, const char *caption, const QStringList &captions, int checked)
{
    auto *box = new QGroupBox(QString::fromUtf8(caption), m_body);
    auto *layout = new QHBoxLayout(box);
    auto *group = new QButtonGroup(this);
    group->setObjectName(QString::fromLatin1(name));
    for (int i = 0; i < captions.size(); ++i) {
        auto *option = new QRadioButton(captions[i], box);
        option->setObjectName(
            QStringLiteral("%1_%2").arg(QString::fromLatin1(name), QString::number(i)));
        group->addButton(option, i);
        layout->addWidget(option);
    }
    group->button(checked)->setChecked(true);
    m_grid->addWidget(box, m_grid->rowCount(), 0, 1, 3);
    return group;
}

void FilterDialog::finishLayout(QWidget *extra)
{
    chkStation->setParent(m_body);
    cmbStation->setParent(m_body);
    const int row = m_grid->rowCount();
    m_grid->addWidget(chkStation, row, 0);
    m_grid->addWidget(cmbStation, row, 1, 1, 2);
    optSearchType = addOptions("optSearchType", "查询方式：",
        {QStringLiteral("查询现有结果"), QStringLiteral("全新查询")}, 1);
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(btnOk, QDialogButtonBox::AcceptRole);
    buttons->addButton(btnCancel, QDialogButtonBox::RejectRole);
    disconnect(buttons, nullptr, this, nullptr);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_body);
    if (extra)
        layout->addWidget(extra);
    layout->addWidget(buttons);
}

void FilterDialog::fillStations()
{
    IdList::fill(cmbStation, PickLists::activeStations().value_or(Recordset()));
    IdList::select(cmbStation, gStationID);
    // Another station's user always stays within that station.
    if (!gIsHeadStation) {
        chkStation->setChecked(true);
        chkStation->setEnabled(false);
        cmbStation->setEnabled(false);
    }
}

void FilterDialog::RefreshControl()
{
    for (Criterion &c : m_criteria) {
        const bool on = c.check->isChecked();
        if (c.op) {
            c.op->setEnabled(on);
            if (on && c.op->currentIndex() < 0)
                c.op->setCurrentIndex(1);
        }
        if (c.text) {
            if (on && mDatabase::TrimBlanks(c.text->text()).isEmpty())
                c.text->setText(c.kind == BoxKind::Date ? DateText::shortDate(QDate::currentDate())
                        : c.kind == BoxKind::Text       ? QString()
                                                        : QStringLiteral("0"));
            c.text->setEnabled(on);
            QPalette p = c.text->palette();
            p.setColor(QPalette::Base, on ? QColor(Qt::white) : palette().color(QPalette::Window));
            c.text->setPalette(p);
        }
        if (c.pickDate)
            c.pickDate->setEnabled(on);
        if (c.choice)
            c.choice->setEnabled(on);
    }
}

bool FilterDialog::leaveBox(QLineEdit *box, BoxKind kind)
{
    if (!box->isEnabled())
        return true;
    if (mDatabase::TrimBlanks(box->text()).isEmpty()) {
        box->setText(kind == BoxKind::Date ? DateText::shortDate(QDate::currentDate())
                                           : QStringLiteral("0"));
        return true;
    }
    const int check = kind == BoxKind::Date ? mSystem::CheckDate
        : kind == BoxKind::Integer          ? mSystem::CheckInteger
                                            : mSystem::CheckNumber;
    return mSystem::CheckInput(box->text(), check);
}

bool FilterDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            for (const Criterion &c : std::as_const(m_criteria)) {
                if (c.text == watched && !leaveBox(c.text, c.kind)) {
                    QLineEdit *box = c.text;
                    QTimer::singleShot(0, box, [box] {
                        box->setFocus();
                        box->selectAll();
                    });
                }
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

QString FilterDialog::operatorText(const QComboBox *op)
{
    return op && op->currentIndex() >= 0 ? op->currentText() : QStringLiteral("=");
}

bool FilterDialog::numberValue(const Criterion &c, QString *sql) const
{
    const QString text = mDatabase::TrimBlanks(c.text->text());
    const int check = c.kind == BoxKind::Integer ? mSystem::CheckInteger : mSystem::CheckNumber;
    Currency value;
    if (!mSystem::CheckInput(text, check) || !Currency::parse(text, &value)) {
        c.text->setFocus();
        return false;
    }
    *sql = value.toSqlText();
    return true;
}

bool FilterDialog::dateValue(const Criterion &c, QString *sql) const
{
    if (!mSystem::CheckInput(c.text->text(), mSystem::CheckDate)) {
        c.text->setFocus();
        return false;
    }
    *sql = DateText::sqlLiteral(c.text->text());
    return !sql->isEmpty();
}

QString FilterDialog::likeAnywhere(const QString &text)
{
    return mDatabase::SqlLikeAnywhere(mDatabase::TrimBlanks(text));
}

bool FilterDialog::stationCondition(qint64 *stationId) const
{
    // Another station's operator sees his own station's rows, whatever the
    // station list holds (his station may be suspended, or missing from it).
    if (!gIsHeadStation) {
        *stationId = gStationID;
        return true;
    }
    if (!chkStation->isChecked() || cmbStation->currentIndex() < 0)
        return false;
    *stationId = cmbStation->currentData().toLongLong();
    // The head station stands for the whole group.
    return *stationId != mDatabase::GetMinValue(QStringLiteral("Station"), QStringLiteral("ID"));
}
