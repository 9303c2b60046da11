#include "stock/frmstore.h"

#include "datastore/mdatabase.h"
#include "datastore/prompt.h"
#include "datastore/schema.h"
#include "sales/saledetailmodel.h"
#include "shell/datetext.h"
#include "shell/idlist.h"
#include "shell/inputcheck.h"
#include "shell/leavecheck.h"
#include "shell/loginstate.h"
#include "shell/picklists.h"
#include "stock/storedetailmodel.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using mDatabase::TrimBlanks;

namespace {

const QString FormTitle = QStringLiteral("库存管理");

QLineEdit *lineEdit(QWidget *parent, const char *name)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

void setFieldReadOnly(QLineEdit *field, const QPalette &window)
{
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::ClickFocus);
    QPalette p = field->palette();
    p.setColor(QPalette::Base, window.color(QPalette::Window));
    field->setPalette(p);
}

} // namespace

frmStore::frmStore(QWidget *parent) : MasterForm(QStringLiteral("frmStore"), FormTitle, parent)
{
    buildFields();
    prepare();
}

frmStore::~frmStore() = default;

void frmStore::buildFields()
{
    QGridLayout *grid = fields();
    auto *typeRow = new QHBoxLayout;
    optType = new QButtonGroup(this);
    optType->setObjectName(QStringLiteral("optType"));
    const QStringList options = {QStringLiteral("商品进库单"), QStringLiteral("商品出库单")};
    for (int i = 0; i < options.size(); ++i) {
        auto *option = new QRadioButton(options[i], this);
        option->setObjectName(QStringLiteral("optType_%1").arg(i));
        optType->addButton(option, i);
        typeRow->addWidget(option);
    }
    typeRow->addStretch(1);
    optType->button(0)->setChecked(true);

    txtPaperID = lineEdit(this, "txtPaperID");
    txtPaperID->setMaxLength(
        Schema::textColumnSize(QStringLiteral("Store"), QStringLiteral("PaperID")));
    txtCreateDate = lineEdit(this, "txtCreateDate");
    txtCreateDate->setMaxLength(20);
    cmbStation = new QComboBox(this);
    cmbStation->setObjectName(QStringLiteral("cmbStation"));
    txtDetail = lineEdit(this, "txtDetail");
    txtDetail->setMaxLength(
        Schema::textColumnSize(QStringLiteral("Store"), QStringLiteral("Detail")));
    txtTotalAmount = lineEdit(this, "txtTotalAmount");
    txtTotalMoney = lineEdit(this, "txtTotalMoney");
    for (QLineEdit *total : {txtTotalAmount, txtTotalMoney}) {
        setFieldReadOnly(total, palette());
        total->setAlignment(Qt::AlignRight);
    }
    lblInfo = new QLabel(this);
    lblInfo->setObjectName(QStringLiteral("lblInfo"));
    QPalette red = lblInfo->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    lblInfo->setPalette(red);

    xayDetail = new StoreDetailModel(this);
    m_productDelegate = new ProductDelegate(this);
    dbgDetail = new StoreDetailView(this);
    dbgDetail->setObjectName(QStringLiteral("dbgDetail"));
    dbgDetail->setModel(xayDetail);
    dbgDetail->setItemDelegate(m_productDelegate);
    dbgDetail->setColumnWidth(SaleLines::ProductID, 90);
    dbgDetail->setColumnWidth(SaleLines::Name, 180);
    dbgDetail->setColumnWidth(SaleLines::Unit, 70);
    dbgDetail->setColumnWidth(SaleLines::Price, 90);
    dbgDetail->setColumnWidth(SaleLines::Amount, 80);
    dbgDetail->horizontalHeader()->setSectionResizeMode(SaleLines::Name, QHeaderView::Stretch);
    dbgDetail->setMinimumHeight(dbgDetail->horizontalHeader()->sizeHint().height()
        + 6 * dbgDetail->verticalHeader()->defaultSectionSize() + 4);

    const auto label = [this](const QString &text) {
        auto *l = new QLabel(text, this);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return l;
    };
    grid->addWidget(label(QStringLiteral("单 据 种 类：")), 0, 0);
    grid->addLayout(typeRow, 0, 1, 1, 3);
    grid->addWidget(label(QStringLiteral("原始单据编号：")), 1, 0);
    grid->addWidget(txtPaperID, 1, 1);
    grid->addWidget(label(QStringLiteral("单据日期：")), 1, 2);
    grid->addWidget(txtCreateDate, 1, 3);
    grid->addWidget(label(QStringLiteral("选择仓库所属供水站：")), 2, 0);
    grid->addWidget(cmbStation, 2, 1, 1, 3);
    grid->addWidget(label(QStringLiteral("备 注 信 息：")), 3, 0);
    grid->addWidget(txtDetail, 3, 1, 1, 3);
    grid->addWidget(dbgDetail, 4, 0, 1, 4);
    grid->addWidget(label(QStringLiteral("数 量 总 额：")), 5, 0);
    grid->addWidget(txtTotalAmount, 5, 1);
    grid->addWidget(label(QStringLiteral("总金额：")), 5, 2);
    grid->addWidget(txtTotalMoney, 5, 3);
    grid->addWidget(lblInfo, 6, 0, 1, 4);
    grid->setRowStretch(4, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    // The fields take the room the window has, not the space below them.
    if (auto *box = qobject_cast<QBoxLayout *>(layout()))
        box->setStretch(0, 1);

    setTabOrder(optType->button(0), optType->button(1));
    setTabOrder(optType->button(1), txtPaperID);
    setTabOrder(txtPaperID, txtCreateDate);
    setTabOrder(txtCreateDate, cmbStation);
    setTabOrder(cmbStation, txtDetail);
    setTabOrder(txtDetail, dbgDetail);
    setTabOrder(dbgDetail, btnSave);
    setTabOrder(btnSave, btnExit);

    // Enter moves on from every field, as in the sale window.
    for (QWidget *w :
        {static_cast<QWidget *>(optType->button(0)), static_cast<QWidget *>(optType->button(1)),
            static_cast<QWidget *>(txtPaperID), static_cast<QWidget *>(txtCreateDate),
            static_cast<QWidget *>(cmbStation), static_cast<QWidget *>(txtDetail)})
        w->installEventFilter(this);

    // Ctrl+S saves from anywhere, the cell being typed included.
    auto *saveKey = new QAction(this);
    saveKey->setObjectName(QStringLiteral("actSave"));
    saveKey->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    saveKey->setShortcutContext(Qt::WindowShortcut);
    addAction(saveKey);
    connect(saveKey, &QAction::triggered, this, &frmStore::saveByKey);
    btnSave->setToolTip(QStringLiteral("Ctrl+S"));

    connect(xayDetail, &StoreDetailModel::linesChanged, this, &frmStore::SumArray);
    connect(txtTotalAmount, &QLineEdit::textChanged, this, [this] { updateSave(); });
    connect(txtTotalMoney, &QLineEdit::textChanged, this, [this] { updateSave(); });
    mSystem::checkOnLeave(txtCreateDate, [this] {
        // Heading for 退出 is not held up by the check.
        if (QApplication::focusWidget() == btnExit || txtCreateDate->isReadOnly()
            || !txtCreateDate->isEnabled())
            return true;
        return mSystem::CheckInput(txtCreateDate->text(), mSystem::CheckDate);
    });
    setSaveRule([this] { return saveRule(); });
    resize(760, 560);
}

void frmStore::prepare()
{
    IdList::fill(cmbStation, PickLists::activeStations().value_or(Recordset()));
    IdList::select(cmbStation, gStationID);
    // Only the head station keeps stores for the other stations.
    cmbStation->setEnabled(gIsHeadStation);
    m_productDelegate->setProducts(PickLists::activeProducts().value_or(Recordset()));
    txtCreateDate->setText(DateText::shortDate(QDate::currentDate()));
    xayDetail->setLines(StoreLines());
    updateSave();
}

bool frmStore::Load()
{
    if (!m_loadDone) {
        m_loadDone = true;
        m_loadOk = mActionType != Edit || loadRecord();
        updateSave();
    }
    return m_loadOk;
}

int frmStore::exec()
{
    if (!Load())
        return Rejected;
    return QDialog::exec();
}

bool frmStore::saveRule() const
{
    const QString amount = txtTotalAmount->text();
    return !txtTotalMoney->text().isEmpty() && !amount.isEmpty() && amount != QLatin1String("0");
}

bool frmStore::loadRecord()
{
    const std::optional<StoreRecord> stored = StoreReader::load(mCurID);
    // Gone, or without lines: nothing to show.
    if (!stored)
        return false;
    m_loaded = *stored;
    const StoreRecord &doc = m_loaded;
    if (doc.stationId != 0 && cmbStation->findData(doc.stationId) < 0) {
        // A suspended station still owns its documents.
        const QString name = mDatabase::GetFieldByID(
            doc.stationId, QStringLiteral("Station"), QStringLiteral("Name"))
                                 .trimmed();
        cmbStation->addItem(name.isEmpty() ? QString::number(doc.stationId) : name, doc.stationId);
    }
    IdList::select(cmbStation, doc.stationId);
    txtPaperID->setText(doc.paperId);
    txtCreateDate->setText(
        doc.createDate.isValid() ? DateText::shortDate(doc.createDate) : QString());
    txtDetail->setText(doc.detail);
    optType->button(doc.direction == StoreRecord::Direction::In ? 0 : 1)->setChecked(true);

    StoreLines lines;
    for (int row = 0; row < doc.lines.size(); ++row) {
        const StoreRecord::Line &line = doc.lines.at(row);
        lines.setCell(row, SaleLines::ProductID, QString::number(line.productId));
        lines.setCell(row, SaleLines::Name, line.productName);
        lines.setCell(row, SaleLines::Unit, line.unit);
        lines.setCell(row, SaleLines::Price, line.price.toSqlText());
        lines.setCell(row, SaleLines::Amount, QString::number(line.amount));
        lines.setCell(row, SaleLines::Money, line.money.toSqlText());
    }
    xayDetail->setLines(lines);
    // The stored totals, as they were saved.
    txtTotalAmount->setText(QString::number(doc.totalAmount));
    txtTotalMoney->setText(doc.totalMoney.toSqlText());
    txtCreateDate->setEnabled(false);

    // Generated by day closing, or closed by it: shown only. The closing
    // note wins over the generated one.
    if (doc.finished)
        showReadOnly(QStringLiteral("（注：本单据已结转，不能再修改！）"));
    else if (!doc.handInput)
        showReadOnly(QStringLiteral("（注：本单据是系统生成单据，不能修改！）"));
    return true;
}

void frmStore::showReadOnly(const QString &note)
{
    m_changeable = false;
    btnSave->hide();
    lblInfo->setText(note);
    xayDetail->setReadOnly(true);
    dbgDetail->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (QLineEdit *field : {txtPaperID, txtDetail})
        setFieldReadOnly(field, palette());
    cmbStation->setEnabled(false);
    for (QAbstractButton *option : optType->buttons())
        option->setEnabled(false);
}

void frmStore::showEvent(QShowEvent *event)
{
    MasterForm::showEvent(event);
    if (m_prepared)
        return;
    m_prepared = true;
    if (m_changeable)
        optType->checkedButton()->setFocus();
    else
        btnExit->setFocus();
}

bool frmStore::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        auto *combo = qobject_cast<QComboBox *>(watched);
        if (enter && key->modifiers() == Qt::NoModifier && !(combo && combo->view()->isVisible())) {
            focusNextChild();
            return true;
        }
    }
    return MasterForm::eventFilter(watched, event);
}

void frmStore::saveByKey()
{
    if (!btnSave->isVisible() || !dbgDetail->commitOpenEditor())
        return;
    if (btnSave->isEnabled())
        btnSave->click();
}

bool frmStore::FillProductInfoByID(const QString &id)
{
    const int row = qMax(0, dbgDetail->currentIndex().row());
    return xayDetail->setData(xayDetail->index(row, SaleLines::ProductID), id);
}

void frmStore::SumArray()
{
    xayDetail->SumArray(txtTotalAmount, txtTotalMoney);
}

bool frmStore::gather(StoreRecord *doc)
{
    if (mActionType == New) {
        doc->createDate = DateText::parse(txtCreateDate->text());
        if (!doc->createDate.isValid()) {
            mSystem::CheckInput(txtCreateDate->text(), mSystem::CheckDate);
            txtCreateDate->setFocus();
            return false;
        }
    } else {
        doc->createDate = m_loaded.createDate; // never rewritten
    }
    const StoreLines &lines = xayDetail->lines();
    const StoreTotals totals = StoreRules::sumLines(lines);
    if (!totals.inRange) {
        mSystem::ReportBadNumber(txtTotalMoney->text());
        dbgDetail->setFocus();
        return false;
    }
    doc->id = mCurID;
    doc->paperId = txtPaperID->text();
    doc->detail = txtDetail->text();
    doc->userId = gUserID;
    doc->direction
        = optType->checkedId() == 1 ? StoreRecord::Direction::Out : StoreRecord::Direction::In;
    doc->stationId = IdList::selected(cmbStation);
    if (mActionType == New && !gIsHeadStation)
        doc->stationId = gStationID;
    doc->totalAmount = totals.amount;
    doc->totalMoney = totals.money;
    for (int row = 0; row < lines.rowCount(); ++row) {
        if (!lines.isLine(row))
            continue;
        StoreRecord::Line line;
        line.productId = TrimBlanks(lines.cell(row, SaleLines::ProductID)).toLongLong();
        line.productName = lines.cell(row, SaleLines::Name);
        line.unit = lines.cell(row, SaleLines::Unit);
        line.price = SaleRules::numericValue(lines.cell(row, SaleLines::Price));
        line.amount = StoreRules::storedAmount(lines.cell(row, SaleLines::Amount));
        line.money = SaleRules::numericValue(lines.cell(row, SaleLines::Money));
        doc->lines << line;
    }
    return true;
}

bool frmStore::saveRecord()
{
    if (!m_changeable)
        return false;
    StoreRecord doc;
    if (!gather(&doc))
        return false;
    if (mActionType == New) {
        const qint64 id = StoreWriter::saveNew(doc);
        if (id == 0)
            return false; // reported; the form keeps what was typed
        mCurID = id;
        return true;
    }
    switch (StoreWriter::saveEdit(doc, m_loaded)) {
    case StoreWriter::Result::Done:
        return true;
    case StoreWriter::Result::Failed:
        return false;
    case StoreWriter::Result::Generated:
        Prompt::error(QStringLiteral("本单据是系统生成单据，不能修改！"), FormTitle);
        return false;
    case StoreWriter::Result::Finished:
        Prompt::error(QStringLiteral("本单据已结转，不能再修改！"), FormTitle);
        return false;
    case StoreWriter::Result::ChangedElsewhere:
        Prompt::error(
            QStringLiteral("该库存单据在您打开之后已在别处被修改、结转或删除，本次修改没有"
                           "保存！请关闭后重新打开该单据再修改。"),
            FormTitle);
        return false;
    }
    return false;
}

void frmStore::clearForNext()
{
    // Direction, date and station stay for the next document.
    txtPaperID->clear();
    txtDetail->clear();
    txtTotalAmount->clear();
    txtTotalMoney->clear();
    xayDetail->setLines(StoreLines());
    txtPaperID->setFocus();
}
