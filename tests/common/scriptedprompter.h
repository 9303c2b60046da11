#pragma once

#include "datastore/prompt.h"

#include <QList>
#include <QStringList>

#include <functional>

// Stands in for the person at the screen: records every prompt and answers
// it from a script (or with its default button when the script is empty).
class ScriptedPrompter : public Prompt::Handler {
public:
    ScriptedPrompter() { Prompt::setHandler(this); }
    ~ScriptedPrompter() override { Prompt::setHandler(nullptr); }

    int ask(const Prompt::Request &request) override
    {
        requests << request;
        if (onPrompt)
            onPrompt(request);
        if (!answers.isEmpty())
            return answers.takeFirst();
        return request.defaultButton;
    }

    QVariant choose(const Prompt::Request &request) override
    {
        requests << request;
        if (onPrompt)
            onPrompt(request);
        return choices.isEmpty() ? QVariant() : choices.takeFirst();
    }

    QStringList texts() const
    {
        QStringList list;
        for (const auto &r : requests)
            list << r.text;
        return list;
    }
    void clear() { requests.clear(); }

    QList<Prompt::Request> requests;
    QList<int> answers;
    // Values handed back to pickers and choosers, in order.
    QList<QVariant> choices;
    // Runs while the prompt is "on screen", e.g. to check the state behind it.
    std::function<void(const Prompt::Request &)> onPrompt;
};
