#include "common/scriptedprompter.h"
#include "common/testdatabase.h"
#include "datastore/mdatabase.h"
#include "lists/frmhistorycall.h"
#include "lists/listmodel.h"
#include "sales/calllog.h"

#include <QTableView>
#include <QTest>

namespace {

int calls()
{
    const auto rs = mDatabase::OpenRecordset(QStringLiteral("select count(*) from Call"));
    return rs ? rs->value(0, 0).toInt() : -1;
}

} // namespace

class tst_HistoryCall : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void callsWithTheirCustomers();
    void deleteOneAndAll();

private:
    TestDatabase m_db;
    ScriptedPrompter *m_prompts = nullptr;
};

void tst_HistoryCall::init()
{
    m_prompts = new ScriptedPrompter;
    PELKOR_FRESH_DATABASE(m_db);
    QVERIFY(mDatabase::ExecuteSQL(
        QStringLiteral("insert into Customer(Name,Account,Address,Phone,Status,StationID) values"
                       "('张三',901,'西街3号','5551234','1',1)")));
    QVERIFY(CallLog::add(QStringLiteral("5551234")));
    QVERIFY(CallLog::add(QStringLiteral("13900000000")));
    QVERIFY(CallLog::add(QStringLiteral("it's me")));
}

void tst_HistoryCall::cleanup()
{
    mDatabase::CloseConnection();
    m_db.dropAll();
    delete m_prompts;
    m_prompts = nullptr;
}

void tst_HistoryCall::callsWithTheirCustomers()
{
    frmHistoryCall list;
    ListModel *model = list.model();
    QCOMPARE(model->rowCount(), 3);
    QCOMPARE(model->headerData(2, Qt::Horizontal).toString(), QStringLiteral("来电时间"));
    QCOMPARE(model->index(0, 1).data().toString(), QStringLiteral("5551234"));
    QCOMPARE(model->index(0, 3).data().toString(), QStringLiteral("张三"));
    QCOMPARE(model->index(0, 4).data().toString(), QStringLiteral("西街3号"));
    // A number no customer has: empty name and address.
    QCOMPARE(model->index(1, 3).data().toString(), QString());
    QCOMPARE(model->index(2, 1).data().toString(), QStringLiteral("it's me"));
    QVERIFY(QDateTime::fromString(
        model->index(0, 2).data().toString(), QStringLiteral("yyyy-MM-dd hh:mm:ss"))
                .isValid());
    // Newest first after a click on the number's header, then back.
    list.sortByColumn(0);
    list.sortByColumn(0);
    QCOMPARE(model->index(0, 1).data().toString(), QStringLiteral("it's me"));
}

void tst_HistoryCall::deleteOneAndAll()
{
    frmHistoryCall list;
    list.DeleteData();
    QCOMPARE(m_prompts->texts(), QStringList{QStringLiteral("请先选定您要删除的数据！")});
    list.grid()->setCurrentIndex(list.model()->index(1, 0));
    m_prompts->clear();
    list.DeleteData(); // the default answer is No
    QCOMPARE(m_prompts->requests.first().defaultButton, int(Prompt::No));
    QCOMPARE(calls(), 3);
    m_prompts->answers << Prompt::Yes;
    list.DeleteData();
    QCOMPARE(calls(), 2);
    QCOMPARE(list.model()->rowCount(), 2);
    m_prompts->answers << Prompt::Yes;
    list.DeleteAll();
    QCOMPARE(m_prompts->texts().last(), QStringLiteral("你确认要删除所有历史来电记录吗？"));
    QCOMPARE(calls(), 0);
    QCOMPARE(list.model()->rowCount(), 0);
}

QTEST_MAIN(tst_HistoryCall)
#include "tst_historycall.moc"
