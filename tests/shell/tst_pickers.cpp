#include "common/modalhelper.h"
#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/mdatabase.h"
#include "shell/datetext.h"
#include "shell/frmpickdate.h"
#include "shell/frmselcustomer.h"
#include "shell/messageboxprompt.h"
#include "shell/pickers.h"

#include <QCalendarWidget>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QtTest>

#include <memory>

namespace {

const QString DateCaption = QStringLiteral("请选择日期");
const QString CustomerCaption = QStringLiteral("请选择客户");
const QString ErrorTitle = QStringLiteral("错误");
const QString ReadError = QStringLiteral("读取数据库时出现系统错误，错误信息：");

QString notADate(const QString &text)
{
    return QStringLiteral("数据输入格式不正确， ") + text + QStringLiteral(" 不是有效的日期！");
}

struct DateControls {
    explicit DateControls(QWidget *dialog)
        : calendar(dialog->findChild<QCalendarWidget *>(QStringLiteral("mvwMain"))),
          value(dialog->findChild<QLineEdit *>(QStringLiteral("txtValue"))),
          ok(dialog->findChild<QPushButton *>(QStringLiteral("btnOk")))
    {
    }
    bool complete() const { return calendar && value && ok; }

    QCalendarWidget *calendar;
    QLineEdit *value;
    QPushButton *ok;
};

struct CustomerControls {
    explicit CustomerControls(QWidget *dialog)
        : grid(dialog->findChild<QTableView *>(QStringLiteral("dbgMain"))),
          ok(dialog->findChild<QPushButton *>(QStringLiteral("btnOk"))),
          cancel(dialog->findChild<QPushButton *>(QStringLiteral("btnCancel")))
    {
    }
    bool complete() const { return grid && grid->model() && ok && cancel; }

    QString cell(int row, int column) const
    {
        return grid->model()->index(row, column).data().toString();
    }

    QTableView *grid;
    QPushButton *ok;
    QPushButton *cancel;
};

// Clicks the calendar's own cell for a day, as a person does with the mouse,
// so the whole path from the view to the dialog's text is exercised. Day 15
// appears once on every month page; the leading and trailing days of the
// neighbouring months never reach it.
bool clickDayFifteen(QCalendarWidget *calendar)
{
    auto *view = calendar->findChild<QTableView *>(QStringLiteral("qt_calendar_calendarview"));
    if (!view)
        return false;
    QModelIndex target;
    int matches = 0;
    for (int row = 0; row < view->model()->rowCount(); ++row) {
        for (int column = 0; column < view->model()->columnCount(); ++column) {
            const QModelIndex index = view->model()->index(row, column);
            if (index.data().toString() == QLatin1String("15")) {
                target = index;
                ++matches;
            }
        }
    }
    if (matches != 1)
        return false;
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(target).center());
    return true;
}

int addCustomer(int account, const QString &name, const QString &phone, const QString &address)
{
    return int(mDatabase::InsertAndGetID(
        QStringLiteral("insert into Customer(Account,Name,Phone,Address,Status) values(")
        + QString::number(account) + QLatin1Char(',') + mDatabase::SqlStr(name) + QLatin1Char(',')
        + mDatabase::SqlStr(phone) + QLatin1Char(',') + mDatabase::SqlStr(address)
        + QStringLiteral(",'1')")));
}

QString customersByPhone(const QString &phone)
{
    return QStringLiteral("select ID,Account,Name,Phone,Address from Customer where Phone=")
        + mDatabase::SqlStr(phone) + QStringLiteral(" order by ID");
}

// What a dialog opened by the code under test looked like while it was up.
struct ModalSeen {
    bool opened = false;
    QString objectName;
    QString title;
    bool controlsFound = false;
    // It had to be closed by force after the scripted action: the action
    // did not close it as expected.
    bool leftOpen = false;
};

// Runs action on the next modal dialog and closes that dialog afterwards if
// the action left it open, so a misbehaving dialog fails the test instead
// of hanging it.
void onNextModal(ModalSeen *seen, std::function<bool(QDialog *)> action)
{
    whenModal([seen, action](QWidget *modal) {
        seen->opened = true;
        seen->objectName = modal->objectName();
        seen->title = modal->windowTitle();
        auto *dialog = qobject_cast<QDialog *>(modal);
        if (!dialog) {
            modal->close();
            return;
        }
        seen->controlsFound = action(dialog);
        if (dialog->isVisible()) {
            seen->leftOpen = true;
            dialog->reject();
        }
    });
}

// The real handler for one test, uninstalled on every way out of it.
struct RealPrompts {
    RealPrompts() { Prompt::setHandler(&handler); }
    ~RealPrompts() { Prompt::setHandler(nullptr); }
    MessageBoxPrompt handler;
};

enum class DateAction { ClickDayThenOk, TypeThenOk, OkUntouched, TypeThenReject, Reject, Escape };
enum class CustomerAction {
    ClickRowThenOk,
    DoubleClickRow,
    OkUntouched,
    ClickRowThenCancel,
    Escape
};

} // namespace

Q_DECLARE_METATYPE(DateAction)
Q_DECLARE_METATYPE(CustomerAction)

class tst_Pickers : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // The date dialog on its own.
    void dateDialogOpensOnToday();
    void clickedDayIsWrittenAsShortDate_data();
    void clickedDayIsWrittenAsShortDate();
    void calendarSignalIsWrittenAsShortDate_data();
    void calendarSignalIsWrittenAsShortDate();
    void okTakesTypedDate_data();
    void okTakesTypedDate();
    void okWithoutTextTakesCalendarDate_data();
    void okWithoutTextTakesCalendarDate();
    void textThatIsNoDateKeepsDialogOpen_data();
    void textThatIsNoDateKeepsDialogOpen();
    void correctedTextIsAcceptedAfterRefusal();
    void activatedDayPicksAndCloses();

    // mSystem::PickDate through either handler.
    void pickDateAsksScript_data();
    void pickDateAsksScript();
    void pickDateOpensDialog_data();
    void pickDateOpensDialog();

    // The customer chooser.
    void selectCustomerAsksScript_data();
    void selectCustomerAsksScript();
    void selectCustomerOpensDialog_data();
    void selectCustomerOpensDialog();
    void emptyResultGivesNoCustomer();
    void failingQueryReportsReadError();
    void chooserSpeaksChinese();

private:
    TestDatabase m_db;
    std::unique_ptr<ScriptedPrompter> m_prompter;
};

void tst_Pickers::init()
{
    m_prompter = std::make_unique<ScriptedPrompter>();
    PickedDate = QDate();
    PickedCustomerID = -1;
}

void tst_Pickers::cleanup()
{
    m_prompter.reset();
    m_db.dropAll();
}

void tst_Pickers::dateDialogOpensOnToday()
{
    const QDate before = QDate::currentDate();
    frmPickDate dialog;
    const QDate after = QDate::currentDate();
    DateControls c(&dialog);
    QVERIFY(c.complete());
    QCOMPARE(dialog.windowTitle(), DateCaption);
    QCOMPARE(c.ok->text(), QStringLiteral("确认"));
    QVERIFY(c.calendar->selectedDate() == before || c.calendar->selectedDate() == after);
    QVERIFY(c.value->text().isEmpty());
}

void tst_Pickers::clickedDayIsWrittenAsShortDate_data()
{
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<QString>("expected");
    QTest::newRow("December") << 2026 << 12 << QStringLiteral("2026-12-15");
    QTest::newRow("leap February") << 2024 << 2 << QStringLiteral("2024-02-15");
    QTest::newRow("January of a new century") << 2000 << 1 << QStringLiteral("2000-01-15");
}

void tst_Pickers::clickedDayIsWrittenAsShortDate()
{
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(QString, expected);

    frmPickDate dialog;
    DateControls c(&dialog);
    QVERIFY(c.complete());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    c.calendar->setCurrentPage(year, month);
    QVERIFY(clickDayFifteen(c.calendar));
    QCOMPARE(c.value->text(), expected);

    if (dialog.isVisible())
        QTest::mouseClick(c.ok, Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(PickedDate, QDate(year, month, 15));
    QCOMPARE(m_prompter->texts(), QStringList());
}

void tst_Pickers::calendarSignalIsWrittenAsShortDate_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("expected");
    QTest::newRow("single digits padded") << QDate(2026, 3, 5) << QStringLiteral("2026-03-05");
    QTest::newRow("leap day") << QDate(2028, 2, 29) << QStringLiteral("2028-02-29");
    QTest::newRow("last day of year") << QDate(1999, 12, 31) << QStringLiteral("1999-12-31");
}

void tst_Pickers::calendarSignalIsWrittenAsShortDate()
{
    QFETCH(QDate, date);
    QFETCH(QString, expected);

    frmPickDate dialog;
    DateControls c(&dialog);
    QVERIFY(c.complete());
    dialog.show();
    c.value->setText(QStringLiteral("2001-01-01"));
    emit c.calendar->clicked(date);
    QCOMPARE(c.value->text(), expected);
    QVERIFY(dialog.isVisible());
    QCOMPARE(PickedDate, QDate());
}

void tst_Pickers::okTakesTypedDate_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QDate>("expected");
    QTest::newRow("month first with dashes") << QStringLiteral("12-07-2026") << QDate(2026, 12, 7);
    QTest::newRow("year first with slashes") << QStringLiteral("2026/12/7") << QDate(2026, 12, 7);
    QTest::newRow("short form") << QStringLiteral("2026-01-31") << QDate(2026, 1, 31);
    QTest::newRow("chinese form") << QStringLiteral("2025年2月3日") << QDate(2025, 2, 3);
    QTest::newRow("blanks around") << QStringLiteral("  2024.2.29 ") << QDate(2024, 2, 29);
}

void tst_Pickers::okTakesTypedDate()
{
    QFETCH(QString, typed);
    QFETCH(QDate, expected);

    frmPickDate dialog;
    DateControls c(&dialog);
    QVERIFY(c.complete());
    dialog.show();
    // The calendar points elsewhere: the typed text wins.
    c.calendar->setSelectedDate(QDate(2010, 6, 6));
    c.value->setText(typed);
    QTest::mouseClick(c.ok, Qt::LeftButton);

    QCOMPARE(m_prompter->texts(), QStringList());
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(PickedDate, expected);
}

void tst_Pickers::okWithoutTextTakesCalendarDate_data()
{
    QTest::addColumn<QDate>("selected");
    QTest::addColumn<QString>("typed");
    QTest::newRow("today untouched") << QDate() << QString();
    QTest::newRow("other day selected") << QDate(2023, 11, 30) << QString();
    QTest::newRow("only blanks typed") << QDate(2022, 8, 1) << QStringLiteral("   ");
}

void tst_Pickers::okWithoutTextTakesCalendarDate()
{
    QFETCH(QDate, selected);
    QFETCH(QString, typed);

    frmPickDate dialog;
    DateControls c(&dialog);
    QVERIFY(c.complete());
    dialog.show();
    if (selected.isValid())
        c.calendar->setSelectedDate(selected);
    const QDate expected = c.calendar->selectedDate();
    QVERIFY(expected.isValid());
    c.value->setText(typed);
    QTest::mouseClick(c.ok, Qt::LeftButton);

    QCOMPARE(m_prompter->texts(), QStringList());
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(PickedDate, expected);
}

void tst_Pickers::textThatIsNoDateKeepsDialogOpen_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("letters") << QStringLiteral("abc");
    QTest::newRow("day that does not exist") << QStringLiteral("2026-02-30");
    QTest::newRow("month 13") << QStringLiteral("13-01-2026");
    QTest::newRow("two-digit year") << QStringLiteral("12/07/26");
    QTest::newRow("mixed separators") << QStringLiteral("2026-12/07");
    QTest::newRow("quote") << QStringLiteral("2026'12");
}

void tst_Pickers::textThatIsNoDateKeepsDialogOpen()
{
    QFETCH(QString, typed);

    frmPickDate dialog;
    DateControls c(&dialog);
    QVERIFY(c.complete());
    dialog.show();
    c.value->setText(typed);
    QTest::mouseClick(c.ok, Qt::LeftButton);

    QCOMPARE(m_prompter->requests.size(), 1);
    const Prompt::Request &shown = m_prompter->requests.first();
    QCOMPARE(shown.text, notADate(typed));
    QCOMPARE(shown.title, ErrorTitle);
    QVERIFY(dialog.isVisible());
    QCOMPARE(PickedDate, QDate());
    QCOMPARE(c.value->text(), typed);
}

void tst_Pickers::correctedTextIsAcceptedAfterRefusal()
{
    frmPickDate dialog;
    DateControls c(&dialog);
    QVERIFY(c.complete());
    dialog.show();
    c.value->setText(QStringLiteral("明天"));
    QTest::mouseClick(c.ok, Qt::LeftButton);
    QCOMPARE(m_prompter->texts(), QStringList{notADate(QStringLiteral("明天"))});
    QVERIFY(dialog.isVisible());

    c.value->setText(QStringLiteral("1-2-2027"));
    QTest::mouseClick(c.ok, Qt::LeftButton);
    QCOMPARE(m_prompter->requests.size(), 1);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(PickedDate, QDate(2027, 1, 2));
}

void tst_Pickers::activatedDayPicksAndCloses()
{
    frmPickDate dialog;
    DateControls c(&dialog);
    QVERIFY(c.complete());
    dialog.show();
    c.value->setText(QStringLiteral("2001-01-01"));
    emit c.calendar->activated(QDate(2026, 7, 9));
    QCOMPARE(c.value->text(), QStringLiteral("2026-07-09"));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(PickedDate, QDate(2026, 7, 9));
}

void tst_Pickers::pickDateAsksScript_data()
{
    QTest::addColumn<QVariant>("scripted");
    QTest::addColumn<QDate>("expected");
    QTest::newRow("a date") << QVariant(QDate(2026, 12, 7)) << QDate(2026, 12, 7);
    QTest::newRow("another date") << QVariant(QDate(2019, 1, 1)) << QDate(2019, 1, 1);
    QTest::newRow("nothing") << QVariant() << QDate();
}

void tst_Pickers::pickDateAsksScript()
{
    QFETCH(QVariant, scripted);
    QFETCH(QDate, expected);

    // Left over from an earlier pick: must not leak into this one.
    PickedDate = QDate(1990, 5, 5);
    if (scripted.isValid())
        m_prompter->choices << scripted;
    QDate duringPrompt(2000, 1, 1);
    m_prompter->onPrompt = [&](const Prompt::Request &) {
        duringPrompt = PickedDate;
    };

    const QDate picked = mSystem::PickDate();

    QCOMPARE(duringPrompt, QDate());
    QCOMPARE(picked, expected);
    QCOMPARE(PickedDate, expected);
    QCOMPARE(m_prompter->requests.size(), 1);
    QCOMPARE(m_prompter->requests.first().kind, Prompt::Kind::PickDate);
    QCOMPARE(m_prompter->requests.first().title, DateCaption);
}

void tst_Pickers::pickDateOpensDialog_data()
{
    QTest::addColumn<DateAction>("action");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("picksSomething");

    QTest::newRow("day clicked, OK") << DateAction::ClickDayThenOk << QString() << true;
    QTest::newRow("month first typed, OK")
        << DateAction::TypeThenOk << QStringLiteral("12-07-2026") << true;
    QTest::newRow("year first typed, OK")
        << DateAction::TypeThenOk << QStringLiteral("2026/12/7") << true;
    QTest::newRow("OK at once") << DateAction::OkUntouched << QString() << true;
    QTest::newRow("typed, then closed without OK")
        << DateAction::TypeThenReject << QStringLiteral("2026/12/7") << false;
    QTest::newRow("closed without OK") << DateAction::Reject << QString() << false;
    QTest::newRow("escape") << DateAction::Escape << QString() << false;
}

void tst_Pickers::pickDateOpensDialog()
{
    QFETCH(DateAction, action);
    QFETCH(QString, typed);
    QFETCH(bool, picksSomething);

    m_prompter.reset();
    RealPrompts prompts;
    PickedDate = QDate(1990, 5, 5);

    const QDate before = QDate::currentDate();
    ModalSeen seen;
    QDate shownOnOpening;
    QDate expected;
    onNextModal(&seen, [&](QDialog *dialog) {
        DateControls c(dialog);
        if (!c.complete())
            return false;
        shownOnOpening = c.calendar->selectedDate();
        switch (action) {
        case DateAction::ClickDayThenOk:
            if (!clickDayFifteen(c.calendar))
                return false;
            expected = DateText::parse(c.value->text());
            QTest::mouseClick(c.ok, Qt::LeftButton);
            break;
        case DateAction::TypeThenOk:
            c.value->setText(typed);
            QTest::mouseClick(c.ok, Qt::LeftButton);
            break;
        case DateAction::OkUntouched:
            QTest::mouseClick(c.ok, Qt::LeftButton);
            break;
        case DateAction::TypeThenReject:
            c.value->setText(typed);
            dialog->reject();
            break;
        case DateAction::Reject:
            dialog->reject();
            break;
        case DateAction::Escape:
            QTest::keyClick(dialog, Qt::Key_Escape);
            break;
        }
        return true;
    });
    const QDate picked = mSystem::PickDate();
    const QDate after = QDate::currentDate();

    QVERIFY(seen.opened);
    QCOMPARE(seen.objectName, QStringLiteral("frmPickDate"));
    QCOMPARE(seen.title, DateCaption);
    QVERIFY(seen.controlsFound);
    QVERIFY(!seen.leftOpen);
    QVERIFY(shownOnOpening == before || shownOnOpening == after);

    if (!picksSomething) {
        QCOMPARE(picked, QDate());
        QCOMPARE(PickedDate, QDate());
        return;
    }
    switch (action) {
    case DateAction::ClickDayThenOk:
        QCOMPARE(expected, QDate(shownOnOpening.year(), shownOnOpening.month(), 15));
        break;
    case DateAction::TypeThenOk:
        expected = QDate(2026, 12, 7);
        break;
    default:
        expected = shownOnOpening;
        break;
    }
    QCOMPARE(picked, expected);
    QCOMPARE(PickedDate, expected);
}

void tst_Pickers::selectCustomerAsksScript_data()
{
    QTest::addColumn<QVariant>("scripted");
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("expectedPicked");
    QTest::newRow("a customer") << QVariant(42) << 42 << 42;
    QTest::newRow("nothing") << QVariant() << 0 << -1;
}

void tst_Pickers::selectCustomerAsksScript()
{
    QFETCH(QVariant, scripted);
    QFETCH(int, expected);
    QFETCH(int, expectedPicked);

    PickedCustomerID = 7;
    if (scripted.isValid())
        m_prompter->choices << scripted;
    const QString query = customersByPhone(QStringLiteral("0731-1234567"));
    int duringPrompt = 0;
    m_prompter->onPrompt = [&](const Prompt::Request &) {
        duringPrompt = PickedCustomerID;
    };

    QCOMPARE(mSystem::SelectCustomer(query), expected);
    QCOMPARE(PickedCustomerID, expectedPicked);
    QCOMPARE(duringPrompt, -1);
    QCOMPARE(m_prompter->requests.size(), 1);
    QCOMPARE(m_prompter->requests.first().kind, Prompt::Kind::SelectCustomer);
    QCOMPARE(m_prompter->requests.first().title, CustomerCaption);
    QCOMPARE(m_prompter->requests.first().argument.toString(), query);
}

void tst_Pickers::selectCustomerOpensDialog_data()
{
    QTest::addColumn<CustomerAction>("action");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("chosenRow"); // -1: nobody

    QTest::newRow("second row, OK") << CustomerAction::ClickRowThenOk << 1 << 1;
    QTest::newRow("first row, OK") << CustomerAction::ClickRowThenOk << 0 << 0;
    QTest::newRow("second row, double click") << CustomerAction::DoubleClickRow << 1 << 1;
    QTest::newRow("OK on the preselected row") << CustomerAction::OkUntouched << -1 << 0;
    QTest::newRow("second row, cancel") << CustomerAction::ClickRowThenCancel << 1 << -1;
    QTest::newRow("escape") << CustomerAction::Escape << -1 << -1;
}

void tst_Pickers::selectCustomerOpensDialog()
{
    QFETCH(CustomerAction, action);
    QFETCH(int, row);
    QFETCH(int, chosenRow);

    PELKOR_FRESH_DATABASE(m_db);
    const QString shared = QStringLiteral("0731-8888'01");
    const QString firstName = QStringLiteral("O'Neil 王");
    const QString secondName = QStringLiteral("李\"四\"'s 店");
    const int first = addCustomer(1001, firstName, shared, QStringLiteral("河西路1号"));
    const int other = addCustomer(
        1002, QStringLiteral("张三"), QStringLiteral("0731-2222222"), QStringLiteral("河东路2号"));
    const int second = addCustomer(1003, secondName, shared, QStringLiteral("河西路'3'号"));
    QVERIFY(first > 0 && other > 0 && second > 0);
    QCOMPARE(m_prompter->texts(), QStringList());

    m_prompter.reset();
    RealPrompts prompts;

    ModalSeen seen;
    int rows = -1;
    int columns = -1;
    QStringList ids;
    QStringList names;
    QStringList phones;
    onNextModal(&seen, [&](QDialog *dialog) {
        CustomerControls c(dialog);
        if (!c.complete())
            return false;
        rows = c.grid->model()->rowCount();
        columns = c.grid->model()->columnCount();
        for (int r = 0; r < rows; ++r) {
            ids << c.cell(r, 0);
            names << c.cell(r, 2);
            phones << c.cell(r, 3);
        }
        if (row >= 0 && row < rows) {
            const QPoint at = c.grid->visualRect(c.grid->model()->index(row, 2)).center();
            QTest::mouseClick(c.grid->viewport(), Qt::LeftButton, {}, at);
            if (action == CustomerAction::DoubleClickRow)
                QTest::mouseDClick(c.grid->viewport(), Qt::LeftButton, {}, at);
        }
        switch (action) {
        case CustomerAction::ClickRowThenOk:
        case CustomerAction::OkUntouched:
            QTest::mouseClick(c.ok, Qt::LeftButton);
            break;
        case CustomerAction::ClickRowThenCancel:
            QTest::mouseClick(c.cancel, Qt::LeftButton);
            break;
        case CustomerAction::Escape:
            QTest::keyClick(dialog, Qt::Key_Escape);
            break;
        case CustomerAction::DoubleClickRow:
            break;
        }
        return c.ok->text() == QStringLiteral("确认") && c.cancel->text() == QStringLiteral("取消");
    });
    const int chosen = mSystem::SelectCustomer(customersByPhone(shared));

    QVERIFY(seen.opened);
    QCOMPARE(seen.objectName, QStringLiteral("frmSelCustomer"));
    QCOMPARE(seen.title, CustomerCaption);
    QVERIFY(seen.controlsFound);
    QVERIFY(!seen.leftOpen);

    QCOMPARE(rows, 2);
    QCOMPARE(columns, 5);
    QCOMPARE(ids, (QStringList{QString::number(first), QString::number(second)}));
    QCOMPARE(names, (QStringList{firstName, secondName}));
    QCOMPARE(phones, (QStringList{shared, shared}));

    const QList<int> byRow{first, second};
    const int expected = chosenRow < 0 ? 0 : byRow.at(chosenRow);
    QCOMPARE(chosen, expected);
    QCOMPARE(PickedCustomerID, chosenRow < 0 ? -1 : expected);
}

void tst_Pickers::emptyResultGivesNoCustomer()
{
    PELKOR_FRESH_DATABASE(m_db);
    QVERIFY(addCustomer(2001, QStringLiteral("赵六"), QStringLiteral("0731-5555555"),
                QStringLiteral("城南"))
        > 0);

    m_prompter.reset();
    RealPrompts prompts;

    ModalSeen seen;
    int rows = -1;
    int columns = -1;
    onNextModal(&seen, [&](QDialog *dialog) {
        CustomerControls c(dialog);
        if (!c.complete())
            return false;
        rows = c.grid->model()->rowCount();
        columns = c.grid->model()->columnCount();
        QTest::mouseClick(c.ok, Qt::LeftButton);
        return true;
    });
    PickedCustomerID = 5;
    const int chosen = mSystem::SelectCustomer(customersByPhone(QStringLiteral("0000")));

    QVERIFY(seen.opened);
    QVERIFY(seen.controlsFound);
    QVERIFY(!seen.leftOpen);
    QCOMPARE(rows, 0);
    QCOMPARE(columns, 5);
    QCOMPARE(chosen, 0);
    QCOMPARE(PickedCustomerID, -1);
}

void tst_Pickers::failingQueryReportsReadError()
{
    PELKOR_FRESH_DATABASE(m_db);
    QVERIFY(addCustomer(3001, QStringLiteral("钱七"), QStringLiteral("0731-7777777"),
                QStringLiteral("城北"))
        > 0);

    frmSelCustomer dialog;
    CustomerControls c(&dialog);
    QVERIFY(c.complete());
    dialog.mCurSQL = QStringLiteral("select ID,Name from NoSuchCustomerTable");
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    QCOMPARE(c.grid->model()->rowCount(), 0);
    QCOMPARE(m_prompter->requests.size(), 1);
    QVERIFY2(m_prompter->requests.first().text.startsWith(ReadError),
        qPrintable(m_prompter->requests.first().text));
    QVERIFY(m_prompter->requests.first().text.size() > ReadError.size());
    QCOMPARE(m_prompter->requests.first().icon, Prompt::Icon::Critical);

    QTest::mouseClick(c.ok, Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(PickedCustomerID, -1);
    QCOMPARE(m_prompter->requests.size(), 1);
}

// The operator sees captions and type texts, not column names and codes.
void tst_Pickers::chooserSpeaksChinese()
{
    PELKOR_FRESH_DATABASE(m_db);
    QVERIFY(mDatabase::ExecuteSQL(QStringLiteral(
        "insert into Customer(Account,Name,Phone,Address,CustType,Status,StationID,CreateDate) "
        "values(7,'王','5551','河西路1号',2,'1',1,%1)")
                                      .arg(DateText::sqlLiteral(QDate(2024, 3, 1)))));
    frmSelCustomer dialog;
    dialog.mCurSQL = QStringLiteral("Select * from Customer where Status='1' AND Phone='5551'");
    dialog.show();
    CustomerControls c(&dialog);
    QVERIFY(c.complete());
    QAbstractItemModel *model = c.grid->model();
    QStringList headings;
    for (int column = 0; column < model->columnCount(); ++column)
        headings << model->headerData(column, Qt::Horizontal).toString();
    QCOMPARE(headings.first(), QStringLiteral("客户编号"));
    for (const char *caption :
        {"帐户编号", "顾客姓名", "联系电话", "联系地址", "顾客类型", "开户日期", "状态"})
        QVERIFY2(headings.contains(QString::fromUtf8(caption)), caption);
    for (const QString &heading : headings)
        QVERIFY2(!heading.contains(QRegularExpression(QStringLiteral("^[A-Za-z]+$"))),
            qPrintable(heading));
    auto cellUnder = [&](const char *caption) {
        return c.cell(0, int(headings.indexOf(QString::fromUtf8(caption))));
    };
    QCOMPARE(cellUnder("顾客类型"), QStringLiteral("大客户"));
    QCOMPARE(cellUnder("状态"), QStringLiteral("正常"));
    QCOMPARE(cellUnder("开户日期"), QStringLiteral("2024-03-01"));
    QCOMPARE(cellUnder("顾客姓名"), QStringLiteral("王"));
    // The choice is still the customer's ID.
    c.grid->selectRow(0);
    c.ok->click();
    QCOMPARE(PickedCustomerID,
        mDatabase::OpenRecordset(QStringLiteral("select ID from Customer"))
            ->value(0, QStringLiteral("ID"))
            .toInt());
}

QTEST_MAIN(tst_Pickers)
#include "tst_pickers.moc"
