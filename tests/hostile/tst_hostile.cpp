#include "callerid/ctapiline.h"
#include "common/modalhelper.h"
#include "common/scopedsession.h"
#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/cregistry.h"
#include "datastore/currency.h"
#include "datastore/eventlog.h"
#include "datastore/mdatabase.h"
#include "datastore/registrysettings.h"
#include "datastore/schema.h"
#include "lists/frmcustfilter.h"
#include "lists/frmsalefilter.h"
#include "lists/salefamilylist.h"
#include "masterdata/frmgrpstation.h"
#include "masterdata/frmproduct.h"
#include "masterdata/frmsender.h"
#include "sales/frmcustomer.h"
#include "sales/frmsale.h"
#include "sales/salelines.h"
#include "shell/datetext.h"
#include "shell/frmsystemsetup.h"
#include "shell/frmuser.h"
#include "shell/inputcheck.h"
#include "shell/loginstate.h"
#include "shell/masterform.h"
#include "stock/frmstore.h"
#include "stock/frmstorefilter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCryptographicHash>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

#include <array>
#include <memory>

// Hostile input typed into every text and number field of every form that
// writes, and into the filters. Each trial must end one of two ways:
//   stored   what is read back equals what was typed, allowing only these
//            transformations: a NUL character is dropped; text is cut at the
//            field's maxLength; names are trimmed of blanks at both ends;
//            the workstation's line settings are trimmed; money keeps four
//            decimals (half away from zero) and quantities whole units; a
//            customer account typed as 0 ("-0", "0.00001") means no number
//            yet, so the customer takes its own key; a filter finds exactly
//            the rows whose column holds the text.
//   refused  a message was shown and nothing was written.
// Anything else (a database error, a write after a refusal, a silent
// change, no write and no message) is a violation. Fields are tried on a new
// record and, marked "(edit)", on a stored one opened for a change. With
// PELKOR_HOSTILE_OUT set, each trial's outcome is written there, one line
// each, so that the runs on SQLite and PostgreSQL can be compared.

using mDatabase::SqlStr;

namespace {

struct Corpus {
    const char *name;
    QString value;
};

QList<Corpus> corpus()
{
    QString nul = QStringLiteral("a");
    nul += QChar(0);
    nul += QStringLiteral("b");
    return {
        {"quote", QStringLiteral("'")},
        {"obrien", QStringLiteral("O'Brien")},
        // Case: a filter for it finds "O'Brien" on every database.
        {"lowercase", QStringLiteral("o'brien")},
        {"percent", QStringLiteral("%")},
        {"underscore", QStringLiteral("_")},
        {"backslash", QStringLiteral("\\")},
        {"placeholder", QStringLiteral("%1")},
        {"semicolon", QStringLiteral(";")},
        {"dashes", QStringLiteral("--")},
        {"injection", QStringLiteral("'); DROP TABLE Sale; --")},
        {"nul", nul},
        {"long", QString(10000, QChar(0x6C34))}, // 水
        {"emoji", QString::fromUtf8("😀")},
        {"rarecjk", QString::fromUtf8("𠀀")},
        {"1e308", QStringLiteral("1e308")},
        {"minuszero", QStringLiteral("-0")},
        {"int32plus1", QStringLiteral("2147483648")},
        {"17nines", QStringLiteral("99999999999999999")},
        {"tiny", QStringLiteral("0.00001")},
        {"feb30", QStringLiteral("2026-02-30")},
        {"yesterday", QStringLiteral("yesterday")},
    };
}

// How a field's value is stored, and so how it is compared.
enum class Kind { Text, Name, Setting, Money, Whole, Account, Date, Lookup };

struct Field {
    const char *form;
    const char *field;
    Kind kind;
    bool edit = false; // typed into a stored record opened for a change
};

const QList<Field> &fields()
{
    static const QList<Field> all = {
        {"frmGrpStation", "txtName", Kind::Name},
        {"frmProduct", "txtName", Kind::Name},
        {"frmProduct", "txtUnit", Kind::Text},
        {"frmProduct", "txtPrice", Kind::Money},
        {"frmProduct", "txtDetail", Kind::Text},
        {"frmSender", "txtName", Kind::Name},
        {"frmSender", "txtPhone", Kind::Text},
        {"frmSender", "txtPrice", Kind::Money},
        {"frmSender", "txtDetail", Kind::Text},
        {"frmUser", "txtName", Kind::Name},
        {"frmUser", "txtPassword", Kind::Text},
        {"frmUser", "txtDetail", Kind::Text},
        {"frmCustomer", "txtAccount", Kind::Account},
        {"frmCustomer", "txtName", Kind::Text},
        {"frmCustomer", "txtAddress", Kind::Text},
        {"frmCustomer", "txtPhone", Kind::Text},
        {"frmCustomer", "txtCreateDate", Kind::Date},
        {"frmCustomer", "txtDetail", Kind::Text},
        {"frmStore", "txtPaperID", Kind::Text},
        {"frmStore", "txtCreateDate", Kind::Date},
        {"frmStore", "txtDetail", Kind::Text},
        {"frmStore", "Price", Kind::Money},
        {"frmStore", "Amount", Kind::Whole},
        {"frmSale", "txtCustAccount", Kind::Lookup},
        {"frmSale", "txtCustPhone", Kind::Text},
        {"frmSale", "txtCustAddress", Kind::Text},
        {"frmSale", "txtCreateDate", Kind::Date},
        {"frmSale", "txtOutAmount", Kind::Money},
        {"frmSale", "txtInMoney", Kind::Money},
        {"frmSale", "txtInContainer", Kind::Money},
        {"frmSale", "txtTransferFee", Kind::Money},
        {"frmSale", "txtDetail", Kind::Text},
        {"frmSale", "Price", Kind::Money},
        {"frmSale", "Amount", Kind::Whole},
        {"frmSystemSetup", "txtAreaCode", Kind::Text},
        {"frmSystemSetup", "txtNumberLen", Kind::Text},
        {"frmSystemSetup", "txtCallerIdServer", Kind::Setting},
        {"frmSystemSetup", "txtModemCommand", Kind::Setting},
        {"frmSystemSetup", "txtModemDevices", Kind::Setting},
        {"frmCustFilter", "txtAccount", Kind::Whole},
        {"frmCustFilter", "txtName", Kind::Text},
        {"frmCustFilter", "txtPhone", Kind::Text},
        {"frmCustFilter", "txtCreateDate", Kind::Date},
        {"frmCustFilter", "txtAddress", Kind::Text},
        {"frmCustFilter", "txtTotalBuyMoney", Kind::Money},
        {"frmCustFilter", "txtTotalDebt", Kind::Money},
        {"frmSaleFilter", "txtAddress", Kind::Text},
        {"frmSaleFilter", "txtAccount", Kind::Money},
        {"frmSaleFilter", "txtCreateDate", Kind::Date},
        {"frmSaleFilter", "txtID", Kind::Money},
        {"frmSaleFilter", "txtTotalMoney", Kind::Money},
        {"frmSaleFilter", "txtTotalAmount", Kind::Money},
        {"frmSaleFilter", "txtMoneyBalance", Kind::Money},
        {"frmSaleFilter", "txtContainerBalance", Kind::Money},
        {"frmStoreFilter", "txtPaperID", Kind::Text},
        {"frmStoreFilter", "txtDetail", Kind::Text},
        {"frmStoreFilter", "txtCreateDate", Kind::Date},
        {"frmStoreFilter", "txtTotalMoney", Kind::Money},
        {"frmStoreFilter", "txtTotalAmount", Kind::Money},
        // The same fields when a stored record is changed (other statements).
        {"frmGrpStation", "txtName", Kind::Name, true},
        {"frmProduct", "txtName", Kind::Name, true},
        {"frmProduct", "txtUnit", Kind::Text, true},
        {"frmProduct", "txtPrice", Kind::Money, true},
        {"frmProduct", "txtDetail", Kind::Text, true},
        {"frmSender", "txtName", Kind::Name, true},
        {"frmSender", "txtPhone", Kind::Text, true},
        {"frmSender", "txtPrice", Kind::Money, true},
        {"frmSender", "txtDetail", Kind::Text, true},
        {"frmUser", "txtName", Kind::Name, true},
        {"frmUser", "txtDetail", Kind::Text, true},
        {"frmCustomer", "txtName", Kind::Text, true},
        {"frmCustomer", "txtAddress", Kind::Text, true},
        {"frmCustomer", "txtPhone", Kind::Text, true},
        {"frmCustomer", "txtDetail", Kind::Text, true},
        {"frmStore", "txtPaperID", Kind::Text, true},
        {"frmStore", "txtDetail", Kind::Text, true},
        {"frmStore", "Price", Kind::Money, true},
        {"frmStore", "Amount", Kind::Whole, true},
        {"frmSale", "txtOutAmount", Kind::Money, true},
        {"frmSale", "txtInMoney", Kind::Money, true},
        {"frmSale", "txtInContainer", Kind::Money, true},
        {"frmSale", "txtTransferFee", Kind::Money, true},
        {"frmSale", "txtDetail", Kind::Text, true},
        {"frmSale", "Price", Kind::Money, true},
        {"frmSale", "Amount", Kind::Whole, true},
    };
    return all;
}

enum class Outcome { Stored, Refused, Violation };

struct Result {
    Outcome outcome = Outcome::Violation;
    QString shown; // what was stored or found, for the outcome file
    QString why; // a violation's reason
};

Result violation(const QString &why)
{
    return {Outcome::Violation, QString(), why};
}

// One line of plain text: control characters escaped.
QString escaped(const QString &text)
{
    QString out;
    for (const QChar ch : text) {
        if (ch.unicode() < 32)
            out += QStringLiteral("\\x%1").arg(ch.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += ch;
    }
    return out;
}

// Short and printable: long texts by length and digest, controls escaped.
QString describe(const QString &text)
{
    if (text.size() > 40)
        return QStringLiteral("len=%1 md5=%2")
            .arg(QString::number(text.size()),
                QString::fromLatin1(
                    QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex()));
    return QLatin1Char('[') + escaped(text) + QLatin1Char(']');
}

// A line of the outcome file: long texts (a message quoting 10,000
// characters) by length and digest.
QString oneLine(const QString &text)
{
    return text.size() > 200 ? describe(text) : escaped(text);
}

Recordset rows(const QString &sql)
{
    return mDatabase::OpenRecordset(sql).value_or(Recordset());
}

int count(const QString &table)
{
    return countRows(QStringLiteral("select count(*) from %1").arg(table));
}

// The newest row of a table.
Recordset newest(const QString &table)
{
    return rows(QStringLiteral("select * from %1 where ID=(select max(ID) from %1)").arg(table));
}

// What the error log gained since it was offset bytes long.
QString logSince(qint64 offset)
{
    QFile file(EventLog::filePath());
    if (!file.open(QIODevice::ReadOnly) || !file.seek(offset))
        return {};
    return QString::fromUtf8(file.readAll());
}

qint64 logSize()
{
    return QFileInfo(EventLog::filePath()).size();
}

template <typename T = QLineEdit> T *child(QWidget *form, const char *name)
{
    T *widget = form->findChild<T *>(QLatin1String(name));
    if (!widget)
        qFatal("control %s missing", name);
    return widget;
}

// Types into a field and leaves it with Tab, as the operator does; the form
// runs its check on leaving.
void typeAndLeave(QWidget *form, QLineEdit *field, const QString &value)
{
    QApplication::setActiveWindow(form);
    field->setFocus();
    field->setText(value);
    QTest::keyClick(field, Qt::Key_Tab);
}

// What a text field hands on: NUL dropped, no more than the field holds.
QString expectedText(const QLineEdit *field, const QString &typed, Kind kind)
{
    QString text = typed.left(field->maxLength());
    text.remove(QChar(0));
    if (kind == Kind::Name || kind == Kind::Setting)
        text = text.trimmed();
    return text;
}

QString storedDate(const QVariant &value)
{
    const QDate date = value.typeId() == QMetaType::QDate
        ? value.toDate()
        : DateText::parse(value.toString().left(10));
    return date.toString(Qt::ISODate);
}

// Compares one stored column with what was typed, by the field's kind.
Result compare(Kind kind, const QLineEdit *field, const QString &typed, const QVariant &stored)
{
    QString expected;
    QString got;
    switch (kind) {
    case Kind::Text:
    case Kind::Name:
    case Kind::Setting:
        expected = expectedText(field, typed, kind);
        got = stored.toString();
        break;
    case Kind::Money:
    case Kind::Whole: {
        Currency parsed;
        if (!Currency::parse(typed, &parsed))
            return violation(QStringLiteral("accepted %1, which is no number").arg(typed));
        if (kind == Kind::Whole)
            parsed = Currency::fromInt(parsed.roundToWhole());
        expected = parsed.toSqlText();
        got = Currency::fromVariant(stored).toSqlText();
        break;
    }
    case Kind::Account: {
        qint16 account = 0;
        if (!mSystem::ParseInteger(typed, &account))
            return violation(QStringLiteral("accepted %1 as an account").arg(typed));
        expected = QString::number(account);
        got = QString::number(stored.toLongLong());
        break;
    }
    case Kind::Date: {
        const QDate date = DateText::parse(typed);
        if (!date.isValid())
            return violation(QStringLiteral("accepted %1 as a date").arg(typed));
        expected = date.toString(Qt::ISODate);
        got = storedDate(stored);
        break;
    }
    case Kind::Lookup:
        return violation(QStringLiteral("a lookup stores nothing"));
    }
    if (got != expected)
        return violation(
            QStringLiteral("stored %1, expected %2").arg(describe(got), describe(expected)));
    return {Outcome::Stored, describe(got), {}};
}

QtMessageHandler s_testLog = nullptr;

// Forms shown 1,700 times repeat the same platform warnings ("does not
// support propagateSizeHints()", no XDG_RUNTIME_DIR); they would use up the
// test log's warning limit before the summary is printed, so each is shown
// once.
void onceEach(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    static QSet<QString> seen;
    if (type == QtWarningMsg) {
        if (seen.contains(text))
            return;
        seen.insert(text);
    }
    s_testLog(type, context, text);
}

} // namespace

class tst_Hostile : public QObject {
    Q_OBJECT

    TestDatabase m_db;
    ScopedSession m_session{ScopedSession::headStation()};
    std::unique_ptr<ScriptedPrompter> m_prompts;
    std::unique_ptr<cTAPILine> m_line;
    qint64 m_product = 0;
    qint64 m_sender = 0;
    int m_serial = 0;
    int m_trials = 0, m_stored = 0, m_refused = 0, m_violations = 0;
    QStringList m_outcomes;
    // Per form: trials, stored or found exactly, refused, violations.
    QMap<QString, std::array<int, 4>> m_byForm;
    QStringList m_violationList;

    QString unique(const char *prefix)
    {
        return QString::fromUtf8(prefix) + QString::number(++m_serial);
    }

    // One address, one customer: an earlier trial's customer with the
    // address about to be typed moves aside, so the trial stores it anew.
    void freeAddress(const Field &f, const QString &typed)
    {
        if (!QLatin1String(f.field).endsWith(QLatin1String("Address")))
            return;
        QString address = typed.left(
            Schema::textColumnSize(QStringLiteral("Customer"), QStringLiteral("Address")));
        address.remove(QChar(0));
        QVERIFY(
            mDatabase::ExecuteSQL(QStringLiteral("update Customer set Address=%1 where Address=%2")
                                      .arg(SqlStr(unique("旧地址")), SqlStr(address))));
    }

    // Before and after a trial: the rows of the tables a form writes.
    QList<int> counts(const QStringList &tables) const
    {
        QList<int> list;
        for (const QString &t : tables)
            list << count(t);
        return list;
    }

    Result masterForm(MasterForm &form, const Field &f, const QString &value, const QString &table,
        const char *column, const std::function<void()> &baseline)
    {
        form.show();
        baseline();
        auto *field = child(&form, f.field);
        const QList<int> before = counts({table});
        typeAndLeave(&form, field, value);
        if (m_prompts->requests.isEmpty())
            child<QPushButton>(&form, "btnSave")->click();
        return judge(before, counts({table}), [&] {
            return compare(f.kind, field, value, newest(table).value(0, QLatin1String(column)));
        });
    }

    // A trial's outcome from the prompts shown and the rows written.
    Result judge(
        const QList<int> &before, const QList<int> &after, const std::function<Result()> &readBack)
    {
        const bool written = before != after;
        if (!m_prompts->requests.isEmpty())
            return written
                ? violation(QStringLiteral("written after a message: %1")
                                .arg(m_prompts->texts().join(QLatin1Char('|'))))
                : Result{Outcome::Refused, m_prompts->texts().join(QLatin1Char('|')), {}};
        if (!written)
            return violation(QStringLiteral("nothing written and no message"));
        for (int i = 0; i < before.size(); ++i) {
            if (after[i] != before[i] + 1)
                return violation(QStringLiteral("%1 rows written where one was expected")
                                     .arg(after[i] - before[i]));
        }
        return readBack();
    }

    Result station(const Field &f, const QString &value)
    {
        frmGrpStation form;
        return masterForm(form, f, value, QStringLiteral("Station"), "Name", [] {});
    }

    Result product(const Field &f, const QString &value)
    {
        frmProduct form;
        const QHash<QString, const char *> columns
            = {{QStringLiteral("txtName"), "Name"}, {QStringLiteral("txtUnit"), "Unit"},
                {QStringLiteral("txtPrice"), "Price"}, {QStringLiteral("txtDetail"), "Detail"}};
        return masterForm(
            form, f, value, QStringLiteral("Product"), columns.value(QLatin1String(f.field)), [&] {
                form.txtName->setText(unique("产品"));
                form.txtUnit->setText(QStringLiteral("桶"));
                form.txtPrice->setText(QStringLiteral("1"));
            });
    }

    Result sender(const Field &f, const QString &value)
    {
        frmSender form;
        const QHash<QString, const char *> columns
            = {{QStringLiteral("txtName"), "Name"}, {QStringLiteral("txtPhone"), "Phone"},
                {QStringLiteral("txtPrice"), "Price"}, {QStringLiteral("txtDetail"), "Detail"}};
        return masterForm(form, f, value, QStringLiteral("Sender"),
            columns.value(QLatin1String(f.field)),
            [&] { form.txtName->setText(unique("送水工")); });
    }

    Result user(const Field &f, const QString &value)
    {
        frmUser form;
        const QHash<QString, const char *> columns = {{QStringLiteral("txtName"), "Name"},
            {QStringLiteral("txtPassword"), "Pwd"}, {QStringLiteral("txtDetail"), "Detail"}};
        return masterForm(form, f, value, QStringLiteral("SysUser"),
            columns.value(QLatin1String(f.field)),
            [&] { form.txtName->setText(unique("操作员")); });
    }

    Result customer(const Field &f, const QString &value)
    {
        frmCustomer form;
        form.Load();
        form.show();
        const bool manual = f.kind == Kind::Account;
        auto *autoId = child<QCheckBox>(&form, "chkAutoID");
        if (autoId->isChecked() == manual)
            autoId->click();
        if (manual)
            child(&form, "txtAccount")->setText(QString::number(1000 + m_serial));
        child(&form, "txtAddress")->setText(unique("客户地址"));
        freeAddress(f, value);
        auto *field = child(&form, f.field);
        const QList<int> before = counts({QStringLiteral("Customer")});
        typeAndLeave(&form, field, value);
        if (m_prompts->requests.isEmpty())
            child<QPushButton>(&form, "btnSave")->click();
        const QHash<QString, const char *> columns = {{QStringLiteral("txtAccount"), "Account"},
            {QStringLiteral("txtName"), "Name"}, {QStringLiteral("txtAddress"), "Address"},
            {QStringLiteral("txtPhone"), "Phone"}, {QStringLiteral("txtCreateDate"), "CreateDate"},
            {QStringLiteral("txtDetail"), "Detail"}};
        return judge(before, counts({QStringLiteral("Customer")}), [&] {
            const Recordset row = newest(QStringLiteral("Customer"));
            // Account 0 is "no number yet": the customer takes its own key.
            qint16 account = -1;
            if (manual && mSystem::ParseInteger(mDatabase::TrimBlanks(value), &account)
                && account == 0) {
                const qint64 key = row.value(0, QStringLiteral("ID")).toLongLong();
                const qint64 stored = row.value(0, QStringLiteral("Account")).toLongLong();
                if (stored != key)
                    return violation(QStringLiteral("account 0 stored as %1, the key is %2")
                                         .arg(QString::number(stored), QString::number(key)));
                return Result{Outcome::Stored, QStringLiteral("[own key]"), {}};
            }
            return compare(f.kind, field, value,
                row.value(0, QLatin1String(columns.value(QLatin1String(f.field)))));
        });
    }

    // A grid cell of a document form: row 0 holds the product; a refused
    // cell shows its message at once.
    static int cellOf(const Field &f)
    {
        return QLatin1String(f.field) == QLatin1String("Price") ? SaleLines::Price
                                                                : SaleLines::Amount;
    }

    Result store(const Field &f, const QString &value)
    {
        frmStore form;
        if (!form.Load())
            return violation(QStringLiteral("the form did not open"));
        form.show();
        QAbstractItemModel *grid = child<QTableView>(&form, "dbgDetail")->model();
        grid->setData(grid->index(0, SaleLines::ProductID), QString::number(m_product));
        child(&form, "txtPaperID")->setText(unique("单据"));
        const QStringList tables = {QStringLiteral("Store"), QStringLiteral("Store_detail")};
        const QList<int> before = counts(tables);
        QLineEdit *field = nullptr;
        if (f.field[0] == 't') {
            field = child(&form, f.field);
            typeAndLeave(&form, field, value);
        } else {
            grid->setData(grid->index(0, cellOf(f)), value);
        }
        if (m_prompts->requests.isEmpty())
            child<QPushButton>(&form, "btnSave")->click();
        return judge(before, counts(tables), [&] {
            if (!field) {
                const Recordset line = newest(QStringLiteral("Store_detail"));
                return compare(f.kind, nullptr, value,
                    line.value(0,
                        cellOf(f) == SaleLines::Price ? QStringLiteral("Price")
                                                      : QStringLiteral("MyAmount")));
            }
            const QHash<QString, const char *> columns = {{QStringLiteral("txtPaperID"), "PaperID"},
                {QStringLiteral("txtCreateDate"), "CreateDate"},
                {QStringLiteral("txtDetail"), "Detail"}};
            return compare(f.kind, field, value,
                newest(QStringLiteral("Store"))
                    .value(0, QLatin1String(columns.value(QLatin1String(f.field)))));
        });
    }

    Result sale(const Field &f, const QString &value)
    {
        frmSale form;
        form.mActionType = frmSale::New;
        if (!form.Load())
            return violation(QStringLiteral("the form did not open"));
        form.show();
        auto *senders = child<QComboBox>(&form, "cmbSender");
        senders->setCurrentIndex(senders->findData(m_sender));
        child(&form, "txtCustPhone")->setText(unique("139"));
        child(&form, "txtCustAddress")->setText(unique("送货地址"));
        QAbstractItemModel *grid = child<QTableView>(&form, "dbgDetail")->model();
        grid->setData(grid->index(0, SaleLines::ProductID), QString::number(m_product));
        const QStringList tables = {QStringLiteral("Sale"), QStringLiteral("Sale_detail")};
        freeAddress(f, value);
        const QList<int> before = counts(tables);
        QLineEdit *field = nullptr;
        if (f.kind == Kind::Lookup) {
            // A key field: Enter looks the account up, and nothing is saved.
            field = child(&form, f.field);
            QApplication::setActiveWindow(&form);
            field->setFocus();
            field->setText(value);
            QTest::keyClick(field, Qt::Key_Return);
            const bool written = before != counts(tables);
            if (written)
                return violation(QStringLiteral("a lookup wrote a sale"));
            if (m_prompts->requests.isEmpty())
                return violation(QStringLiteral("%1 found a customer, none has it").arg(value));
            return {Outcome::Refused, m_prompts->texts().join(QLatin1Char('|')), {}};
        }
        if (f.field[0] == 't') {
            field = child(&form, f.field);
            typeAndLeave(&form, field, value);
        } else {
            grid->setData(grid->index(0, cellOf(f)), value);
        }
        if (m_prompts->requests.isEmpty())
            child<QPushButton>(&form, "btnSave")->click();
        return judge(before, counts(tables), [&] {
            if (!field) {
                const Recordset line = newest(QStringLiteral("Sale_detail"));
                return compare(f.kind, nullptr, value,
                    line.value(0,
                        cellOf(f) == SaleLines::Price ? QStringLiteral("Price")
                                                      : QStringLiteral("MyAmount")));
            }
            const Recordset sale = newest(QStringLiteral("Sale"));
            const QString name = QLatin1String(f.field);
            if (name == QLatin1String("txtCustPhone") || name == QLatin1String("txtCustAddress")) {
                const Recordset customer
                    = rows(QStringLiteral("select * from Customer where ID=%1")
                               .arg(sale.value(0, QStringLiteral("CustomerID")).toLongLong()));
                return compare(f.kind, field, value,
                    customer.value(0,
                        name == QLatin1String("txtCustPhone") ? QStringLiteral("Phone")
                                                              : QStringLiteral("Address")));
            }
            return compare(f.kind, field, value, sale.value(0, name.mid(3)));
        });
    }

    Result settings(const Field &f, const QString &value)
    {
        frmSystemSetup form(&m_line);
        form.Load();
        form.show();
        const QString name = QLatin1String(f.field);
        const QHash<QString, QString> keys
            = {{QStringLiteral("txtAreaCode"), QStringLiteral("AreaCode")},
                {QStringLiteral("txtNumberLen"), QStringLiteral("NumberLen")},
                {QStringLiteral("txtCallerIdServer"), QStringLiteral("\\CALLERID_SERVER")},
                {QStringLiteral("txtModemCommand"), QStringLiteral("\\MODEM_INIT")},
                {QStringLiteral("txtModemDevices"), QStringLiteral("\\MODEM_DEVICES")}};
        const bool shared = f.kind != Kind::Setting;
        const QString key = keys.value(name);
        const auto stored = [&] {
            return shared ? mDatabase::GetSysValue(key)
                          : readRegistryText(mDatabase::RegistryRoot + key);
        };
        // A marker that no trial types: still there afterwards is nothing written.
        const QString marker = QStringLiteral("marker");
        if (shared)
            mDatabase::SetSysValue(key, marker);
        else
            writeRegistryText(mDatabase::RegistryRoot + key, marker);
        auto *field = child(&form, f.field);
        typeAndLeave(&form, field, value);
        if (m_prompts->requests.isEmpty())
            form.btnOk->click();
        const bool written = stored() != marker;
        if (!m_prompts->requests.isEmpty())
            return written
                ? violation(QStringLiteral("written after a message"))
                : Result{Outcome::Refused, m_prompts->texts().join(QLatin1Char('|')), {}};
        if (!written && expectedText(field, value, f.kind) != marker)
            return violation(QStringLiteral("nothing written and no message"));
        return compare(f.kind, field, value, stored());
    }

    // A filter: refused with its message, or a statement that runs and,
    // for text, finds exactly the rows whose column holds the text.
    template <class Dialog>
    Result filter(const Field &f, const QString &value, const QString &select)
    {
        Dialog dialog(nullptr);
        dialog.show();
        QString base;
        if (!dialog.BuildFilterSQL(&base))
            return violation(QStringLiteral("the empty filter was refused"));
        const QString name = QLatin1String(f.field);
        child<QCheckBox>(&dialog, qPrintable(QStringLiteral("chk") + name.mid(3)))->click();
        auto *box = child(&dialog, f.field);
        box->setText(value);
        QString fragment;
        if (!dialog.BuildFilterSQL(&fragment)) {
            if (m_prompts->requests.isEmpty())
                return violation(QStringLiteral("refused without a message"));
            return {Outcome::Refused, m_prompts->texts().join(QLatin1Char('|')), {}};
        }
        if (!m_prompts->requests.isEmpty())
            return violation(QStringLiteral("built after a message"));
        const auto where = [&](const QString &condition) {
            if (select.contains(QLatin1String(" where "), Qt::CaseInsensitive))
                return select + condition;
            return condition.trimmed().isEmpty() ? select
                                                 : select + QStringLiteral(" where ") + condition;
        };
        const auto found = mDatabase::OpenRecordset(where(fragment));
        if (!found)
            return violation(QStringLiteral("the filter's statement failed"));
        if (f.kind == Kind::Text) {
            QString needle = value;
            needle.remove(QChar(0));
            const Recordset all = rows(where(base));
            int expected = 0;
            for (int row = 0; row < all.recordCount(); ++row)
                expected
                    += all.value(row, name.mid(3)).toString().contains(needle, Qt::CaseInsensitive)
                    ? 1
                    : 0;
            if (found->recordCount() != expected) {
                QStringList seen;
                for (int row = 0; row < found->recordCount(); ++row)
                    seen << describe(found->value(row, name.mid(3)).toString());
                return violation(QStringLiteral("found %1 rows (%3), %2 hold the text")
                                     .arg(QString::number(found->recordCount()),
                                         QString::number(expected), seen.join(QLatin1Char(' '))));
            }
        } else {
            const Result r = compare(f.kind == Kind::Date ? Kind::Date : Kind::Money, box, value,
                f.kind == Kind::Date ? QVariant(DateText::parse(value))
                                     : QVariant(box->text().trimmed().remove(QLatin1Char(','))));
            if (r.outcome == Outcome::Violation)
                return r;
        }
        return {Outcome::Stored, QStringLiteral("found %1").arg(found->recordCount()), {}};
    }

    // ---- changing a stored record

    // The table a form writes and the column a field is stored in.
    static QString tableOf(const Field &f)
    {
        const QString form = QLatin1String(f.form);
        if (form == QLatin1String("frmGrpStation"))
            return QStringLiteral("Station");
        if (form == QLatin1String("frmUser"))
            return QStringLiteral("SysUser");
        return form.mid(3);
    }
    static bool isCell(const Field &f) { return f.field[0] != 't'; }
    static QString columnOf(const Field &f)
    {
        if (isCell(f))
            return cellOf(f) == SaleLines::Price ? QStringLiteral("Price")
                                                 : QStringLiteral("MyAmount");
        const QString name = QLatin1String(f.field).mid(3);
        if (name == QLatin1String("Password"))
            return QStringLiteral("Pwd");
        return name;
    }
    // The stored value of the field in record id (its first line for a cell).
    static QVariant storedValue(const Field &f, qint64 id)
    {
        const QString table = tableOf(f);
        const Recordset rs = isCell(f)
            ? rows(QStringLiteral("select * from %1_detail where %1ID=%2 order by ID")
                       .arg(table, QString::number(id)))
            : rows(QStringLiteral("select * from %1 where ID=%2").arg(table, QString::number(id)));
        return rs.value(0, columnOf(f));
    }

    // The outcome of a change: compared with the value the record held.
    Result judgeEdit(const Field &f, const QLineEdit *field, const QString &value, qint64 id,
        const QVariant &before)
    {
        const QVariant after = storedValue(f, id);
        const bool numeric = f.kind == Kind::Money || f.kind == Kind::Whole;
        const bool written = numeric ? Currency::fromVariant(before) != Currency::fromVariant(after)
                                     : before.toString() != after.toString();
        if (!m_prompts->requests.isEmpty())
            return written
                ? violation(QStringLiteral("changed after a message: %1")
                                .arg(m_prompts->texts().join(QLatin1Char('|'))))
                : Result{Outcome::Refused, m_prompts->texts().join(QLatin1Char('|')), {}};
        const Result r = compare(f.kind, field, value, after);
        if (!written && r.outcome != Outcome::Stored)
            return violation(QStringLiteral("nothing changed and no message"));
        return r;
    }

    // Types into the field of an open form, then saves unless refused.
    void typeAndSave(QWidget *form, const Field &f, const QString &value, QLineEdit **field)
    {
        if (isCell(f)) {
            QAbstractItemModel *grid = child<QTableView>(form, "dbgDetail")->model();
            grid->setData(grid->index(0, cellOf(f)), value);
        } else {
            *field = child(form, f.field);
            typeAndLeave(form, *field, value);
        }
        if (m_prompts->requests.isEmpty())
            child<QPushButton>(form, "btnSave")->click();
    }

    // A stored record to change: entered through the form itself.
    qint64 storedRecord(const Field &f)
    {
        Field base = f;
        base.edit = false;
        const bool numeric = f.kind == Kind::Money || f.kind == Kind::Whole;
        // No bottles come back for a product without one: none to start from.
        const bool bottles = QLatin1String(f.field) == QLatin1String("txtInContainer");
        const Result r = run(
            base, numeric ? (bottles ? QStringLiteral("0") : QStringLiteral("1")) : unique("原值"));
        if (r.outcome != Outcome::Stored || !m_prompts->requests.isEmpty())
            return 0;
        return rows(QStringLiteral("select max(ID) as id from %1").arg(tableOf(f)))
            .value(0, QStringLiteral("id"))
            .toLongLong();
    }

    Result edit(const Field &f, const QString &value)
    {
        const qint64 id = storedRecord(f);
        if (id == 0)
            return violation(QStringLiteral("the record to change was not stored"));
        m_prompts->clear();
        freeAddress(f, value);
        const QVariant before = storedValue(f, id);
        const QString form = QLatin1String(f.form);
        QLineEdit *field = nullptr;
        if (form == QLatin1String("frmCustomer")) {
            frmCustomer customer;
            customer.mActionType = frmCustomer::Edit;
            customer.mCurID = int(id);
            customer.Load();
            customer.show();
            typeAndSave(&customer, f, value, &field);
            return judgeEdit(f, field, value, id, before);
        }
        if (form == QLatin1String("frmSale")) {
            frmSale sale;
            sale.mActionType = frmSale::Edit;
            sale.mCurID = id;
            if (!sale.Load())
                return violation(QStringLiteral("the stored sale did not open"));
            sale.show();
            typeAndSave(&sale, f, value, &field);
            return judgeEdit(f, field, value, id, before);
        }
        if (form == QLatin1String("frmStore")) {
            frmStore store;
            store.mActionType = frmStore::Edit;
            store.mCurID = id;
            if (!store.Load())
                return violation(QStringLiteral("the stored document did not open"));
            store.show();
            typeAndSave(&store, f, value, &field);
            return judgeEdit(f, field, value, id, before);
        }
        std::unique_ptr<MasterForm> master;
        if (form == QLatin1String("frmGrpStation"))
            master = std::make_unique<frmGrpStation>();
        else if (form == QLatin1String("frmProduct"))
            master = std::make_unique<frmProduct>();
        else if (form == QLatin1String("frmSender"))
            master = std::make_unique<frmSender>();
        else
            master = std::make_unique<frmUser>();
        master->mActionType = MasterForm::Edit;
        master->mCurID = id;
        bool shown = false;
        whenModal([&](QWidget *) {
            shown = true;
            typeAndSave(master.get(), f, value, &field);
            if (master->isVisible())
                master->done(QDialog::Rejected);
        });
        master->exec();
        if (!shown)
            return violation(QStringLiteral("the stored record did not open"));
        return judgeEdit(f, field, value, id, before);
    }

    Result run(const Field &f, const QString &value)
    {
        if (f.edit)
            return edit(f, value);
        const QString form = QLatin1String(f.form);
        if (form == QLatin1String("frmGrpStation"))
            return station(f, value);
        if (form == QLatin1String("frmProduct"))
            return product(f, value);
        if (form == QLatin1String("frmSender"))
            return sender(f, value);
        if (form == QLatin1String("frmUser"))
            return user(f, value);
        if (form == QLatin1String("frmCustomer"))
            return customer(f, value);
        if (form == QLatin1String("frmStore"))
            return store(f, value);
        if (form == QLatin1String("frmSale"))
            return sale(f, value);
        if (form == QLatin1String("frmSystemSetup"))
            return settings(f, value);
        if (form == QLatin1String("frmCustFilter"))
            return filter<frmCustFilter>(f, value, QStringLiteral("select * from Customer"));
        if (form == QLatin1String("frmSaleFilter"))
            return filter<frmSaleFilter>(f, value, SaleFamilyList::shortSQL());
        return filter<frmStoreFilter>(f, value, QStringLiteral("select * from Store"));
    }

private slots:
    void initTestCase()
    {
        s_testLog = qInstallMessageHandler(onceEach);
        m_prompts = std::make_unique<ScriptedPrompter>();
        PELKOR_FRESH_DATABASE(m_db);
        m_product = mDatabase::InsertAndGetID(
            QStringLiteral("insert into Product(Name,Unit,Price,IsContainer,ContainerID,Status) "
                           "values('矿泉水','桶',8,'0',0,'1')"));
        m_sender = mDatabase::InsertAndGetID(QStringLiteral(
            "insert into Sender(Name,Price,Status,StationID) values('小李',2,'1',1)"));
        QVERIFY(m_product && m_sender);
    }

    void cleanupTestCase()
    {
        const auto line = [](const QString &name, int trials, int stored, int refused, int bad) {
            qInfo("%-22s %7d %7d %8d %10d", qPrintable(name), trials, stored, refused, bad);
        };
        qInfo("hostile input on %s (stored: stored or found exactly; refused: with a message)",
            qPrintable(TestDatabase::backend()));
        qInfo("%-22s %7s %7s %8s %10s", "form", "trials", "stored", "refused", "violations");
        for (auto it = m_byForm.cbegin(); it != m_byForm.cend(); ++it)
            line(it.key(), it.value()[0], it.value()[1], it.value()[2], it.value()[3]);
        line(QStringLiteral("all"), m_trials, m_stored, m_refused, m_violations);
        for (const QString &v : std::as_const(m_violationList))
            qInfo("violation: %s", qPrintable(v));
        const QString out = qEnvironmentVariable("PELKOR_HOSTILE_OUT");
        if (!out.isEmpty() && m_trials > 0) {
            QFile file(out);
            if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
                file.write((m_outcomes.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
        }
        mDatabase::CloseConnection();
        m_db.dropAll();
        m_prompts.reset();
    }

    void trial_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("value");
        for (int i = 0; i < fields().size(); ++i) {
            for (const Corpus &c : corpus())
                QTest::addRow("%s%s.%s=%s", fields()[i].form, fields()[i].edit ? "(edit)" : "",
                    fields()[i].field, c.name)
                    << i << c.value;
        }
    }

    void trial()
    {
        QFETCH(int, field);
        QFETCH(QString, value);
        const Field f = fields().at(field);
        m_prompts->clear();
        const qint64 logBefore = logSize();
        Result r = run(f, value);
        const QString logged = logSince(logBefore);
        if (logged.contains(QStringLiteral("数据库错误")))
            r = violation(QStringLiteral("database error: %1").arg(logged.left(300)));
        ++m_trials;
        std::array<int, 4> &form
            = m_byForm[QLatin1String(f.form) + QLatin1String(f.edit ? "(edit)" : "")];
        ++form[0];
        ++form[r.outcome == Outcome::Stored ? 1 : r.outcome == Outcome::Refused ? 2 : 3];
        const char *what = "violation";
        switch (r.outcome) {
        case Outcome::Stored:
            ++m_stored;
            what = "stored";
            break;
        case Outcome::Refused:
            ++m_refused;
            what = "refused";
            break;
        case Outcome::Violation:
            ++m_violations;
            m_violationList << QStringLiteral("%1: %2").arg(
                QString::fromUtf8(QTest::currentDataTag()), r.why);
            break;
        }
        m_outcomes << QStringLiteral("%1\t%2\t%3")
                          .arg(QString::fromUtf8(QTest::currentDataTag()), QLatin1String(what),
                              oneLine(r.outcome == Outcome::Violation ? r.why : r.shown));
        QVERIFY2(r.outcome != Outcome::Violation, qPrintable(r.why));
    }
};

QTEST_MAIN(tst_Hostile)
#include "tst_hostile.moc"
