#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

class SlipLayout;

// The printed slip of one sale, in the layout kept in "sale.rpx".
namespace SaleSlip {

// Where "sale.rpx" is saved: beside the program when that folder can be
// written (as on a workstation installed by hand), otherwise in the
// machine's data folder shared by every operator of the workstation, the
// operator's own folder last (PELKOR_SLIP_LAYOUT names another file).
QString layoutFile();
// The layout every slip and the designer use: the saved file when there is
// one, else a layout shipped read-only, else the built-in one (also when
// the file is damaged).
SlipLayout currentLayout();
// Writes `layout` where layoutFile() says, making its folder if need be.
bool saveLayout(const SlipLayout &layout, QString *error = nullptr);

// The choice behind both, among candidate files in order of preference:
// the first that exists and may be written, else the first that may be
// created; and what to read: that file when it exists, else the first
// candidate that exists. Nothing is created by asking.
QString writeTarget(const QStringList &candidates);
QString readSource(const QStringList &candidates);

// Prints to the default printer without a dialog. False when nothing was
// printed, after saying why once: no printer on the workstation, or
// "打印单据时出现错误！".
bool PrintSaleSlip(qint64 saleId);
// The modal preview, from which the slip can also be printed or saved.
bool PreviewSaleSlip(qint64 saleId);
// The slip as a PDF file, as it would print.
bool exportPdf(qint64 saleId, const QString &fileName);

} // namespace SaleSlip
