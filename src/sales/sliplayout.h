#pragma once

#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QVector>

// Where everything of the printed sale slip goes: the data fields by name,
// the static texts beside them, ruled lines and boxes, and the paper. Kept
// in "sale.rpx" as readable, versioned JSON (positions in millimetres) so
// that a layout made on one workstation prints the same on every other.
struct SlipItem {
    enum class Kind { Field, Label, Line, Box };
    enum class Align { Left, Centre, Right };

    Kind kind = Kind::Field;
    QString name; // data field name (txtSaleID...) for fields; empty otherwise
    QString text; // label text
    QRectF rectMm; // a line runs from the top-left to the bottom-right corner
    double fontSize = 10.5; // points
    bool bold = false; // labels only: data fields always print bold
    bool italic = false;
    bool underline = false;
    QString fontFamily; // labels and fields: empty means the slip font
    bool visible = true;
    Align align = Align::Left;
};

class SlipLayout {
public:
    static constexpr int FormatVersion = 1;

    QSizeF pageMm{210.0, 148.5}; // half an A4 sheet, landscape
    QVector<SlipItem> items;

    // The slip as shipped: a delivery slip the customer signs.
    static SlipLayout builtIn();
    // Every data field the slip fills, in print order.
    static QStringList fieldNames();
    // What a field shows, in the operator's words ("客户编号", "金额大写",
    // "单价2"); the name itself for one nobody knows.
    static QString fieldCaption(const QString &name);

    // Reads a layout file; false (and *this unchanged) when the file is
    // missing, damaged or of a version this program does not know.
    bool load(const QString &fileName);
    // Writes atomically (a half-written file never replaces a good one).
    bool save(const QString &fileName, QString *error = nullptr) const;

    QByteArray toJson() const;
    bool fromJson(const QByteArray &json);

    SlipItem *field(const QString &name);
    const SlipItem *field(const QString &name) const;

    friend bool operator==(const SlipLayout &a, const SlipLayout &b);
};

bool operator==(const SlipItem &a, const SlipItem &b);
