#include "shell/columnfit.h"

#include <algorithm>

namespace ColumnFit {

QVector<qreal> fit(const QVector<qreal> &natural, const QVector<qreal> &minimum, qreal available)
{
    qreal total = 0;
    qreal least = 0;
    for (int c = 0; c < natural.size(); ++c) {
        total += natural[c];
        least += qMin(minimum.value(c), natural[c]);
    }
    QVector<qreal> widths = natural;
    if (natural.isEmpty() || total <= 0)
        return widths;
    if (total <= available) {
        for (qreal &w : widths)
            w *= available / total;
        return widths;
    }
    if (least >= available) {
        for (int c = 0; c < widths.size(); ++c)
            widths[c] = qMin(minimum.value(c), natural[c]) * available / least;
        return widths;
    }
    // What each column wants beyond its figures is shared out under one
    // common limit: a column that wants less than an even share of what
    // is left gets all it wants, the others the same remainder each.
    QVector<qreal> wants;
    for (int c = 0; c < natural.size(); ++c)
        wants << natural[c] - qMin(minimum.value(c), natural[c]);
    QVector<qreal> sorted = wants;
    std::sort(sorted.begin(), sorted.end());
    qreal left = available - least;
    qreal limit = left;
    for (int i = 0; i < sorted.size(); ++i) {
        const qreal share = left / (sorted.size() - i);
        if (sorted[i] > share) {
            limit = share;
            break;
        }
        left -= sorted[i];
    }
    for (int c = 0; c < widths.size(); ++c)
        widths[c] = natural[c] - wants[c] + qMin(wants[c], limit);
    return widths;
}

} // namespace ColumnFit
