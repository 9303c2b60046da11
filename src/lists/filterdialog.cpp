#include "lists/filterdialog.h"

#include "datastore/currency.h"
#include "datastore/mdatabase.h"
#include "lists/listwindow.h"
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

FilterDialog::FilterDialog(const Table &table, Joining joining, ListWindow *target, QWidget *parent)
    : QDialog(parent), m_table(table), m_joining(joining), m_target(target)
{
    m_body = new QWidget(this);
    m_grid = new QGridLayout(m_body);
    btnOk = new QPushButton(QStringLiteral("确定"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("取消"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnDefault = new QPushButton(QStringLiteral("恢复默认"), this);
    btnDefault->setObjectName(QStringLiteral("btnDefault"));
    btnDefault->setToolTip(QStringLiteral("清除查询条件，列表回到打开时的样子"));
    chkStation = new QCheckBox(QString::fromUtf8(table.stationCaption), this);
    chkStation->setObjectName(QStringLiteral("chkStation"));
    cmbStation = new QComboBox(this);
    cmbStation->setObjectName(QStringLiteral("cmbStation"));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(chkStation, &QCheckBox::clicked, this, &FilterDialog::RefreshControl);

    int operators = 0;
    for (const Criterion &c : table.criteria)
        addRow(c, &operators);
    for (const Options &o : table.options)
        m_options << OptionRow{o, addOptions(o.name, o.caption, o.captions, 0)};
    finishLayout();
    fillStations();
    RefreshControl();
    connect(btnOk, &QPushButton::clicked, this, &FilterDialog::confirm);
    connect(btnDefault, &QPushButton::clicked, this, [this] {
        if (m_target)
            m_target->restoreDefaultView();
        reject();
    });
}

void FilterDialog::showEvent(QShowEvent *event)
{
    // After the dialog of each list has set its own starting choices.
    if (!m_restored && m_target && !m_target->filterState().isEmpty())
        restoreState(m_target->filterState());
    m_restored = true;
    QDialog::showEvent(event);
}

QVariantMap FilterDialog::state() const
{
    QVariantMap state;
    for (const Row &r : m_rows) {
        const QString name = QString::fromLatin1(r.criterion.name);
        state[QStringLiteral("chk") + name] = r.check->isChecked();
        if (r.op)
            state[QStringLiteral("op") + name] = r.op->currentIndex();
        if (r.text)
            state[QStringLiteral("txt") + name] = r.text->text();
        if (r.choice)
            state[QStringLiteral("cmb") + name] = r.choice->currentIndex();
    }
    for (const OptionRow &o : m_options)
        state[QString::fromLatin1(o.options.name)] = o.group->checkedId();
    state[QStringLiteral("optSearchType")] = optSearchType->checkedId();
    state[QStringLiteral("chkStation")] = chkStation->isChecked();
    state[QStringLiteral("cmbStation")] = cmbStation->currentData();
    return state;
}

void FilterDialog::restoreState(const QVariantMap &state)
{
    for (Row &r : m_rows) {
        const QString name = QString::fromLatin1(r.criterion.name);
        r.check->setChecked(state.value(QStringLiteral("chk") + name).toBool());
        if (r.op)
            r.op->setCurrentIndex(state.value(QStringLiteral("op") + name, 0).toInt());
        if (r.text)
            r.text->setText(state.value(QStringLiteral("txt") + name).toString());
        if (r.choice)
            r.choice->setCurrentIndex(state.value(QStringLiteral("cmb") + name, 0).toInt());
    }
    const auto check = [&state](QButtonGroup *group, const QString &name) {
        if (QAbstractButton *b = group->button(state.value(name, -1).toInt()))
            b->setChecked(true);
    };
    for (const OptionRow &o : m_options)
        check(o.group, QString::fromLatin1(o.options.name));
    check(optSearchType, QStringLiteral("optSearchType"));
    // Another station's user stays within that station whatever was kept.
    if (gIsHeadStation) {
        chkStation->setChecked(state.value(QStringLiteral("chkStation")).toBool());
        IdList::select(cmbStation, state.value(QStringLiteral("cmbStation")).toLongLong());
    }
    RefreshControl();
}

void FilterDialog::addRow(const Criterion &c, int *operators)
{
    Row row{c};
    row.check = new QCheckBox(QString::fromUtf8(c.caption), m_body);
    row.check->setObjectName(QStringLiteral("chk") + QLatin1String(c.name));
    connect(row.check, &QCheckBox::clicked, this, &FilterDialog::RefreshControl);
    const int line = m_grid->rowCount();
    m_grid->addWidget(row.check, line, 0);
    if (c.input == Input::Position || c.input == Input::Id) {
        row.choice = new QComboBox(m_body);
        row.choice->setObjectName(QStringLiteral("cmb") + QLatin1String(c.name));
        if (c.input == Input::Id)
            IdList::fill(row.choice, c.choices);
        else
            row.choice->addItems(c.positions);
        m_grid->addWidget(row.choice, line, 1, 1, 2);
        m_rows << row;
        return;
    }
    int column = 1;
    if (c.input != Input::Text) {
        row.op = new QComboBox(m_body);
        row.op->setObjectName(QStringLiteral("cmbOperator_%1").arg((*operators)++));
        row.op->addItems({QStringLiteral(">"), QStringLiteral("="), QStringLiteral("<"),
            QStringLiteral("<="), QStringLiteral(">=")});
        row.op->setCurrentIndex(-1);
        m_grid->addWidget(row.op, line, column++);
    }
    row.text = new QLineEdit(m_body);
    row.text->setObjectName(QStringLiteral("txt") + QLatin1String(c.name));
    if (c.input != Input::Text)
        row.text->installEventFilter(this);
    const int span = row.op ? 1 : 2;
    if (c.input == Input::Date) {
        row.pickDate = new QPushButton(QStringLiteral("..."), m_body);
        row.pickDate->setObjectName(QStringLiteral("btnPickDate"));
        row.pickDate->setFixedWidth(32);
        QLineEdit *box = row.text;
        connect(row.pickDate, &QPushButton::clicked, this, [box] {
            const QDate date = mSystem::PickDate();
            if (date.isValid())
                box->setText(DateText::shortDate(date));
        });
        auto *pair = new QHBoxLayout;
        pair->addWidget(row.text, 1);
        pair->addWidget(row.pickDate);
        m_grid->addLayout(pair, line, column, 1, span);
    } else {
        m_grid->addWidget(row.text, line, column, 1, span);
    }
    m_rows << row;
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

void FilterDialog::finishLayout()
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
    buttons->addButton(btnDefault, QDialogButtonBox::ResetRole);
    // A dialog that only hands its conditions back has no list to restore.
    btnDefault->setVisible(m_target != nullptr);
    disconnect(buttons, nullptr, this, nullptr);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_body);
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
    for (Row &r : m_rows) {
        const bool on = r.check->isChecked();
        if (r.op) {
            r.op->setEnabled(on);
            if (on && r.op->currentIndex() < 0)
                r.op->setCurrentIndex(1);
        }
        if (r.text) {
            const Input input = r.criterion.input;
            if (on && mDatabase::TrimBlanks(r.text->text()).isEmpty())
                r.text->setText(input == Input::Date ? DateText::shortDate(QDate::currentDate())
                        : input == Input::Text       ? QString()
                                                     : QStringLiteral("0"));
            r.text->setEnabled(on);
            QPalette p = r.text->palette();
            p.setColor(QPalette::Base, on ? QColor(Qt::white) : palette().color(QPalette::Window));
            r.text->setPalette(p);
        }
        if (r.pickDate)
            r.pickDate->setEnabled(on);
        if (r.choice)
            r.choice->setEnabled(on);
    }
    if (m_table.stationFollowsCheck)
        cmbStation->setEnabled(chkStation->isChecked() && gIsHeadStation);
}

bool FilterDialog::leaveBox(QLineEdit *box, Input input)
{
    if (!box->isEnabled())
        return true;
    if (mDatabase::TrimBlanks(box->text()).isEmpty()) {
        box->setText(
            input == Input::Date ? DateText::shortDate(QDate::currentDate()) : QStringLiteral("0"));
        return true;
    }
    const int check = input == Input::Date ? mSystem::CheckDate
        : input == Input::Integer          ? mSystem::CheckInteger
                                           : mSystem::CheckNumber;
    return mSystem::CheckInput(box->text(), check);
}

bool FilterDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            for (const Row &r : std::as_const(m_rows)) {
                if (r.text == watched && !leaveBox(r.text, r.criterion.input)) {
                    QLineEdit *box = r.text;
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

bool FilterDialog::numberValue(const Row &r, QString *sql) const
{
    const QString text = mDatabase::TrimBlanks(r.text->text());
    const int check
        = r.criterion.input == Input::Integer ? mSystem::CheckInteger : mSystem::CheckNumber;
    Currency value;
    if (!mSystem::CheckInput(text, check) || !Currency::parse(text, &value)) {
        r.text->setFocus();
        return false;
    }
    *sql = value.toSqlText();
    return true;
}

bool FilterDialog::dateValue(const Row &r, QString *sql) const
{
    if (!mSystem::CheckInput(r.text->text(), mSystem::CheckDate)) {
        r.text->setFocus();
        return false;
    }
    *sql = DateText::sqlLiteral(r.text->text());
    return !sql->isEmpty();
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

bool FilterDialog::BuildFilterSQL(QString *fragment)
{
    QStringList conditions;
    for (const Row &r : std::as_const(m_rows)) {
        if (!r.check->isChecked())
            continue;
        const QString condition = QString::fromUtf8(r.criterion.condition);
        switch (r.criterion.input) {
        case Input::Text:
            conditions << mDatabase::dialect().anyCaseLike(condition).arg(
                mDatabase::SqlLikeAnywhere(mDatabase::TrimBlanks(r.text->text())));
            break;
        case Input::Position:
        case Input::Id:
            if (r.choice->currentIndex() >= 0)
                conditions << condition.arg(r.criterion.input == Input::Position
                        ? QString::number(r.choice->currentIndex())
                        : QString::number(r.choice->currentData().toLongLong()));
            break;
        case Input::Number:
        case Input::Integer:
        case Input::Date: {
            QString value;
            if (!(r.criterion.input == Input::Date ? dateValue(r, &value) : numberValue(r, &value)))
                return false;
            conditions << condition.arg(
                r.op->currentIndex() >= 0 ? r.op->currentText() : QStringLiteral("="), value);
            break;
        }
        }
    }
    for (const OptionRow &o : std::as_const(m_options)) {
        const QString condition = o.options.conditions.value(o.group->checkedId());
        if (!condition.isEmpty())
            conditions << condition;
    }
    qint64 station = 0;
    if (stationCondition(&station))
        conditions << QString::fromUtf8(m_table.stationCondition).arg(QString::number(station));
    *fragment = conditions.join(m_joining == Joining::Where ? QStringLiteral(" AND ") : QString());
    return true;
}

bool FilterDialog::isNewSearch() const
{
    return optSearchType->checkedId() == 1;
}

QString FilterDialog::applyTo(const QString &current, const QString &fragment) const
{
    if (m_joining == Joining::Appended) {
        if (isNewSearch())
            return fragment;
        return current + fragment;
    }
    if (isNewSearch())
        return fragment.isEmpty() ? QString() : QStringLiteral(" WHERE ") + fragment;
    if (fragment.isEmpty())
        return current;
    if (mDatabase::TrimBlanks(current).isEmpty())
        return QStringLiteral(" WHERE ") + fragment;
    return QStringLiteral("%1 AND %2").arg(current, fragment);
}

QString FilterDialog::describe() const
{
    // A caption ends in "：" where a value follows; an operator takes its place.
    const auto bare = [](const char *caption) {
        QString text = QString::fromUtf8(caption);
        if (text.endsWith(QChar(0xFF1A)))
            text.chop(1);
        return text;
    };
    QStringList parts;
    for (const Row &r : m_rows) {
        if (!r.check->isChecked())
            continue;
        const QString caption = QString::fromUtf8(r.criterion.caption);
        if (r.choice) {
            if (r.choice->currentIndex() >= 0)
                parts << caption + r.choice->currentText();
        } else if (!r.op) {
            parts << QStringLiteral("%1“%2”").arg(caption, mDatabase::TrimBlanks(r.text->text()));
        } else {
            parts << bare(r.criterion.caption)
                    + (r.op->currentIndex() >= 0 ? r.op->currentText() : QStringLiteral("="))
                    + mDatabase::TrimBlanks(r.text->text());
        }
    }
    for (const OptionRow &o : m_options) {
        if (!o.options.conditions.value(o.group->checkedId()).isEmpty())
            parts << QString::fromUtf8(o.options.caption)
                    + o.options.captions.value(o.group->checkedId());
    }
    qint64 station = 0;
    if (stationCondition(&station)) {
        const int at = cmbStation->findData(station);
        parts << chkStation->text()
                + (at >= 0 ? cmbStation->itemText(at)
                           : mDatabase::GetFieldByID(
                               station, QStringLiteral("Station"), QStringLiteral("Name")));
    }
    return parts.join(QStringLiteral("，"));
}

void FilterDialog::confirm()
{
    QString fragment;
    if (!BuildFilterSQL(&fragment))
        return;
    if (m_target) {
        m_target->keepDefaultView();
        m_target->curFilterSQL = applyTo(m_target->curFilterSQL, fragment);
        m_target->setFilterState(state(), describe());
    }
    accept();
}
