#include "saleslip.h"

namespace SaleSlip {

void PrintSaleSlip(qint64 saleId)
{
    Q_UNUSED(saleId)
}

void PreviewSaleSlip(qint64 saleId)
{
    Q_UNUSED(saleId)
}

bool isAvailable()
{
    return false;
}

} // namespace SaleSlip
