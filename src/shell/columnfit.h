#pragma once

#include <QVector>

// Column widths for a table on a line of limited width: the printed grids,
// the list windows and the sale window's history share one rule.
namespace ColumnFit {

// natural: what each column wants (its widest text); minimum: what it
// cannot do without (its figures and sums). The natural widths when they
// fit, stretched to the line; else every column keeps its minimum and what
// they want beyond it is granted up to one common limit, so narrow columns
// stay whole and only the widest texts give way.
QVector<qreal> fit(const QVector<qreal> &natural, const QVector<qreal> &minimum, qreal available);

} // namespace ColumnFit
