#pragma once

#include "prompt.h"

class QWidget;

// Answers prompts with modal message boxes over the active window.
class MessageBoxPrompt : public Prompt::Handler
{
public:
    int ask(const Prompt::Request &request) override;
};
