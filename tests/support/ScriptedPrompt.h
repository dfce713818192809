#pragma once

#include "UserPrompt.h"

#include <QList>

// Answers the program's questions from a script and keeps every message shown.
class ScriptedPrompt : public UserPrompt
{
public:
    QList<Message> shown;
    QList<Answer> answers; // taken in order; when none is left a question is cancelled

    Answer show(const Message &message) override
    {
        shown.append(message);
        if (message.buttons == Buttons::Ok)
            return Answer::Ok;
        return answers.isEmpty() ? Answer::Cancel : answers.takeFirst();
    }

    int count(const QString &text) const
    {
        int found = 0;
        for (const Message &message : shown)
            found += message.text.startsWith(text) ? 1 : 0;
        return found;
    }
};
