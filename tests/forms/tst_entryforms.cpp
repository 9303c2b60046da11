// What every entry form shares, tried on each of them by keys: the rule for
// typed numbers and money, the focus a form opens with, and the question
// before typed input is thrown away.
#include "common/scopedsession.h"
#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "common/typing.h"
#include "datastore/currency.h"
#include "datastore/mdatabase.h"
#include "masterdata/frmgrpstation.h"
#include "masterdata/frmproduct.h"
#include "masterdata/frmsender.h"
#include "sales/frmcustomer.h"
#include "sales/frmsale.h"
#include "shell/frmuser.h"
#include "shell/loginstate.h"
#include "stock/frmstore.h"

#include <QAbstractButton>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

#include <memory>

namespace {

QString notANumber(const QString &typed)
{
    return QStringLiteral("数据输入格式不正确， ") + typed + QStringLiteral(" 不是有效的数字！");
}

void type(QWidget *widget, const QString &text)
{
    typeText(widget, text);
}

// The field replaced by what the operator types.
void retype(QLineEdit *field, const QString &text)
{
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    type(field, text);
}

// A stored number as the program writes it; empty when nothing was stored.
QString stored(const QString &sql)
{
    const auto rs = mDatabase::OpenRecordset(sql);
    return rs && !rs->isEmpty() ? Currency::fromVariant(rs->value(0, 0)).toSqlText() : QString();
}

std::unique_ptr<QDialog> openNew(const QString &form)
{
    std::unique_ptr<QDialog> dialog;
    if (form == QStringLiteral("送水工")) {
        dialog = std::make_unique<frmSender>();
    } else if (form == QStringLiteral("产品")) {
        dialog = std::make_unique<frmProduct>();
    } else if (form == QStringLiteral("供水站")) {
        dialog = std::make_unique<frmGrpStation>();
    } else if (form == QStringLiteral("操作员")) {
        dialog = std::make_unique<frmUser>();
    } else if (form == QStringLiteral("客户资料")) {
        auto customer = std::make_unique<frmCustomer>();
        customer->Load();
        dialog = std::move(customer);
    } else if (form == QStringLiteral("库存管理")) {
        auto store = std::make_unique<frmStore>();
        store->Load();
        dialog = std::move(store);
    } else if (form == QStringLiteral("销售单据")) {
        auto sale = std::make_unique<frmSale>();
        sale->Load();
        dialog = std::move(sale);
    }
    if (dialog) {
        dialog->show();
        QApplication::setActiveWindow(dialog.get());
    }
    return dialog;
}

} // namespace

class tst_EntryForms : public QObject {
    Q_OBJECT

    TestDatabase m_db;
    std::unique_ptr<ScriptedPrompter> m_prompter;
    qint64 m_water = 0;

private slots:
    void init()
    {
        setSession(ScopedSession::headStation());
        m_prompter = std::make_unique<ScriptedPrompter>();
        PELKOR_FRESH_DATABASE(m_db);
        m_water = mDatabase::InsertAndGetID(
            "insert into Product(Name,Unit,Price,IsContainer,ContainerID,Status) "
            "values('纯净水','桶',12.5,'0',0,'1')");
        QVERIFY(m_water);
    }

    void cleanup()
    {
        m_db.dropAll();
        m_prompter.reset();
    }

    // One rule for every number and money field: a comma only between
    // thousands, money no larger than the money words can say.
    void typedNumbers_data()
    {
        QTest::addColumn<QString>("form");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored"); // empty: refused with the number message

        const QStringList refused = {"1,5", "12,34", "1,2345", "abc"};
        const QList<QPair<QString, QString>> fields = {{"销售单据", "txtInMoney"},
            {"销售单据", "txtTransferFee"}, {"销售单据", "txtOutAmount"},
            {"销售单据", "txtInContainer"}, {"送水工", "txtPrice"}, {"产品", "txtPrice"}};
        for (const auto &[form, field] : fields)
            for (const QString &typed : refused)
                QTest::addRow("%s %s %s", qPrintable(form), qPrintable(field), qPrintable(typed))
                    << form << field << typed << QString();

        QTest::newRow("sale money in thousands") << "销售单据"
                                                 << "txtInMoney"
                                                 << "1,234.50"
                                                 << "1234.5";
        QTest::newRow("sale fee in thousands") << "销售单据"
                                               << "txtTransferFee"
                                               << "1,234"
                                               << "1234";
        QTest::newRow("sale fee beyond the words") << "销售单据"
                                                   << "txtTransferFee"
                                                   << "100,000,000" << QString();
        QTest::newRow("sale delivered in thousands") << "销售单据"
                                                     << "txtOutAmount"
                                                     << "1,000"
                                                     << "1000";
        QTest::newRow("sender fee with cents") << "送水工"
                                               << "txtPrice"
                                               << "1,234.50"
                                               << "1234.5";
        QTest::newRow("sender fee, largest") << "送水工"
                                             << "txtPrice"
                                             << "99,999,999.99"
                                             << "99999999.99";
        QTest::newRow("sender fee beyond the words") << "送水工"
                                                     << "txtPrice"
                                                     << "922337203685477" << QString();
        QTest::newRow("product price in thousands") << "产品"
                                                    << "txtPrice"
                                                    << "2,500"
                                                    << "2500";
        QTest::newRow("product price a fraction beyond") << "产品"
                                                         << "txtPrice"
                                                         << "99999999.991" << QString();
    }

    void typedNumbers()
    {
        QFETCH(QString, form);
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, stored);

        const auto dialog = openNew(form);
        QVERIFY(dialog);
        auto *edit = dialog->findChild<QLineEdit *>(field);
        QVERIFY(edit);
        QString sql;
        if (form == QStringLiteral("销售单据")) {
            // 2000 of 12.50: room for what is received.
            QAbstractItemModel *grid = dialog->findChild<QTableView *>("dbgDetail")->model();
            QVERIFY(grid->setData(grid->index(0, 0), QString::number(m_water)));
            QVERIFY(grid->setData(grid->index(0, 4), QStringLiteral("2000")));
            retype(dialog->findChild<QLineEdit *>("txtCustAddress"), QStringLiteral("东街1号"));
            const QString column = field.mid(3); // txtInMoney: InMoney
            sql = QStringLiteral("select %1 from Sale").arg(column);
        } else {
            retype(dialog->findChild<QLineEdit *>("txtName"), QStringLiteral("王师傅"));
            if (auto *unit = dialog->findChild<QLineEdit *>("txtUnit"))
                retype(unit, QStringLiteral("桶"));
            sql = QStringLiteral("select Price from %1 where Name='王师傅'")
                      .arg(form == QStringLiteral("产品") ? QLatin1String("Product")
                                                          : QLatin1String("Sender"));
        }
        retype(edit, typed);
        dialog->findChild<QPushButton *>("btnSave")->click();

        QCOMPARE(::stored(sql), stored);
        if (stored.isEmpty())
            QVERIFY2(m_prompter->texts().contains(notANumber(typed)),
                qPrintable(m_prompter->texts().join(QLatin1Char('|'))));
        else
            QCOMPARE(m_prompter->texts(), QStringList());
    }

    // The first keys typed land in the first input, never on a button.
    void opensInFirstInput_data()
    {
        QTest::addColumn<QString>("form");
        QTest::addColumn<QString>("first");
        QTest::newRow("送水工") << "送水工"
                                << "txtName";
        QTest::newRow("供水站") << "供水站"
                                << "txtName";
        QTest::newRow("产品") << "产品"
                              << "txtName";
        QTest::newRow("操作员") << "操作员"
                                << "txtName";
        QTest::newRow("客户资料") << "客户资料"
                                  << "txtName";
        QTest::newRow("销售单据") << "销售单据"
                                  << "txtCustAccount";
    }

    void opensInFirstInput()
    {
        QFETCH(QString, form);
        QFETCH(QString, first);
        const auto dialog = openNew(form);
        QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
        QWidget *focus = QApplication::focusWidget();
        QVERIFY(focus);
        QCOMPARE(focus->objectName(), first);
        // A name with a quote and a blank: the blank presses nothing.
        type(focus, QStringLiteral("O'Neil 师傅"));
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->findChild<QLineEdit *>(first)->text(), QStringLiteral("O'Neil 师傅"));
    }

    // Escape or 退出 after typing asks first, the answer defaulting to 否.
    void asksBeforeDiscarding_data()
    {
        QTest::addColumn<QString>("form");
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("byExit");
        const QList<QPair<QString, QString>> fields
            = {{"送水工", "txtName"}, {"供水站", "txtName"}, {"产品", "txtPrice"},
                {"操作员", "txtPassword"}, {"客户资料", "txtName"}, {"库存管理", "txtPaperID"}};
        for (const auto &[form, field] : fields) {
            QTest::addRow("%s, Escape", qPrintable(form)) << form << field << false;
            QTest::addRow("%s, 退出", qPrintable(form)) << form << field << true;
        }
    }

    void asksBeforeDiscarding()
    {
        QFETCH(QString, form);
        QFETCH(QString, field);
        QFETCH(bool, byExit);
        const auto dialog = openNew(form);
        QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
        auto *edit = dialog->findChild<QLineEdit *>(field);
        QVERIFY(edit);
        const auto leave = [&] {
            if (byExit)
                dialog->findChild<QPushButton *>("btnExit")->click();
            else
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        };
        // Untouched: closes without a word.
        leave();
        QVERIFY(!dialog->isVisible());
        QCOMPARE(m_prompter->requests.size(), 0);

        dialog->show();
        QApplication::setActiveWindow(dialog.get());
        QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
        retype(edit, QStringLiteral("12"));
        leave();
        QCOMPARE(m_prompter->requests.size(), 1);
        QCOMPARE(m_prompter->requests.first().defaultButton, int(Prompt::No));
        QVERIFY(dialog->isVisible());
        QCOMPARE(edit->text(), QStringLiteral("12"));
        m_prompter->answers << Prompt::Yes;
        leave();
        QVERIFY(!dialog->isVisible());
    }
};

QTEST_MAIN(tst_EntryForms)
#include "tst_entryforms.moc"
