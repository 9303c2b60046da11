// The sale window's construction: its sections, their fields and how they
// are wired. What the fields do lives in frmsale.cpp.
#include "sales/frmsale.h"

#include "datastore/schema.h"
#include "sales/customerpanel.h"
#include "sales/frmsaleprintsetup.h"
#include "sales/saledetailmodel.h"
#include "sales/saleslip.h"
#include "shell/idlist.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QLineEdit *lineEdit(QWidget *parent, const char *name, const QString &text = QString())
{
    auto *edit = new QLineEdit(text, parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

QPushButton *button(QWidget *parent, const char *name, const QString &caption)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

// Room for a signed 32-bit number with a blank or two around it.
constexpr int NumberLength = 13;

} // namespace

frmSale::frmSale(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSale"));
    setWindowTitle(QStringLiteral("销售单据"));
    buildWindow();
}

frmSale::~frmSale() = default;

void frmSale::buildWindow()
{
    // Everything but the buttons scrolls, so that on a small or highly
    // scaled screen the window still fits and 保存 stays within reach.
    auto *content = new QWidget;
    content->setObjectName(QStringLiteral("saleContent"));
    auto *body = new QVBoxLayout(content);
    body->setContentsMargins(0, 0, 0, 0);
    body->addLayout(buildHeadSection());
    m_customer = new CustomerPanel(content);
    body->addWidget(m_customer, 1);
    body->addWidget(buildLinesSection());
    body->addWidget(buildTotalsSection());

    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("saleScroll"));
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(scroll, 1);
    layout->addLayout(buildButtons());

    limitTextLengths();
    setTabOrders();
    connectFields();
    fitToScreen();
}

QHBoxLayout *frmSale::buildHeadSection()
{
    txtSaleID = lineEdit(this, "txtSaleID");
    setFieldReadOnly(txtSaleID);
    txtCreateDate = lineEdit(this, "txtCreateDate");
    cmbStation = new QComboBox(this);
    cmbStation->setObjectName(QStringLiteral("cmbStation"));

    auto *head = new QHBoxLayout;
    head->addWidget(new QLabel(QStringLiteral("单据编号："), this));
    head->addWidget(txtSaleID);
    head->addWidget(new QLabel(QStringLiteral("开票日期："), this));
    head->addWidget(txtCreateDate);
    head->addWidget(new QLabel(QStringLiteral("供水站："), this));
    head->addWidget(cmbStation, 1);
    return head;
}

QWidget *frmSale::buildLinesSection()
{
    auto *section = new QWidget(this);
    m_detail = new SaleDetailModel(this);
    m_productDelegate = new ProductDelegate(this);
    dbgDetail = new SaleDetailView(section);
    dbgDetail->setObjectName(QStringLiteral("dbgDetail"));
    dbgDetail->setModel(m_detail);
    dbgDetail->setItemDelegate(m_productDelegate);
    dbgDetail->setColumnWidth(SaleLines::ProductID, 110);
    dbgDetail->setColumnWidth(SaleLines::Name, 200);
    dbgDetail->horizontalHeader()->setSectionResizeMode(SaleLines::Name, QHeaderView::Stretch);
    dbgDetail->setFixedHeight(dbgDetail->horizontalHeader()->sizeHint().height()
        + 3 * dbgDetail->verticalHeader()->defaultSectionSize() + 4);

    auto *layout = new QVBoxLayout(section);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("产品明细："), section));
    layout->addWidget(dbgDetail);
    return section;
}

QGroupBox *frmSale::buildTotalsSection()
{
    auto *box = new QGroupBox(QStringLiteral("合计"), this);
    txtTotalAmount = lineEdit(box, "txtTotalAmount", QStringLiteral("0"));
    txtTotalMoney = lineEdit(box, "txtTotalMoney", QStringLiteral("0"));
    txtTotalContainer = lineEdit(box, "txtTotalContainer", QStringLiteral("0"));
    for (QLineEdit *e : {txtTotalAmount, txtTotalMoney, txtTotalContainer})
        setFieldReadOnly(e);
    txtOutAmount = lineEdit(box, "txtOutAmount", QStringLiteral("0"));
    txtInMoney = lineEdit(box, "txtInMoney", QStringLiteral("0"));
    txtInContainer = lineEdit(box, "txtInContainer", QStringLiteral("0"));
    txtTransferFee = lineEdit(box, "txtTransferFee", QStringLiteral("0"));
    cmbSender = new QComboBox(box);
    cmbSender->setObjectName(QStringLiteral("cmbSender"));
    cmbSender->setPlaceholderText(QStringLiteral("请选择送水工"));
    txtDetail = lineEdit(box, "txtDetail");

    auto *grid = new QGridLayout(box);
    const QList<QPair<QString, QWidget *>> cells = {{QStringLiteral("总数量："), txtTotalAmount},
        {QStringLiteral("实际出库："), txtOutAmount}, {QStringLiteral("送水工："), cmbSender},
        {QStringLiteral("总金额："), txtTotalMoney}, {QStringLiteral("实收现金："), txtInMoney},
        {QStringLiteral("运费："), txtTransferFee},
        {QStringLiteral("应收空瓶："), txtTotalContainer},
        {QStringLiteral("实收空瓶："), txtInContainer}};
    for (int i = 0; i < cells.size(); ++i) {
        grid->addWidget(new QLabel(cells[i].first, box), i / 3, (i % 3) * 2);
        grid->addWidget(cells[i].second, i / 3, (i % 3) * 2 + 1);
    }
    grid->addWidget(new QLabel(QStringLiteral("备注："), box), 3, 0);
    grid->addWidget(txtDetail, 3, 1, 1, 5);
    return box;
}

QLayout *frmSale::buildButtons()
{
    btnSave = button(this, "btnSave", QStringLiteral("保存"));
    btnSavePrint = button(this, "btnSavePrint", QStringLiteral("保存并打印"));
    btnPreview = button(this, "btnPreview", QStringLiteral("打印预览"));
    btnPrintSetup = button(this, "btnPrintSetup", QStringLiteral("打印设置"));
    btnReset = button(this, "btnReset", QStringLiteral("重置"));
    btnExit = button(this, "btnExit", QStringLiteral("退出"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton *b : {btnSave, btnSavePrint, btnPreview, btnPrintSetup, btnReset, btnExit})
        buttons->addWidget(b);

    // Keys for the hands that never leave the keyboard.
    btnSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    btnSave->setToolTip(QStringLiteral("Ctrl+S"));
    btnSavePrint->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    connect(btnSave, &QPushButton::clicked, this, [this] { save(false); });
    connect(btnSavePrint, &QPushButton::clicked, this, [this] { save(true); });
    connect(btnPreview, &QPushButton::clicked, this, [this] { SaleSlip::PreviewSaleSlip(mCurID); });
    connect(btnPrintSetup, &QPushButton::clicked, this, [this] {
        frmSalePrintSetup setup(this);
        setup.exec();
    });
    connect(btnReset, &QPushButton::clicked, this, &frmSale::ResetInput);
    connect(btnExit, &QPushButton::clicked, this, &frmSale::reject);
    return buttons;
}

// Text takes no more than its column holds, so that every database stores
// what one accepts; numbers get room for any value the checks allow.
void frmSale::limitTextLengths()
{
    txtDetail->setMaxLength(
        Schema::textColumnSize(QStringLiteral("Sale"), QStringLiteral("Detail")));
    for (QLineEdit *e : {txtOutAmount, txtInMoney, txtInContainer, txtTransferFee})
        e->setMaxLength(NumberLength);
    txtCreateDate->setMaxLength(NumberLength);
}

void frmSale::setTabOrders()
{
    setTabOrder(m_customer->txtCustAddress, dbgDetail);
    setTabOrder(dbgDetail, txtOutAmount);
    setTabOrder(txtOutAmount, txtInMoney);
    setTabOrder(txtInMoney, txtInContainer);
    setTabOrder(txtInContainer, cmbSender);
    setTabOrder(cmbSender, txtTransferFee);
    setTabOrder(txtTransferFee, txtDetail);
}

void frmSale::connectFields()
{
    // The customer panel looks after its own keys.
    for (QLineEdit *e : findChildren<QLineEdit *>())
        if (!m_customer->isAncestorOf(e))
            e->installEventFilter(this);
    cmbSender->installEventFilter(this);
    m_customer->setExitButton(btnExit);

    connect(m_detail, &SaleDetailModel::linesChanged, this, &frmSale::SumArray);
    connect(txtTotalAmount, &QLineEdit::textChanged, this, &frmSale::updateSaveButtons);
    connect(txtTotalMoney, &QLineEdit::textChanged, this, &frmSale::updateSaveButtons);
    connect(m_customer, &CustomerPanel::addressChanged, this, &frmSale::updateSaveButtons);
    connect(m_customer, &CustomerPanel::keysDone, this, [this] { dbgDetail->setFocus(); });
    connect(m_customer, &CustomerPanel::customerStation, this,
        [this](qint64 station) { IdList::select(cmbStation, station); });
    connect(cmbSender, &QComboBox::currentIndexChanged, this, &frmSale::senderChanged);
}

// Opens at its working size where the screen allows, never larger than the
// screen's free area.
void frmSale::fitToScreen()
{
    QSize size(980, 720);
    if (const QScreen *s = screen()) {
        const QSize room = s->availableGeometry().size() - QSize(16, 48);
        size = size.boundedTo(room).expandedTo(minimumSizeHint());
    }
    resize(size);
}

void frmSale::setFieldReadOnly(QLineEdit *field)
{
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::ClickFocus);
    QPalette p = field->palette();
    p.setColor(QPalette::Base, palette().color(QPalette::Window));
    field->setPalette(p);
}
