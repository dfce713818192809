#pragma once

#include <QString>

// Message boxes and questions, as the logic asks for them; the window shows
// them, tests answer them from a script.
class UserPrompt
{
public:
    enum class Icon { None, Information, Question, Exclamation, Critical };
    enum class Buttons { Ok, YesNo, YesNoCancel, AbortRetryIgnore };
    enum class Answer { Ok, Yes, No, Cancel, Abort, Retry, Ignore };

    struct Message
    {
        QString text;
        QString title;
        Icon icon = Icon::None;
        Buttons buttons = Buttons::Ok;
    };

    // The title of boxes given none.
    static inline const QString ProgramTitle = QStringLiteral("TESK");

    virtual ~UserPrompt() = default;
    // Shows the message modally and returns the answer.
    virtual Answer show(const Message &message) = 0;
};
