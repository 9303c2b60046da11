#pragma once

#include <QtGlobal>

// The printed slip of one sale. Its layout, renderer and preview are not
// part of the program yet: both entry points do nothing for now.
namespace SaleSlip {
void PrintSaleSlip(qint64 saleId);
void PreviewSaleSlip(qint64 saleId);
bool isAvailable();
} // namespace SaleSlip
