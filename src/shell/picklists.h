#pragma once

#include "datastore/recordset.h"

#include <optional>

// The rows the drop-downs of the entry forms and dialogs offer: what is in
// use (Status '1'). Nothing after a failed read, which has been reported.
namespace PickLists {

std::optional<Recordset> activeStations();
std::optional<Recordset> activeProducts();
// The delivery staff an operator may choose: every station's for the head
// station, otherwise only stationId's.
std::optional<Recordset> activeSenders(bool allStations, qint64 stationId);

} // namespace PickLists
