#include "common/modalhelper.h"
#include "common/scopedsession.h"
#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/mdatabase.h"
#include "masterdata/frmgrpstation.h"
#include "masterdata/frmgrpstationadmin.h"
#include "masterdata/frmproduct.h"
#include "masterdata/frmproductadmin.h"
#include "masterdata/frmsender.h"
#include "masterdata/frmsenderadmin.h"
#include "masterdata/productwriter.h"
#include "masterdata/senderwriter.h"
#include "masterdata/stationwriter.h"
#include "shell/loginstate.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

class tst_MasterDataForms : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void productSaveRuleAndNextEntry();
    void priceIsCheckedOnLeaving();
    void bottleWarningAndEdit();
    void productListEditsAndKeepsItsPlace();
    void goneRecordIsNotShown();
    void branchOperatorKeepsToTheirStation();
    void headStationCannotBeSuspended();
    void headStationStoredSuspended();

private:
    TestDatabase m_db;
    ScopedSession m_session{ScopedSession::headStation()};
    ScriptedPrompter *m_prompts = nullptr;
};

void tst_MasterDataForms::init()
{
    m_prompts = new ScriptedPrompter;
    PELKOR_FRESH_DATABASE(m_db);
}

void tst_MasterDataForms::cleanup()
{
    mDatabase::CloseConnection();
    m_db.dropAll();
    delete m_prompts;
    m_prompts = nullptr;
}

void tst_MasterDataForms::productSaveRuleAndNextEntry()
{
    frmProduct form;
    form.show();
    QVERIFY(!form.btnSave->isEnabled());
    QTest::keyClicks(form.txtName, QStringLiteral("  "));
    form.txtUnit->setText(QStringLiteral("桶"));
    QVERIFY(!form.btnSave->isEnabled()); // a name of blanks is no name
    form.txtName->setText(QStringLiteral("纯净水"));
    QVERIFY(form.btnSave->isEnabled());
    form.txtPrice->clear(); // an empty price is stored as 0
    form.chkIsDefault->setChecked(true);
    QTest::mouseClick(form.btnSave, Qt::LeftButton);
    QCOMPARE(countRows(QStringLiteral("select count(*) from Product where Name='纯净水' and "
                                      "Price=0 and IsDefault='1' and Status='1'")),
        1);
    // New mode stays open for the next product, emptied.
    QVERIFY(form.isVisible());
    QVERIFY(form.txtName->text().isEmpty());
    QCOMPARE(form.txtPrice->text(), QStringLiteral("0"));
    QVERIFY(!form.chkIsDefault->isChecked());
    QVERIFY(!form.btnSave->isEnabled());
}

void tst_MasterDataForms::priceIsCheckedOnLeaving()
{
    frmProduct form;
    form.show();
    QApplication::setActiveWindow(&form);
    form.txtPrice->setFocus();
    form.txtPrice->setText(QStringLiteral("十元"));
    QTest::keyClick(form.txtPrice, Qt::Key_Tab);
    QTRY_VERIFY(form.txtPrice->hasFocus());
    QCOMPARE(m_prompts->requests.size(), 1);
    QVERIFY(m_prompts->texts().first().contains(QStringLiteral("不是有效的数字")));
    // Refused again on the next try: the check runs on every exit.
    QTest::keyClick(form.txtPrice, Qt::Key_Tab);
    QTRY_COMPARE(m_prompts->requests.size(), 2);
    form.txtPrice->setText(QStringLiteral("12.5"));
    QTest::keyClick(form.txtPrice, Qt::Key_Tab);
    QTRY_VERIFY(!form.txtPrice->hasFocus());
    QCOMPARE(m_prompts->requests.size(), 2);
    form.txtPrice->setFocus();
    form.txtPrice->clear();
    QTest::keyClick(form.txtPrice, Qt::Key_Tab);
    QCOMPARE(form.txtPrice->text(), QStringLiteral("0"));
}

void tst_MasterDataForms::bottleWarningAndEdit()
{
    ProductRecord bottle{
        0, QStringLiteral("水桶"), QStringLiteral("个"), {}, {}, false, false, true, 0};
    bottle.id = ProductWriter::saveNew(bottle);
    ProductRecord water{
        0, QStringLiteral("纯净水"), QStringLiteral("桶"), {}, {}, false, false, false, bottle.id};
    water.id = ProductWriter::saveNew(water);

    frmProduct form;
    form.mActionType = frmProduct::Edit;
    form.mCurID = bottle.id;
    whenModal([&](QWidget *) {
        QVERIFY(form.chkIsContainer->isChecked());
        QVERIFY(!form.cmbContainer->isEnabled());
        QVERIFY(form.btnSave->isEnabled());
        // Giving up the bottle: warned at the click, detached on save.
        QTest::mouseClick(form.chkIsContainer, Qt::LeftButton);
        QCOMPARE(m_prompts->requests.size(), 1);
        QCOMPARE(m_prompts->requests.first().title, QStringLiteral("提示"));
        QVERIFY(form.cmbContainer->isEnabled());
        QTest::mouseClick(form.btnSave, Qt::LeftButton);
    });
    QCOMPARE(form.exec(), int(QDialog::Accepted));
    QCOMPARE(ProductReader::load(water.id)->containerId, 0);
    QVERIFY(!ProductReader::load(bottle.id)->isContainer);
}

void tst_MasterDataForms::productListEditsAndKeepsItsPlace()
{
    for (const char *name : {"甲", "乙", "丙"})
        ProductWriter::saveNew(
            {0, QString::fromUtf8(name), QStringLiteral("桶"), {}, {}, false, false, false, 0});
    ProductWriter::saveNew(
        {0, QStringLiteral("停用品"), QStringLiteral("桶"), {}, {}, true, false, false, 0});
    frmProductAdmin list;
    list.show();
    QCOMPARE(list.lsvMain->topLevelItemCount(), 4);
    QVERIFY(!list.btnEdit->isEnabled());
    const QTreeWidgetItem *active = list.lsvMain->topLevelItem(0);
    const QTreeWidgetItem *suspended = list.lsvMain->topLevelItem(3);
    QVERIFY(active->icon(0).cacheKey() != suspended->icon(0).cacheKey());
    QCOMPARE(suspended->text(1), QStringLiteral("停用品"));

    list.lsvMain->setCurrentItem(list.lsvMain->topLevelItem(1));
    QVERIFY(list.btnEdit->isEnabled());
    whenModal([](QWidget *modal) {
        auto *form = qobject_cast<frmProduct *>(modal);
        QVERIFY(form);
        QCOMPARE(form->txtName->text(), QStringLiteral("乙"));
        form->txtName->setText(QStringLiteral("乙改"));
        QTest::mouseClick(form->btnSave, Qt::LeftButton);
    });
    QTest::mouseClick(list.btnEdit, Qt::LeftButton);
    QCOMPARE(list.lsvMain->topLevelItem(1)->text(1), QStringLiteral("乙改"));
    QCOMPARE(list.lsvMain->currentItem(), list.lsvMain->topLevelItem(1));
}

void tst_MasterDataForms::goneRecordIsNotShown()
{
    frmSender form;
    form.mActionType = frmSender::Edit;
    form.mCurID = 4242;
    QCOMPARE(form.exec(), int(QDialog::Rejected));
    QVERIFY(!form.isVisible());
}

void tst_MasterDataForms::branchOperatorKeepsToTheirStation()
{
    const qint64 east = StationWriter::saveNew({0, QStringLiteral("城东"), false});
    SenderWriter::saveNew({0, QStringLiteral("总站的人"), {}, {}, {}, false, 1});
    const ScopedSession branch(ScopedSession::atBranch(qint16(east)));
    frmSender form;
    QVERIFY(!form.cmbStation->isEnabled());
    QCOMPARE(form.cmbStation->currentData().toLongLong(), east);
    form.txtName->setText(QStringLiteral("东站的人"));
    QTest::mouseClick(form.btnSave, Qt::LeftButton);
    QCOMPARE(countRows(QStringLiteral(
                 "select count(*) from Sender where Name='东站的人' and StationID=%1")
                           .arg(east)),
        1);
    frmSenderAdmin list;
    QCOMPARE(list.lsvMain->topLevelItemCount(), 1);
    // The number the sale lists show as 送水工编号, then the name.
    QCOMPARE(list.lsvMain->topLevelItem(0)->text(0),
        QString::number(countRows(QStringLiteral("select ID from Sender where Name='东站的人'"))));
    QCOMPARE(list.lsvMain->topLevelItem(0)->text(1), QStringLiteral("东站的人"));
}

void tst_MasterDataForms::headStationCannotBeSuspended()
{
    const qint64 east = StationWriter::saveNew({0, QStringLiteral("城东"), false});
    frmGrpStation head;
    head.mActionType = frmGrpStation::Edit;
    head.mCurID = 1;
    whenModal([&](QWidget *) {
        QVERIFY(!head.chkDisable->isEnabled());
        head.reject();
    });
    head.exec();

    frmGrpStationAdmin list;
    QCOMPARE(list.lsvMain->topLevelItemCount(), 2);
    list.lsvMain->setCurrentItem(list.lsvMain->topLevelItem(1));
    whenModal([](QWidget *modal) {
        auto *form = qobject_cast<frmGrpStation *>(modal);
        QVERIFY(form && form->chkDisable->isEnabled());
        form->chkDisable->setChecked(true);
        QTest::mouseClick(form->btnSave, Qt::LeftButton);
    });
    QTest::mouseClick(list.btnEdit, Qt::LeftButton);
    QVERIFY(StationReader::load(east)->suspended);
    QCOMPARE(list.lsvMain->currentItem(), list.lsvMain->topLevelItem(1));
}

void tst_MasterDataForms::headStationStoredSuspended()
{
    // Suspended by an older program: renaming it says why it is refused,
    // and taking it back into use is possible.
    QVERIFY(mDatabase::ExecuteSQL(QStringLiteral("update Station set Status='0' where ID=1")));
    const QString before = StationReader::load(1)->name;
    frmGrpStation head;
    head.mActionType = frmGrpStation::Edit;
    head.mCurID = 1;
    bool offered = false;
    bool stayedOpen = false;
    QStringList refused;
    QString nameWhenRefused;
    whenModal([&](QWidget *) {
        offered = head.chkDisable->isChecked() && head.chkDisable->isEnabled();
        head.txtName->setText(QStringLiteral("集团总部"));
        QTest::mouseClick(head.btnSave, Qt::LeftButton);
        refused = m_prompts->texts();
        stayedOpen = head.isVisible();
        nameWhenRefused = StationReader::load(1)->name;
        head.chkDisable->setChecked(false);
        QTest::mouseClick(head.btnSave, Qt::LeftButton);
        if (head.isVisible())
            head.reject();
    });
    head.exec();
    QVERIFY(offered);
    QCOMPARE(refused.size(), 1);
    QVERIFY2(refused.first().contains(QStringLiteral("不能暂停使用")), qPrintable(refused.first()));
    QVERIFY(stayedOpen);
    QCOMPARE(nameWhenRefused, before);
    QCOMPARE(m_prompts->requests.size(), 1);
    QCOMPARE(head.result(), int(QDialog::Accepted));
    QCOMPARE(StationReader::load(1)->name, QStringLiteral("集团总部"));
    QVERIFY(!StationReader::load(1)->suspended);
}

QTEST_MAIN(tst_MasterDataForms)
#include "tst_masterdataforms.moc"
