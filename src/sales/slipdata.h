#pragma once

#include <QHash>
#include <QString>

// What one stored sale prints on its slip: the text of every data field by
// name. Read without SQL in the drawing code, so the slip draws the same
// from a test's values as from the database.
struct SlipData {
    QHash<QString, QString> fields;
    // Why the slip could not be filled completely ("" when it was); every
    // field that could be filled is, whatever failed before it.
    QString failure;

    QString value(const QString &field) const { return fields.value(field); }

    // "未开户", "已开户", "大客户", "托管户", "其它"; empty for other codes.
    static QString customerTypeText(int type);
    // 2026-12-08 -> "2026年12月8日".
    static QString dateText(int year, int month, int day);
};

namespace SlipReader {
SlipData load(qint64 saleId);
} // namespace SlipReader
