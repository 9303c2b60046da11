#include "bench/remoteactions.h"

#include "bench/benchdata.h"
#include "datastore/currency.h"
#include "datastore/demodata.h"
#include "datastore/mdatabase.h"
#include "lists/frmsaleadmin.h"
#include "reports/dayclosing.h"
#include "reports/frmreport.h"
#include "reports/frmsetreport.h"
#include "reports/frmsettodayreport.h"
#include "reports/frmtodayreport.h"
#include "sales/frmsale.h"
#include "shell/datetext.h"
#include "shell/frmgrplogin.h"
#include "shell/loginstate.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

namespace RemoteActions {
namespace {

template <typename T = QLineEdit> T *control(QWidget *form, const char *name)
{
    return form ? form->findChild<T *>(QLatin1String(name)) : nullptr;
}

bool choose(QComboBox *combo, qint64 id)
{
    const int index = combo ? combo->findData(id) : -1;
    if (index >= 0)
        combo->setCurrentIndex(index);
    return index >= 0;
}

void settle()
{
    QApplication::processEvents();
}

qint64 number(const QString &sql)
{
    const auto rs = mDatabase::OpenRecordset(sql);
    return rs && !rs->isEmpty() ? rs->value(0, 0).toLongLong() : -1;
}

} // namespace

Answers::Answers()
{
    Prompt::setHandler(this);
}

Answers::~Answers()
{
    Prompt::setHandler(nullptr);
}

int Answers::ask(const Prompt::Request &request)
{
    texts << request.text;
    return (request.buttons & Prompt::Yes) ? Prompt::Yes : request.defaultButton;
}

QVariant Answers::choose(const Prompt::Request &request)
{
    texts << request.text;
    return request.kind == Prompt::Kind::Input ? QVariant(input) : QVariant();
}

bool prepare(int sales, int settledOpen, QString *error)
{
    BenchData::Shape shape;
    shape.sales = sales;
    shape.stations = 3;
    shape.products = 8;
    shape.bottles = 2;
    shape.senders = 6;
    shape.years = 1;
    shape.open = 0;
    if (!BenchData::generate(shape, QDate::currentDate(), error))
        return false;
    // The newest settled orders open again, so that a closing has exactly
    // these to carry; the lists fill themselves as at a station.
    if (!BenchData::reopenSettled(settledOpen, error))
        return false;
    const QString refresh
        = QStringLiteral("update SysValue set myValue='1' where Name='AutoDataRefresh'");
    if (!mDatabase::ExecuteSQL(refresh)) {
        *error = refresh;
        return false;
    }
    return true;
}

// Answers the windows an action opens with exec(), as soon as each is shown.
class Station::DialogWatch : public QObject {
public:
    DialogWatch() { qApp->installEventFilter(this); }
    ~DialogWatch() override { qApp->removeEventFilter(this); }
    DialogAnswer answer;
    QStringList unexpected;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *dialog = qobject_cast<QDialog *>(watched);
        if (event->type() == QEvent::Show && dialog && dialog->isModal()) {
            // Answered from the window's own event loop, once it runs.
            QTimer::singleShot(0, dialog, [this, dialog] {
                if (answer && answer(dialog))
                    return;
                unexpected << dialog->objectName();
                dialog->reject();
            });
        }
        return false;
    }
};

Station::Station(DelayProxy *proxy, const ConnectionTarget &target)
    : m_proxy(proxy), m_target(target), m_watch(std::make_unique<DialogWatch>())
{
}

Station::~Station() = default;

Step Station::measure(
    const QString &name, const std::function<QString()> &action, const DialogAnswer &answer)
{
    Step step;
    step.name = name;
    m_answers.texts.clear();
    m_watch->answer = answer;
    m_watch->unexpected.clear();
    m_proxy->takeTrace();
    const DelayProxy::Counts before = m_proxy->total();
    QElapsedTimer clock;
    clock.start();
    const QString failure = action();
    step.ms = clock.nsecsElapsed() / 1e6;
    step.counts = m_proxy->total() - before;
    step.trace = m_proxy->takeTrace();
    m_watch->answer = {};
    step.ok = failure.isEmpty() && m_watch->unexpected.isEmpty();
    step.note = m_watch->unexpected.isEmpty()
        ? failure
        : QStringLiteral("unexpected window %1 %2")
              .arg(m_watch->unexpected.join(QLatin1Char(',')), failure);
    return step;
}

Step Station::logIn()
{
    return measure(QStringLiteral("log in"), [this]() -> QString {
        // As the program starts: the connection is tried, then opened.
        QString error;
        if (!mDatabase::TestConnection(m_target) || !mDatabase::OpenConnection(m_target, &error))
            return QStringLiteral("no connection: ") + error;
        DemoData::offerOnce(QDate::currentDate());
        frmGrpLogin login;
        if (!choose(control<QComboBox>(&login, "cmbStation"), 1)
            || !choose(control<QComboBox>(&login, "cmbUser"), 1))
            return QStringLiteral("the head station's administrator is not offered");
        control<QPushButton>(&login, "cmdOK")->click();
        if (!login.LoginSucceeded())
            return QStringLiteral("refused: ") + m_answers.texts.join(QLatin1Char(' '));
        setSession({.userID = qint16(login.chosenUserID()),
            .stationID = qint16(login.chosenStationID()),
            .isHeadStation = mDatabase::GetMinValue(QStringLiteral("Station"), QStringLiteral("ID"))
                == login.chosenStationID()});
        return {};
    });
}

Step Station::openNewSale()
{
    return measure(QStringLiteral("open a new sale"), [this]() -> QString {
        m_sale = std::make_unique<frmSale>();
        m_sale->mActionType = frmSale::New;
        if (!m_sale->Load())
            return QStringLiteral("the sale window did not load");
        m_sale->show();
        settle();
        return {};
    });
}

Step Station::phoneLookup()
{
    return measure(QStringLiteral("phone lookup"), [this]() -> QString {
        QLineEdit *key = control(m_sale.get(), "txtCustPhone");
        if (!key)
            return QStringLiteral("no sale window");
        key->setFocus();
        key->setText(phone);
        QTest::keyClick(key, Qt::Key_Return);
        settle();
        if (control(m_sale.get(), "txtCustAddress")->text().isEmpty())
            return QStringLiteral("no customer found for ") + phone;
        return {};
    });
}

Step Station::productEntry()
{
    return measure(QStringLiteral("product entry"), [this]() -> QString {
        auto *grid = control<QTableView>(m_sale.get(), "dbgDetail");
        if (!grid)
            return QStringLiteral("no sale window");
        QAbstractItemModel *model = grid->model();
        // The product by its number, then two of it; no money received.
        if (!model->setData(model->index(0, 0), QString::number(product))
            || !model->setData(model->index(0, 4), QStringLiteral("2")))
            return QStringLiteral("product refused: ") + m_answers.texts.join(QLatin1Char(' '));
        control(m_sale.get(), "txtInMoney")->setText(QStringLiteral("0"));
        settle();
        if (Currency::fromVariant(control(m_sale.get(), "txtTotalMoney")->text()) <= Currency())
            return QStringLiteral("no total");
        return {};
    });
}

Step Station::save()
{
    const qint64 last = number(QStringLiteral("select max(ID) from Sale"));
    Step step = measure(QStringLiteral("save"), [this]() -> QString {
        control<QPushButton>(m_sale.get(), "btnSave")->click();
        settle();
        return {};
    });
    m_savedSale = number(QStringLiteral("select max(ID) from Sale"));
    if (m_savedSale <= last) {
        step.ok = false;
        step.note = QStringLiteral("not saved: ") + m_answers.texts.join(QLatin1Char(' '));
    }
    m_sale.reset();
    return step;
}

Step Station::openSaleList()
{
    return measure(QStringLiteral("open the sale list"), [this]() -> QString {
        m_list = std::make_unique<frmSaleAdmin>();
        m_list->resize(1000, 700);
        m_list->show();
        settle();
        if (!m_list->selectRowOfId(m_savedSale))
            return QStringLiteral("the new order is not listed");
        return {};
    });
}

Step Station::receiveMoney()
{
    Step step = measure(QStringLiteral("收款 on one order"), [this]() -> QString {
        if (!m_list || !m_list->selectRowOfId(m_savedSale))
            return QStringLiteral("the order is not listed");
        m_list->commands().InMoney();
        settle();
        return {};
    });
    if (step.ok
        && number(QStringLiteral("select count(*) from Sale where ID=%1 and TotalMoney=InMoney")
                      .arg(m_savedSale))
            != 1) {
        step.ok = false;
        step.note = QStringLiteral("not received: ") + m_answers.texts.join(QLatin1Char(' '));
    }
    return step;
}

Step Station::refreshSaleList()
{
    return measure(QStringLiteral("refresh the sale list"), [this]() -> QString {
        if (!m_list)
            return QStringLiteral("no list");
        m_list->DataRefresh();
        settle();
        return m_list->selectedID() == QString::number(m_savedSale)
            ? QString()
            : QStringLiteral("the selection was lost");
    });
}

Step Station::todayReport()
{
    // The window asks for its date and station as soon as it is shown.
    const auto answer = [](QWidget *dialog) {
        auto *set = qobject_cast<frmSetTodayReport *>(dialog);
        if (!set)
            return false;
        set->txtDate->setText(DateText::todayForm(QDate::currentDate()));
        set->btnOk->click();
        return true;
    };
    return measure(
        QStringLiteral("today's report"),
        [this]() -> QString {
            frmTodayReport report;
            report.show();
            settle();
            const QAbstractItemModel *table = report.grid()->model();
            bool figures = false;
            for (int row = 0; row < table->rowCount() && !figures; ++row)
                figures = !table->index(row, 2).data().toString().trimmed().isEmpty();
            if (!figures)
                return QStringLiteral("no figures: ") + m_answers.texts.join(QLatin1Char(' '));
            return {};
        },
        answer);
}

Step Station::periodReport()
{
    return measure(QStringLiteral("period report (30 days)"), [this]() -> QString {
        frmSetReport dialog(PeriodReport::DayReport);
        const QDate today = QDate::currentDate();
        dialog.txtStartDate->setText(DateText::todayForm(today.addDays(-29)));
        dialog.txtEndDate->setText(DateText::todayForm(today));
        dialog.btnOk->click();
        if (dialog.mResult != -1)
            return QStringLiteral("refused: ") + m_answers.texts.join(QLatin1Char(' '));
        frmReport report(dialog.parameters());
        report.show();
        settle();
        return report.rows().isEmpty() ? QStringLiteral("no rows") : QString();
    });
}

Step Station::closing()
{
    int carried = 0;
    Step step = measure(QStringLiteral("day closing"), [&]() -> QString {
        DayClosing::Options options;
        options.cutOff = DateText::todayForm(QDate::currentDate());
        options.userId = 1;
        const DayClosing::Result result = DayClosing::FinishToday(options);
        carried = result.carried;
        return result.outcome == DayClosing::Outcome::Closed
            ? QString()
            : QStringLiteral("not closed: ") + m_answers.texts.join(QLatin1Char(' '));
    });
    if (step.ok)
        step.note = QStringLiteral("%1 orders carried").arg(carried);
    return step;
}

} // namespace RemoteActions
