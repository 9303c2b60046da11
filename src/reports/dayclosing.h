#pragma once

#include <QString>

#include <functional>

// Closing the books up to a cut-off date, for every station at once: sales
// never fully delivered are deleted, fully settled ones are carried into
// generated stock-out documents and closed, every stock document is closed.
// One transaction: a failure anywhere leaves nothing of the closing behind.
// The other workstations go on working: their saves wait for the closing,
// and a closing that still loses out to one of them runs again by itself a
// few times before the operator is told, in plain words, to try later.
namespace DayClosing {

enum class Outcome {
    Closed,
    Cancelled, // the person said no, or gave no date
    Refused, // the cut-off is not a date (the person was told)
    Failed, // reported; nothing changed
};

struct Result {
    Outcome outcome = Outcome::Cancelled;
    int carried = 0; // sales carried into stock documents
};

struct Options {
    QString cutOff; // as typed: "12-08-2026", "2026-12-08", ...
    qint64 userId = 0;
    // Runs inside the transaction after the documents are written and before
    // the sales are marked closed, once in every attempt; for tests that let
    // another workstation act at the worst moment.
    std::function<void()> beforeMarking;
};

// Asks the questions of a closing through the prompt service, then closes.
Result FinishToday(const Options &options);

} // namespace DayClosing
