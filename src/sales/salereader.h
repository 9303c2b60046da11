#pragma once

#include "sales/salewriter.h"

#include <optional>

// Reads a stored sale the way the sale form shows it: the header, its goods
// lines with product names, and the customer the sale belongs to (by key,
// whatever that customer's station or status today).
namespace SaleReader {

// Nothing when the sale is gone or could not be read (the failure has been
// reported then).
std::optional<SaleRecord> load(qint64 id);

// The settings the sale window follows, read in one statement: a setting
// that is missing or unreadable is off.
struct WindowSettings {
    bool autoOutAmount = false;
    bool autoInMoney = false;
    bool autoInContainer = false;
    bool searchAddress = false;
};
WindowSettings windowSettings();

} // namespace SaleReader
