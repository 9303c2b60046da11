#pragma once

#include "datastore/currency.h"

#include <QString>
#include <QVector>

#include <optional>

class Recordset;

// A product or service as stored: the goods sold, among them the water
// products and the bottles they are delivered in.
struct ProductRecord {
    qint64 id = 0;
    QString name;
    QString unit;
    Currency price;
    QString detail;
    bool suspended = false; // Status '0'
    bool isDefault = false;
    bool isContainer = false; // the product is itself a bottle
    qint64 containerId = 0; // the bottle a water product comes in, 0 for none
};

namespace ProductReader {
std::optional<ProductRecord> load(qint64 id);
// Every product, suspended ones too, by ID: an edited row keeps its place
// in the list on every database.
std::optional<QVector<ProductRecord>> all();
// The bottles a product can be delivered in: active bottle products.
std::optional<Recordset> activeBottles();
} // namespace ProductReader

// Products are suspended, never deleted. A bottle that stops being an active
// bottle lets go of every product delivered in it, in the same transaction,
// so later sales of those products add no bottle line.
namespace ProductWriter {
// The new product's ID, 0 when nothing was stored.
qint64 saveNew(const ProductRecord &product);
bool saveEdit(const ProductRecord &product);
} // namespace ProductWriter
