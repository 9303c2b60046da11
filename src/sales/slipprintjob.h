#pragma once

#include "sales/slipdata.h"
#include "sales/sliplayout.h"
#include "shell/printjob.h"

#include <QFont>

class QPainter;

// Draws one slip: the layout's ruled lines, static texts and the data
// fields of one sale, at their places in millimetres on the paper.
class SlipPrintJob : public PrintJob {
public:
    SlipPrintJob(SlipLayout layout, SlipData data);

    QString documentName() const override;
    bool render(QPrinter *printer) override;
    void preparePrinter(QPrinter *printer) const override;
    bool exportPdf(const QString &fileName);

    // Draws onto any device with `dotsPerMm` device pixels per millimetre;
    // the designer uses it for its true-scale view.
    static void paint(
        QPainter *painter, const SlipLayout &layout, const SlipData &data, double dotsPerMm);
    // The font data fields always print in: Song style, bold, at the size,
    // slant and underline the layout gives.
    static QFont fieldFont(const SlipItem &item);

private:
    SlipLayout m_layout;
    SlipData m_data;
};
