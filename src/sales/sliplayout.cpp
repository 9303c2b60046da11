#include "sales/sliplayout.h"

#include <QHash>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {

const QString FormatName = QStringLiteral("pelkor-sale-slip");

SlipItem dataField(const char *name, double x, double y, double w, double h, double size = 10.5,
    SlipItem::Align align = SlipItem::Align::Left)
{
    SlipItem item;
    item.kind = SlipItem::Kind::Field;
    item.name = QLatin1String(name);
    item.rectMm = QRectF(x, y, w, h);
    item.fontSize = size;
    item.align = align;
    return item;
}

SlipItem label(const QString &text, double x, double y, double w, double h, double size = 10.5,
    bool bold = false, SlipItem::Align align = SlipItem::Align::Left)
{
    SlipItem item;
    item.kind = SlipItem::Kind::Label;
    item.text = text;
    item.rectMm = QRectF(x, y, w, h);
    item.fontSize = size;
    item.bold = bold;
    item.align = align;
    return item;
}

SlipItem rule(SlipItem::Kind kind, double x1, double y1, double x2, double y2)
{
    SlipItem item;
    item.kind = kind;
    item.rectMm = QRectF(QPointF(x1, y1), QPointF(x2, y2));
    return item;
}

const char *kindName(SlipItem::Kind kind)
{
    switch (kind) {
    case SlipItem::Kind::Field:
        return "field";
    case SlipItem::Kind::Label:
        return "label";
    case SlipItem::Kind::Line:
        return "line";
    case SlipItem::Kind::Box:
        return "box";
    }
    return "field";
}

const char *alignName(SlipItem::Align align)
{
    switch (align) {
    case SlipItem::Align::Left:
        return "left";
    case SlipItem::Align::Centre:
        return "centre";
    case SlipItem::Align::Right:
        return "right";
    }
    return "left";
}

} // namespace

QStringList SlipLayout::fieldNames()
{
    QStringList names{QStringLiteral("txtSaleID"), QStringLiteral("txtDate"),
        QStringLiteral("txtStation"), QStringLiteral("txtCustID"), QStringLiteral("txtCustName"),
        QStringLiteral("txtCustPhone"), QStringLiteral("txtAddress"), QStringLiteral("txtCustType"),
        QStringLiteral("txtDetail"), QStringLiteral("txtOperator"), QStringLiteral("txtSender"),
        QStringLiteral("txtSmallTotal"), QStringLiteral("txtBigTotal")};
    for (int n = 1; n <= 3; ++n)
        for (const char *column :
            {"txtLine", "txtProduct", "txtUnit", "txtPrice", "txtAmount", "txtMoney"})
            names << QLatin1String(column) + QString::number(n);
    return names;
}

QString SlipLayout::fieldCaption(const QString &name)
{
    static const QHash<QString, QString> captions = {{QStringLiteral("txtSaleID"), "单号"},
        {QStringLiteral("txtDate"), "日期"}, {QStringLiteral("txtStation"), "供水站"},
        {QStringLiteral("txtCustID"), "客户编号"}, {QStringLiteral("txtCustName"), "客户名称"},
        {QStringLiteral("txtCustPhone"), "联系电话"}, {QStringLiteral("txtAddress"), "送水地址"},
        {QStringLiteral("txtCustType"), "客户类型"}, {QStringLiteral("txtDetail"), "备注"},
        {QStringLiteral("txtOperator"), "开单员"}, {QStringLiteral("txtSender"), "送水员"},
        {QStringLiteral("txtSmallTotal"), "金额小写"}, {QStringLiteral("txtBigTotal"), "金额大写"},
        {QStringLiteral("txtLine"), "序号"}, {QStringLiteral("txtProduct"), "产品名称"},
        {QStringLiteral("txtUnit"), "单位"}, {QStringLiteral("txtPrice"), "单价"},
        {QStringLiteral("txtAmount"), "数量"}, {QStringLiteral("txtMoney"), "金额"}};
    if (const auto it = captions.constFind(name); it != captions.constEnd())
        return it.value();
    // A line's cells: the column's caption and the line's number.
    QString column = name;
    QString line;
    while (!column.isEmpty() && column.back().isDigit()) {
        line.prepend(column.back());
        column.chop(1);
    }
    const auto it = captions.constFind(column);
    return it != captions.constEnd() && !line.isEmpty() ? it.value() + line : name;
}

SlipLayout SlipLayout::builtIn()
{
    using A = SlipItem::Align;
    SlipLayout l;
    auto &it = l.items;
    // Title and the slip's own numbers.
    it << label(QStringLiteral("纯 净 水 送 货 单"), 10, 7, 190, 10, 18, true, A::Centre);
    it << dataField("txtStation", 10, 9, 50, 7, 10.5);
    it << label(QStringLiteral("单号："), 150, 9, 13, 7)
       << dataField("txtSaleID", 163, 9, 37, 7, 12);
    it << rule(SlipItem::Kind::Line, 10, 19, 200, 19);
    it << label(QStringLiteral("日期："), 10, 21, 13, 7) << dataField("txtDate", 23, 21, 42, 7);
    it << label(QStringLiteral("客户帐号："), 70, 21, 20, 7)
       << dataField("txtCustID", 90, 21, 30, 7);
    it << label(QStringLiteral("客户类型："), 150, 21, 20, 7)
       << dataField("txtCustType", 170, 21, 30, 7);
    it << label(QStringLiteral("客户名称："), 10, 29, 20, 7)
       << dataField("txtCustName", 30, 29, 85, 7);
    it << label(QStringLiteral("联系电话："), 120, 29, 20, 7)
       << dataField("txtCustPhone", 140, 29, 60, 7);
    it << label(QStringLiteral("送水地址："), 10, 37, 20, 7)
       << dataField("txtAddress", 30, 37, 170, 7);

    // The product table: a header row and three ruled rows.
    const double top = 46, row = 8;
    const double cols[] = {10, 22, 92, 112, 142, 164, 200};
    const QString heads[]
        = {QStringLiteral("序号"), QStringLiteral("产品名称"), QStringLiteral("单位"),
            QStringLiteral("单价"), QStringLiteral("数量"), QStringLiteral("金额")};
    it << rule(SlipItem::Kind::Box, cols[0], top, cols[6], top + 4 * row);
    for (int r = 1; r < 4; ++r)
        it << rule(SlipItem::Kind::Line, cols[0], top + r * row, cols[6], top + r * row);
    for (int c = 1; c < 6; ++c)
        it << rule(SlipItem::Kind::Line, cols[c], top, cols[c], top + 4 * row);
    for (int c = 0; c < 6; ++c)
        it << label(
            heads[c], cols[c], top + 0.5, cols[c + 1] - cols[c], row - 1, 10.5, true, A::Centre);
    for (int n = 1; n <= 3; ++n) {
        const double y = top + n * row + 0.5;
        const QByteArray suffix = QByteArray::number(n);
        const auto cell = [&](const char *name, int c, A align) {
            return dataField((QByteArray(name) + suffix).constData(), cols[c] + 1, y,
                cols[c + 1] - cols[c] - 2, row - 1, 10.5, align);
        };
        it << cell("txtLine", 0, A::Centre) << cell("txtProduct", 1, A::Left)
           << cell("txtUnit", 2, A::Centre) << cell("txtPrice", 3, A::Right)
           << cell("txtAmount", 4, A::Right) << cell("txtMoney", 5, A::Right);
    }

    // Totals, remark, who took and who delivers the order, the signature.
    const double below = top + 4 * row + 3;
    it << label(QStringLiteral("合计金额（大写）："), 10, below, 36, 8)
       << dataField("txtBigTotal", 46, below, 100, 8, 12);
    it << label(QStringLiteral("（小写）："), 146, below, 18, 8)
       << dataField("txtSmallTotal", 164, below, 36, 8, 12, A::Right);
    it << label(QStringLiteral("备    注："), 10, below + 9, 20, 7)
       << dataField("txtDetail", 30, below + 9, 170, 7);
    it << label(QStringLiteral("开单员："), 10, below + 18, 16, 7)
       << dataField("txtOperator", 26, below + 18, 40, 7);
    it << label(QStringLiteral("送水员："), 70, below + 18, 16, 7)
       << dataField("txtSender", 86, below + 18, 40, 7);
    it << label(QStringLiteral("客户签收："), 10, below + 32, 20, 7);
    it << rule(SlipItem::Kind::Line, 30, below + 38, 100, below + 38);
    it << label(QStringLiteral("签收日期："), 110, below + 32, 20, 7);
    it << rule(SlipItem::Kind::Line, 130, below + 38, 200, below + 38);
    it << label(QStringLiteral("请当面点清数量、核对金额后签收；空桶请交送水员带回。"), 10,
        below + 42, 190, 6, 9, false, A::Centre);
    return l;
}

SlipItem *SlipLayout::field(const QString &name)
{
    for (SlipItem &item : items)
        if (item.kind == SlipItem::Kind::Field && item.name == name)
            return &item;
    return nullptr;
}

const SlipItem *SlipLayout::field(const QString &name) const
{
    return const_cast<SlipLayout *>(this)->field(name);
}

QByteArray SlipLayout::toJson() const
{
    QJsonArray list;
    for (const SlipItem &item : items) {
        QJsonObject o{{QStringLiteral("kind"), QLatin1String(kindName(item.kind))},
            {QStringLiteral("x"), item.rectMm.x()}, {QStringLiteral("y"), item.rectMm.y()},
            {QStringLiteral("width"), item.rectMm.width()},
            {QStringLiteral("height"), item.rectMm.height()}};
        if (item.kind == SlipItem::Kind::Field || item.kind == SlipItem::Kind::Label) {
            if (item.kind == SlipItem::Kind::Field)
                o.insert(QStringLiteral("name"), item.name);
            else
                o.insert(QStringLiteral("text"), item.text);
            o.insert(QStringLiteral("fontSize"), item.fontSize);
            o.insert(QStringLiteral("bold"), item.bold);
            o.insert(QStringLiteral("italic"), item.italic);
            o.insert(QStringLiteral("underline"), item.underline);
            if (!item.fontFamily.isEmpty())
                o.insert(QStringLiteral("fontFamily"), item.fontFamily);
            o.insert(QStringLiteral("align"), QLatin1String(alignName(item.align)));
        }
        o.insert(QStringLiteral("visible"), item.visible);
        list.append(o);
    }
    const QJsonObject root{{QStringLiteral("format"), FormatName},
        {QStringLiteral("version"), FormatVersion}, {QStringLiteral("unit"), QStringLiteral("mm")},
        {QStringLiteral("page"),
            QJsonObject{{QStringLiteral("width"), pageMm.width()},
                {QStringLiteral("height"), pageMm.height()}}},
        {QStringLiteral("items"), list}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool SlipLayout::fromJson(const QByteArray &json)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject())
        return false;
    const QJsonObject root = doc.object();
    if (root.value(QStringLiteral("format")).toString() != FormatName
        || root.value(QStringLiteral("version")).toInt() != FormatVersion)
        return false;
    const QJsonObject page = root.value(QStringLiteral("page")).toObject();
    SlipLayout read;
    read.pageMm = QSizeF(page.value(QStringLiteral("width")).toDouble(),
        page.value(QStringLiteral("height")).toDouble());
    if (!(read.pageMm.width() > 10 && read.pageMm.height() > 10 && read.pageMm.width() < 2000
            && read.pageMm.height() < 2000))
        return false;
    static const QHash<QString, SlipItem::Kind> kinds{
        {QStringLiteral("field"), SlipItem::Kind::Field},
        {QStringLiteral("label"), SlipItem::Kind::Label},
        {QStringLiteral("line"), SlipItem::Kind::Line},
        {QStringLiteral("box"), SlipItem::Kind::Box}};
    static const QHash<QString, SlipItem::Align> aligns{
        {QStringLiteral("left"), SlipItem::Align::Left},
        {QStringLiteral("centre"), SlipItem::Align::Centre},
        {QStringLiteral("right"), SlipItem::Align::Right}};
    const QStringList known = fieldNames();
    for (const QJsonValue &value : root.value(QStringLiteral("items")).toArray()) {
        const QJsonObject o = value.toObject();
        const QString kind = o.value(QStringLiteral("kind")).toString();
        if (!kinds.contains(kind))
            return false;
        SlipItem item;
        item.kind = kinds.value(kind);
        item.rectMm = QRectF(o.value(QStringLiteral("x")).toDouble(),
            o.value(QStringLiteral("y")).toDouble(), o.value(QStringLiteral("width")).toDouble(),
            o.value(QStringLiteral("height")).toDouble());
        item.name = o.value(QStringLiteral("name")).toString();
        item.text = o.value(QStringLiteral("text")).toString();
        item.fontSize = o.value(QStringLiteral("fontSize")).toDouble(10.5);
        item.bold = o.value(QStringLiteral("bold")).toBool();
        item.italic = o.value(QStringLiteral("italic")).toBool();
        item.underline = o.value(QStringLiteral("underline")).toBool();
        item.fontFamily = o.value(QStringLiteral("fontFamily")).toString();
        item.align
            = aligns.value(o.value(QStringLiteral("align")).toString(), SlipItem::Align::Left);
        item.visible = o.value(QStringLiteral("visible")).toBool(true);
        if (item.kind == SlipItem::Kind::Field && !known.contains(item.name))
            return false;
        if (item.fontSize < 1 || item.fontSize > 200)
            return false;
        read.items << item;
    }
    // A layout that lost a data field would print a slip without it: the
    // file is not the slip this program prints.
    for (const QString &name : known)
        if (!read.field(name))
            return false;
    *this = read;
    return true;
}

bool SlipLayout::load(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return fromJson(file.read(1 << 20));
}

bool SlipLayout::save(const QString &fileName, QString *error) const
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(toJson()) < 0 || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool operator==(const SlipItem &a, const SlipItem &b)
{
    return a.kind == b.kind && a.name == b.name && a.text == b.text && a.rectMm == b.rectMm
        && qFuzzyCompare(a.fontSize, b.fontSize) && a.bold == b.bold && a.italic == b.italic
        && a.underline == b.underline && a.fontFamily == b.fontFamily && a.visible == b.visible
        && a.align == b.align;
}

bool operator==(const SlipLayout &a, const SlipLayout &b)
{
    return a.pageMm == b.pageMm && a.items == b.items;
}
