#pragma once

// Empties the group's business data so that the system can be taken into
// use afresh: delivery staff, products, customers, sales, stock documents
// and every station but the first. Operators, settings and the call log
// stay. Asks twice first.
namespace mSystem {

// True when the data was emptied and the program must now end (the person
// has been told); false when nothing changed.
bool ResetSystem();

} // namespace mSystem
