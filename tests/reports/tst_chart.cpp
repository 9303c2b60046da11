#include "common/scriptedprompter.h"
#include "reports/chartdata.h"
#include "reports/frmchart.h"

#include <QAbstractSeries>
#include <QAction>
#include <QAreaSeries>
#include <QCategoryAxis>
#include <QChart>
#include <QFile>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QLegend>
#include <QLineSeries>
#include <QTemporaryDir>
#include <QTest>
#include <QValueAxis>

namespace {

QVector<PeriodReport::Row> rows(int count, bool months = false)
{
    QVector<PeriodReport::Row> list;
    for (int i = 0; i < count; ++i) {
        PeriodReport::Row r;
        r.reportDate = months ? QStringLiteral("%1年%2月").arg(2021 + i / 12).arg(i % 12 + 1, -2)
                              : QDate(2026, 11, 1).addDays(-i).toString(Qt::ISODate);
        r.sumMoney = Currency::fromInt(100 + i);
        Currency::parse(QStringLiteral("%1.5").arg(i), &r.sumAmount);
        list << r;
    }
    return list;
}

QStringList seriesNames(QChart *chart)
{
    QStringList names;
    for (QAbstractSeries *s : chart->series())
        names << s->name();
    return names;
}

} // namespace

class tst_Chart : public QObject {
    Q_OBJECT

private slots:
    void seriesFollowTheReportRows();
    void labelsNeverCrowd_data();
    void labelsNeverCrowd();
    void chartShowsItsTitlesAndSeries();
    void emptyReportGivesAnEmptyChart();
    void curveAndBlockKeepDataAndView();
    void onlyOneInteractionPressed();
    void savesAPicture();
};

void tst_Chart::seriesFollowTheReportRows()
{
    const ChartData data = ChartData::fromRows(rows(3));
    QCOMPARE(data.labels,
        (QStringList{QStringLiteral("2026-11-01"), QStringLiteral("2026-10-31"),
            QStringLiteral("2026-10-30")}));
    QCOMPARE(data.money, (QVector<QPointF>{{1, 100}, {2, 101}, {3, 102}}));
    QCOMPARE(data.amount, (QVector<QPointF>{{1, 0.5}, {2, 1.5}, {3, 2.5}}));
}

void tst_Chart::labelsNeverCrowd_data()
{
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("labelWidth");
    QTest::addColumn<int>("step");
    QTest::newRow("a month of days") << 31 << 700 << 90 << 5;
    QTest::newRow("five years of months") << 60 << 700 << 90 << 9;
    QTest::newRow("few points") << 5 << 700 << 90 << 1;
    QTest::newRow("one point") << 1 << 700 << 90 << 1;
    QTest::newRow("no room") << 10 << 50 << 90 << 10;
}

void tst_Chart::labelsNeverCrowd()
{
    QFETCH(int, points);
    QFETCH(int, width);
    QFETCH(int, labelWidth);
    QFETCH(int, step);
    QCOMPARE(ChartData::labelStep(points, width, labelWidth), step);
    // However many are written, they fit side by side.
    const int written = (points + step - 1) / step;
    QVERIFY(written <= qMax(1, width / labelWidth));
}

void tst_Chart::chartShowsItsTitlesAndSeries()
{
    frmChart chart(QStringLiteral("城东2026-01-01至2026-12-31 月度销售额汇总表"),
        ChartData::fromRows(rows(60, true)));
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    QCOMPARE(chart.windowTitle(), QStringLiteral("图形分析"));
    QCOMPARE(chart.chart()->title(), QStringLiteral("城东2026-01-01至2026-12-31 月度销售额汇总表"));
    QVERIFY(chart.chart()->legend()->isVisible());
    QCOMPARE(seriesNames(chart.chart()),
        (QStringList{QStringLiteral("销售金额"), QStringLiteral("销售数量")}));
    auto *x = qobject_cast<QCategoryAxis *>(chart.chart()->axes(Qt::Horizontal).value(0));
    auto *y = qobject_cast<QValueAxis *>(chart.chart()->axes(Qt::Vertical).value(0));
    QVERIFY(x && y);
    QCOMPARE(x->titleText(), QStringLiteral("日期"));
    QCOMPARE(y->titleText(), QStringLiteral("数据"));
    // Sixty months: only as many labels as fit, the first month among them.
    QVERIFY(x->count() < 60);
    QVERIFY(x->count() >= 3);
    QCOMPARE(x->categoriesLabels().first(), QStringLiteral("2021年1 月"));
    auto *money = qobject_cast<QLineSeries *>(chart.chart()->series().first());
    QCOMPARE(money->count(), 60);
    QCOMPARE(money->at(59), QPointF(60, 159));
    QCOMPARE(chart.tilt(), QPointF(10, 10));
}

void tst_Chart::emptyReportGivesAnEmptyChart()
{
    frmChart chart(
        QStringLiteral("客户：0 2026-01-01----2026-01-31 日购水状况汇总表"), ChartData());
    chart.show();
    QCOMPARE(chart.chart()->title(),
        QStringLiteral("客户：0 2026-01-01----2026-01-31 日购水状况汇总表"));
    QCOMPARE(seriesNames(chart.chart()),
        (QStringList{QStringLiteral("销售金额"), QStringLiteral("销售数量")}));
    QCOMPARE(qobject_cast<QLineSeries *>(chart.chart()->series().first())->count(), 0);
    QVERIFY(chart.chart()->legend()->isVisible());
}

void tst_Chart::curveAndBlockKeepDataAndView()
{
    frmChart chart(QStringLiteral("图"), ChartData::fromRows(rows(31)));
    chart.show();
    chart.toolClick(QStringLiteral("tlRotate"));
    QWidget *viewport = chart.chart()->scene()->views().first()->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(300, 200));
    QMouseEvent move(QEvent::MouseMove, QPointF(340, 200), viewport->mapToGlobal(QPointF(340, 200)),
        Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(340, 200));
    const QPointF turned = chart.tilt();
    QVERIFY(turned != QPointF(10, 10));
    // Zoomed in and dragged along: what the axes show is the view.
    chart.chart()->zoom(2.0);
    chart.chart()->scroll(40, 0);
    const auto view = [&chart] {
        QList<qreal> ranges;
        for (QAbstractAxis *axis : chart.chart()->axes())
            if (auto *values = qobject_cast<QValueAxis *>(axis))
                ranges << values->min() << values->max();
        return ranges;
    };
    const QList<qreal> zoomed = view();
    QCOMPARE(zoomed.size(), 4);

    chart.toolClick(QStringLiteral("tlShowArea"));
    QCOMPARE(view(), zoomed);
    QCOMPARE(chart.chartType(), frmChart::Area);
    auto *area = qobject_cast<QAreaSeries *>(chart.chart()->series().first());
    QVERIFY(area);
    QCOMPARE(area->upperSeries()->count(), 31);
    QCOMPARE(area->upperSeries()->at(4), QPointF(5, 104));
    QCOMPARE(chart.tilt(), turned);
    chart.toolClick(QStringLiteral("tlShowPlot"));
    QCOMPARE(chart.chartType(), frmChart::Plot);
    QCOMPARE(qobject_cast<QLineSeries *>(chart.chart()->series().last())->at(4), QPointF(5, 4.5));

    QCOMPARE(view(), zoomed);

    chart.toolClick(QStringLiteral("tlReset"));
    QCOMPARE(chart.tilt(), QPointF(10, 10));
    QVERIFY(view() != zoomed);
    QCOMPARE(chart.curAction, int(frmChart::NoAction));
}

void tst_Chart::onlyOneInteractionPressed()
{
    frmChart chart(QStringLiteral("图"), ChartData::fromRows(rows(5)));
    const auto pressed = [&] {
        QStringList names;
        for (const char *n : {"tlDrag", "tlRotate", "tlScale"})
            if (chart.findChild<QAction *>(QLatin1String(n))->isChecked())
                names << QLatin1String(n);
        return names;
    };
    chart.findChild<QAction *>(QStringLiteral("tlDrag"))->trigger();
    QCOMPARE(chart.curAction, int(frmChart::Drag));
    QCOMPARE(pressed(), QStringList{QStringLiteral("tlDrag")});
    chart.findChild<QAction *>(QStringLiteral("tlScale"))->trigger();
    QCOMPARE(chart.curAction, int(frmChart::Scale));
    QCOMPARE(pressed(), QStringList{QStringLiteral("tlScale")});
    chart.findChild<QAction *>(QStringLiteral("tlRotate"))->trigger();
    QCOMPARE(chart.curAction, int(frmChart::Rotate));
    QCOMPARE(pressed(), QStringList{QStringLiteral("tlRotate")});
    chart.findChild<QAction *>(QStringLiteral("tlReset"))->trigger();
    QVERIFY(pressed().isEmpty());
}

void tst_Chart::savesAPicture()
{
    ScriptedPrompter prompts;
    QTemporaryDir dir;
    frmChart chart(QStringLiteral("图"), ChartData::fromRows(rows(12, true)));
    chart.show();
    const QString file = dir.filePath(QStringLiteral("chart.png"));
    prompts.choices << file;
    chart.findChild<QAction *>(QStringLiteral("tlSaveImage"))->trigger();
    QVERIFY(
        prompts.requests.size() == 1 && prompts.requests.first().kind == Prompt::Kind::SaveFile);
    QImage saved(file);
    QVERIFY(!saved.isNull());
    QCOMPARE(saved.size(), chart.image().size());
    // Cancelled: nothing written, nothing said.
    chart.findChild<QAction *>(QStringLiteral("tlSaveImage"))->trigger();
    QCOMPARE(prompts.requests.size(), 2);
}

QTEST_MAIN(tst_Chart)
#include "tst_chart.moc"
