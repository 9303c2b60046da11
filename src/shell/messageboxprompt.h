#pragma once

#include "datastore/prompt.h"

class QWidget;

// Answers prompts with modal message boxes over the active window, and
// choices with the program's pick dialogs and the system's printer and
// file dialogs.
class MessageBoxPrompt : public Prompt::Handler {
public:
    int ask(const Prompt::Request &request) override;
    QVariant choose(const Prompt::Request &request) override;
};
