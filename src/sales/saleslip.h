#pragma once

#include <QString>
#include <QtGlobal>

class SlipLayout;

// The printed slip of one sale, in the layout kept in "sale.rpx".
namespace SaleSlip {

// Where "sale.rpx" lives: beside the program when that folder can be
// written (as on a workstation installed by hand), otherwise in the
// machine's data folder shared by every operator of the workstation
// (PELKOR_SLIP_LAYOUT names another file).
QString layoutFile();
// The stored layout, or the built-in one when the file is missing or
// damaged.
SlipLayout currentLayout();

// Prints to the default printer without a dialog. False when nothing was
// printed, after saying why once: no printer on the workstation, or
// "打印单据时出现错误！".
bool PrintSaleSlip(qint64 saleId);
// The modal preview, from which the slip can also be printed or saved.
bool PreviewSaleSlip(qint64 saleId);
// The slip as a PDF file, as it would print.
bool exportPdf(qint64 saleId, const QString &fileName);

} // namespace SaleSlip
