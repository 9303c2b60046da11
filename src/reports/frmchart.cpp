#include "reports/frmchart.h"

#include "datastore/prompt.h"
#include "shell/filechoice.h"
#include "shell/pdfoffer.h"
#include "shell/printjob.h"

#include <QApplication>
#include <QAreaSeries>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QLineSeries>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValueAxis>

#include <optional>

namespace {

// The chart as it stands on screen, scaled onto the printer's page.
class ChartPrintJob : public PrintJob {
public:
    ChartPrintJob(QChartView *view, QString caption) : m_view(view), m_caption(std::move(caption))
    {
    }
    QString documentName() const override { return m_caption; }
    void preparePrinter(QPrinter *printer) const override
    {
        printer->setPageOrientation(QPageLayout::Landscape);
    }
    bool render(QPrinter *printer) override
    {
        QPainter painter;
        if (!painter.begin(printer))
            return false;
        const QRect page = painter.viewport();
        QSize size = m_view->size();
        size.scale(page.size(), Qt::KeepAspectRatio);
        m_view->render(&painter, QRect(page.topLeft(), size));
        return painter.end();
    }

private:
    QChartView *m_view;
    QString m_caption;
};

const QString MoneyName = QStringLiteral("销售金额");
const QString AmountName = QStringLiteral("销售数量");

QLineSeries *lineOf(const QVector<QPointF> &points, const QString &name)
{
    auto *series = new QLineSeries;
    series->setName(name);
    series->append(QList<QPointF>(points.cbegin(), points.cend()));
    series->setPointsVisible(points.size() <= 62);
    return series;
}

} // namespace

frmChart::frmChart(const QString &caption, const ChartData &data, QWidget *parent)
    : QDialog(parent), curChartCaption(caption), barTool(new QToolBar(QStringLiteral("工具条"))),
      m_view(new QChartView(new QChart)), m_data(data)
{
    setObjectName(QStringLiteral("frmChart"));
    setWindowTitle(QStringLiteral("图形分析"));
    barTool->setObjectName(QStringLiteral("barTool"));
    const auto tool = [this](const char *name, const QString &caption, bool checkable) {
        QAction *action = new QAction(caption, this);
        action->setObjectName(QLatin1String(name));
        action->setCheckable(checkable);
        connect(
            action, &QAction::triggered, this, [this, name] { toolClick(QLatin1String(name)); });
        return action;
    };
    barTool->addAction(tool("tlReset", QStringLiteral("还原"), false));
    barTool->addAction(tool("tlDrag", QStringLiteral("拖动"), true));
    barTool->addAction(tool("tlRotate", QStringLiteral("旋转"), true));
    barTool->addAction(tool("tlScale", QStringLiteral("缩放"), true));
    const auto menuTool = [this](const QString &caption, QList<QAction *> actions) {
        auto *menu = new QMenu(caption, this);
        menu->addActions(actions);
        auto *button = new QToolButton;
        button->setText(caption);
        button->setMenu(menu);
        button->setPopupMode(QToolButton::InstantPopup);
        barTool->addWidget(button);
    };
    menuTool(QStringLiteral("输出图表"),
        {tool("tlToPrinter", QStringLiteral("输出到打印机"), false),
            tool("tlToClipboard", QStringLiteral("输出到剪贴板"), false),
            tool("tlSaveImage", QStringLiteral("保存为图片文件..."), false)});
    menuTool(QStringLiteral("图表类型"),
        {tool("tlShowPlot", QStringLiteral("曲线图"), false),
            tool("tlShowArea", QStringLiteral("块状图"), false)});

    QChart *c = chart();
    c->setTitle(curChartCaption);
    c->legend()->setVisible(true);
    c->legend()->setAlignment(Qt::AlignBottom);
    c->setAnimationOptions(QChart::NoAnimation);
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->viewport()->installEventFilter(this);
    m_view->setAlignment(Qt::AlignCenter);
    // Labels are chosen once the plot area's width is known, and again when
    // the window is resized.
    connect(c, &QChart::plotAreaChanged, this, [this] { updateLabels(); });
    setChartType(Plot, false);

    auto *box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(barTool);
    box->addWidget(m_view, 1);
    resize(900, 560);
    applyTilt();
}

QChart *frmChart::chart() const
{
    return m_view->chart();
}

void frmChart::setChartType(ChartType type, bool keepView)
{
    m_type = type;
    QChart *c = chart();
    // Zooming and dragging move the axes' ranges: they are the view.
    std::optional<QPointF> keptX;
    std::optional<QPointF> keptY;
    for (QAbstractAxis *axis : c->axes()) {
        if (const auto *values = qobject_cast<QValueAxis *>(axis); values && keepView)
            (axis->orientation() == Qt::Horizontal ? keptX : keptY)
                = QPointF(values->min(), values->max());
    }
    c->removeAllSeries();
    for (QAbstractAxis *axis : c->axes())
        c->removeAxis(axis);
    QList<QAbstractSeries *> series;
    if (type == Plot) {
        series << lineOf(m_data.money, MoneyName) << lineOf(m_data.amount, AmountName);
    } else {
        for (const auto &[points, name] :
            {std::pair{&m_data.money, MoneyName}, std::pair{&m_data.amount, AmountName}}) {
            auto *area = new QAreaSeries(lineOf(*points, name));
            area->setName(name);
            area->setOpacity(0.75);
            series << area;
        }
    }
    auto *x = new QCategoryAxis;
    x->setTitleText(QStringLiteral("日期"));
    x->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    auto *y = new QValueAxis;
    y->setTitleText(QStringLiteral("数据"));
    c->addAxis(x, Qt::AlignBottom);
    c->addAxis(y, Qt::AlignLeft);
    double top = 0;
    for (const auto *points : {&m_data.money, &m_data.amount})
        for (const QPointF &p : *points)
            top = qMax(top, p.y());
    for (QAbstractSeries *s : series) {
        c->addSeries(s);
        s->attachAxis(x);
        s->attachAxis(y);
    }
    x->setRange(0.5, qMax(1.5, m_data.labels.size() + 0.5));
    y->setRange(0, top > 0 ? top * 1.1 : 1);
    y->applyNiceNumbers();
    if (keptX && keptY) {
        x->setRange(keptX->x(), keptX->y());
        y->setRange(keptY->x(), keptY->y());
    }
    m_labelledWidth = -1;
    updateLabels();
}

void frmChart::updateLabels()
{
    auto *x = qobject_cast<QCategoryAxis *>(chart()->axes(Qt::Horizontal).value(0));
    if (!x)
        return;
    // Every label as wide as the widest, with room between them: none may
    // overlap, for a month of days or five years of months.
    const QFontMetrics metrics(x->labelsFont());
    int widest = 0;
    for (const QString &label : m_data.labels)
        widest = qMax(widest, metrics.horizontalAdvance(label));
    const int width = int(chart()->plotArea().width());
    if (width <= 0 || (width == m_labelledWidth && x->count() > 0))
        return;
    m_labelledWidth = width;
    const int step = ChartData::labelStep(m_data.labels.size(), width, widest + 16);
    for (const QString &label : x->categoriesLabels())
        x->remove(label);
    for (int i = 0; i < m_data.labels.size(); i += step)
        x->append(m_data.labels[i], i + 1);
}

void frmChart::applyTilt()
{
    // A slight turn about the chart's centre (elevation about the horizontal
    // axis, rotation about the vertical one), scaled so that the turned
    // chart still fits the window whole.
    const QRectF scene = m_view->sceneRect();
    const QPointF centre = scene.center();
    QTransform t;
    t.translate(centre.x(), centre.y());
    t.rotate(m_tilt.y(), Qt::YAxis);
    t.rotate(m_tilt.x(), Qt::XAxis);
    t.translate(-centre.x(), -centre.y());
    const QRectF turned = t.mapRect(scene);
    const QSize room = m_view->viewport()->size();
    if (turned.width() > 0 && turned.height() > 0) {
        const double fit = qMin(
            1.0, qMin(room.width() / turned.width(), room.height() / turned.height()) * 0.98);
        t *= QTransform::fromScale(fit, fit);
    }
    m_view->setTransform(t);
    m_view->centerOn(centre);
}

void frmChart::pressOnly(QAction *pressed)
{
    for (QAction *action : barTool->actions())
        if (action != pressed)
            action->setChecked(false);
    if (pressed)
        pressed->setChecked(true);
}

void frmChart::toolClick(const QString &name)
{
    const auto action = [this](const char *n) {
        return findChild<QAction *>(QLatin1String(n));
    };
    if (name == QLatin1String("tlReset")) {
        setChartType(m_type, false);
        m_tilt = QPointF(10, 10);
        applyTilt();
        curAction = NoAction;
        m_view->viewport()->unsetCursor();
        pressOnly(nullptr);
    } else if (name == QLatin1String("tlDrag")) {
        curAction = Drag;
        m_view->viewport()->setCursor(Qt::OpenHandCursor);
        pressOnly(action("tlDrag"));
    } else if (name == QLatin1String("tlRotate")) {
        curAction = Rotate;
        m_view->viewport()->setCursor(Qt::SizeAllCursor);
        pressOnly(action("tlRotate"));
    } else if (name == QLatin1String("tlScale")) {
        curAction = Scale;
        m_view->viewport()->setCursor(Qt::SizeVerCursor);
        pressOnly(action("tlScale"));
    } else if (name == QLatin1String("tlToPrinter")) {
        print();
    } else if (name == QLatin1String("tlToClipboard")) {
        QApplication::clipboard()->setImage(image());
    } else if (name == QLatin1String("tlSaveImage")) {
        const QString file
            = FileChoice::saveFile(FileChoice::Kind::Image, QStringLiteral("保存图表"),
                QStringLiteral("销售图表.png"), QStringLiteral("PNG 图片 (*.png)"));
        if (!file.isEmpty() && !saveImage(file))
            Prompt::error(QStringLiteral("图表没有保存：%1").arg(file), QStringLiteral("保存"));
    } else if (name == QLatin1String("tlShowPlot")) {
        setChartType(Plot);
    } else if (name == QLatin1String("tlShowArea")) {
        setChartType(Area);
    }
}

QImage frmChart::image() const
{
    return m_view->grab().toImage();
}

bool frmChart::saveImage(const QString &fileName) const
{
    return image().save(fileName, "PNG");
}

void frmChart::print()
{
    ChartPrintJob job(m_view, curChartCaption);
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        // As every printout: kept as a PDF file in Documents when wanted.
        const auto outcome = PdfOffer::offer(QStringLiteral("图表"), curChartCaption,
            QStringLiteral("打印"), [&job](const QString &file) {
                QPrinter pdf(QPrinter::HighResolution);
                pdf.setOutputFormat(QPrinter::PdfFormat);
                pdf.setOutputFileName(file);
                job.preparePrinter(&pdf);
                return job.render(&pdf);
            });
        if (outcome == PdfOffer::Outcome::Failed)
            Prompt::error(QStringLiteral("打印失败，请检查您的系统中是否正确安装了打印机！"),
                QStringLiteral("打印"));
        return;
    }
    if (!Prompt::choose(Prompt::Kind::Print, QStringLiteral("打印"), static_cast<PrintJob *>(&job))
             .toBool())
        Prompt::error(QStringLiteral("打印失败，请检查您的系统中是否正确安装了打印机！"),
            QStringLiteral("打印"));
}

bool frmChart::eventFilter(QObject *watched, QEvent *event)
{
    // The chart view sizes its scene on resizing; the turn is fitted after it.
    if (watched == m_view->viewport() && event->type() == QEvent::Resize)
        QMetaObject::invokeMethod(
            this, [this] { applyTilt(); }, Qt::QueuedConnection);
    if (watched != m_view->viewport() || curAction == NoAction)
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton || mouse->modifiers() != Qt::NoModifier)
            break;
        m_pressed = true;
        m_last = mouse->position().toPoint();
        return true;
    }
    case QEvent::MouseMove: {
        if (!m_pressed)
            break;
        auto *mouse = static_cast<QMouseEvent *>(event);
        const QPoint delta = mouse->position().toPoint() - m_last;
        m_last = mouse->position().toPoint();
        if (curAction == Drag) {
            chart()->scroll(-delta.x(), delta.y());
        } else if (curAction == Rotate) {
            m_tilt = QPointF(qBound(-60.0, m_tilt.x() - delta.y() * 0.3, 60.0),
                qBound(-60.0, m_tilt.y() + delta.x() * 0.3, 60.0));
            applyTilt();
        } else if (curAction == Scale) {
            chart()->zoom(qBound(0.5, std::exp(-delta.y() / 150.0), 2.0));
        }
        return true;
    }
    case QEvent::MouseButtonRelease:
        m_pressed = false;
        return true;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void frmChart::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    updateLabels();
}
