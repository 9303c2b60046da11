#include "sales/frmsaleprintsetup.h"

#include "datastore/prompt.h"
#include "sales/saleslip.h"
#include "sales/slipprintjob.h"

#include <QHelpEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QScrollArea>
#include <QToolBar>
#include <QToolTip>
#include <QVBoxLayout>

namespace {

// The designer shows every field by its own name, so that the person
// arranging the slip sees which data goes where.
SlipData placeholders()
{
    SlipData data;
    // The operator's words in each field; the program's name is its tool-tip.
    for (const QString &name : SlipLayout::fieldNames())
        data.fields.insert(name, SlipLayout::fieldCaption(name));
    return data;
}

} // namespace

SlipCanvas::SlipCanvas(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

double SlipCanvas::dotsPerMm() const
{
    return logicalDpiX() / 25.4;
}

QSize SlipCanvas::sizeHint() const
{
    return QSizeF(m_layout.pageMm * dotsPerMm()).toSize();
}

void SlipCanvas::setLayout(const SlipLayout &layout)
{
    m_layout = layout;
    m_selected.clear();
    setFixedSize(sizeHint());
    update();
}

void SlipCanvas::selectField(const QString &name)
{
    m_selected = m_layout.field(name) ? name : QString();
    update();
}

void SlipCanvas::moveSelected(double dxMm, double dyMm)
{
    SlipItem *item = m_layout.field(m_selected);
    if (!item)
        return;
    QRectF r = item->rectMm.translated(dxMm, dyMm);
    r.moveLeft(qBound(0.0, r.left(), m_layout.pageMm.width() - r.width()));
    r.moveTop(qBound(0.0, r.top(), m_layout.pageMm.height() - r.height()));
    if (r == item->rectMm)
        return;
    item->rectMm = r;
    update();
    emit layoutChanged();
}

QString SlipCanvas::fieldAt(const QPointF &pos) const
{
    const QPointF mm = pos / dotsPerMm();
    // The topmost field wins, as it is drawn last.
    for (auto it = m_layout.items.crbegin(); it != m_layout.items.crend(); ++it)
        if (it->kind == SlipItem::Kind::Field && it->rectMm.contains(mm))
            return it->name;
    return {};
}

void SlipCanvas::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The paper.
    painter.fillRect(rect(), Qt::white);
    SlipLayout shown = m_layout;
    // Fields that do not print stay visible here, greyed, to be switched on.
    for (SlipItem &item : shown.items)
        item.visible = item.visible || item.kind == SlipItem::Kind::Field;
    SlipPrintJob::paint(&painter, shown, placeholders(), dotsPerMm());
    const double k = dotsPerMm();
    for (const SlipItem &item : m_layout.items) {
        if (item.kind != SlipItem::Kind::Field)
            continue;
        const QRectF r(item.rectMm.topLeft() * k, item.rectMm.size() * k);
        if (!item.visible)
            painter.fillRect(r, QColor(255, 255, 255, 170));
        painter.setPen(QPen(item.name == m_selected ? QColor(0, 90, 200) : QColor(170, 170, 170),
            item.name == m_selected ? 2 : 1, item.visible ? Qt::SolidLine : Qt::DashLine));
        painter.drawRect(r);
    }
}

bool SlipCanvas::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        const QString name = fieldAt(help->pos());
        if (name.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(),
                QStringLiteral("%1（%2）").arg(SlipLayout::fieldCaption(name), name), this);
        return true;
    }
    return QWidget::event(event);
}

void SlipCanvas::mousePressEvent(QMouseEvent *event)
{
    setFocus();
    selectField(fieldAt(event->position()));
    if (m_selected.isEmpty())
        return;
    if (event->button() == Qt::RightButton) {
        emit contextMenuForField(m_selected, event->globalPosition().toPoint());
        return;
    }
    if (event->button() == Qt::LeftButton) {
        m_dragging = true;
        m_dragStart = event->position();
        m_dragOrigin = m_layout.field(m_selected)->rectMm;
    }
}

void SlipCanvas::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging)
        return;
    SlipItem *item = m_layout.field(m_selected);
    if (!item)
        return;
    // Half-millimetre steps keep fields easy to line up.
    const QPointF deltaMm = (event->position() - m_dragStart) / dotsPerMm();
    const double dx = qRound(deltaMm.x() * 2) / 2.0;
    const double dy = qRound(deltaMm.y() * 2) / 2.0;
    moveSelected(
        m_dragOrigin.x() + dx - item->rectMm.x(), m_dragOrigin.y() + dy - item->rectMm.y());
}

void SlipCanvas::mouseReleaseEvent(QMouseEvent *)
{
    m_dragging = false;
}

void SlipCanvas::keyPressEvent(QKeyEvent *event)
{
    const double step = event->modifiers() & Qt::ShiftModifier ? 5.0 : 0.5;
    switch (event->key()) {
    case Qt::Key_Left:
        moveSelected(-step, 0);
        break;
    case Qt::Key_Right:
        moveSelected(step, 0);
        break;
    case Qt::Key_Up:
        moveSelected(0, -step);
        break;
    case Qt::Key_Down:
        moveSelected(0, step);
        break;
    case Qt::Key_Menu:
        if (!m_selected.isEmpty()) {
            const QRectF r = m_layout.field(m_selected)->rectMm;
            emit contextMenuForField(
                m_selected, mapToGlobal(QPointF(r.center() * dotsPerMm()).toPoint()));
        }
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

frmSalePrintSetup::frmSalePrintSetup(QWidget *parent)
    : QDialog(parent), acbMain(new QToolBar(this)), m_canvas(new SlipCanvas)
{
    setObjectName(QStringLiteral("frmSalePrintSetup"));
    setWindowTitle(QStringLiteral("打印参数设置"));
    acbMain->setObjectName(QStringLiteral("acbMain"));
    const auto tool = [this](const char *name, const QString &caption, auto slot) {
        QAction *action = acbMain->addAction(caption, this, slot);
        action->setObjectName(QLatin1String(name));
        return action;
    };
    tool("tlSave", QStringLiteral("保存"), [this] { Save(); })->setShortcut(QKeySequence::Save);
    tool("tlPageSetup", QStringLiteral("页面设置"), [this] { PageSetup(); });
    tool("tlExit", QStringLiteral("退出"), [this] { close(); });

    mnuDo = new QMenu(QStringLiteral("操作"), this);
    mnuDo->setObjectName(QStringLiteral("mnuDo"));
    popIfPrint = mnuDo->addAction(QStringLiteral("是否打印"), this, [this] { ToggleIfPrint(); });
    popIfPrint->setObjectName(QStringLiteral("popIfPrint"));
    popIfPrint->setCheckable(true);
    popFont = mnuDo->addAction(QStringLiteral("设置字体....."), this, [this] { ChooseFont(); });
    popFont->setObjectName(QStringLiteral("popFont"));

    m_canvas->setObjectName(QStringLiteral("ardMain"));
    m_canvas->setLayout(SaleSlip::currentLayout());
    connect(m_canvas, &SlipCanvas::layoutChanged, this, [this] { changed(); });
    connect(m_canvas, &SlipCanvas::contextMenuForField, this,
        [this](const QString &name, const QPoint &at) {
            popIfPrint->setChecked(m_canvas->slipLayout().field(name)->visible);
            mnuDo->popup(at);
        });

    auto *scroll = new QScrollArea;
    scroll->setWidget(m_canvas);
    scroll->setAlignment(Qt::AlignCenter);
    scroll->setBackgroundRole(QPalette::Dark);
    auto *box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(acbMain);
    box->addWidget(scroll);
    resize(m_canvas->sizeHint() + QSize(60, 90));
}

const SlipLayout &frmSalePrintSetup::layout() const
{
    return m_canvas->slipLayout();
}

void frmSalePrintSetup::changed()
{
    m_modified = true;
    setWindowTitle(QStringLiteral("打印参数设置 *"));
}

bool frmSalePrintSetup::Save()
{
    QString error;
    if (!SaleSlip::saveLayout(m_canvas->slipLayout(), &error)) {
        Prompt::error(
            QStringLiteral("保存单据打印格式时出现错误：%1\n%2").arg(SaleSlip::layoutFile(), error),
            QStringLiteral("保存"));
        return false;
    }
    m_modified = false;
    setWindowTitle(QStringLiteral("打印参数设置"));
    return true;
}

void frmSalePrintSetup::PageSetup()
{
    QPrinter printer(QPrinter::HighResolution);
    const QSizeF paper = m_canvas->slipLayout().pageMm;
    printer.setPageSize(QPageSize(paper, QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch));
    if (!Prompt::choose(Prompt::Kind::PageSetup, QStringLiteral("页面设置"), &printer).toBool())
        return;
    const QSizeF chosen = printer.pageLayout().fullRect(QPageLayout::Millimeter).size();
    if (chosen.isEmpty() || chosen == paper)
        return;
    SlipLayout layout = m_canvas->slipLayout();
    layout.pageMm = chosen;
    const QString selected = m_canvas->selectedField();
    m_canvas->setLayout(layout);
    m_canvas->selectField(selected);
    changed();
}

void frmSalePrintSetup::ToggleIfPrint()
{
    SlipItem *item = m_canvas->slipLayout().field(m_canvas->selectedField());
    if (!item)
        return;
    item->visible = !item->visible;
    popIfPrint->setChecked(item->visible);
    m_canvas->update();
    changed();
}

void frmSalePrintSetup::ChooseFont()
{
    SlipItem *item = m_canvas->slipLayout().field(m_canvas->selectedField());
    if (!item)
        return;
    QFont current = SlipPrintJob::fieldFont(*item);
    if (!item->fontFamily.isEmpty())
        current.setFamily(item->fontFamily);
    const QVariant chosen = Prompt::choose(Prompt::Kind::Font, QStringLiteral("设置字体"), current);
    if (!chosen.canConvert<QFont>() || chosen.isNull())
        return;
    const QFont font = chosen.value<QFont>();
    // Size, name, slant and underline; data fields print bold whatever is chosen.
    item->fontSize = font.pointSizeF() > 0 ? font.pointSizeF() : item->fontSize;
    item->fontFamily = font.family();
    item->italic = font.italic();
    item->underline = font.underline();
    m_canvas->update();
    changed();
}

void frmSalePrintSetup::reject()
{
    if (m_modified) {
        // 取消 goes back to the design.
        Prompt::Request question;
        question.text = QStringLiteral("你已经修改了单据的打印格式，要保存吗？");
        question.title = QStringLiteral("保存");
        question.icon = Prompt::Icon::Question;
        question.buttons = Prompt::Yes | Prompt::No | Prompt::Cancel;
        question.defaultButton = Prompt::Yes;
        const int answer = Prompt::ask(question);
        if (answer == Prompt::Cancel || (answer == Prompt::Yes && !Save()))
            return;
    }
    QDialog::reject();
}
