#pragma once

#include <QString>

// Message boxes and questions, as the logic asks for them; the window shows
// them, tests answer them from a script.
class UserPrompt
{
public:
    enum class Icon { None, Information, Question, Exclamation, Critical };
    enum class Buttons { Ok, YesNo, YesNoCancel, AbortRetryIgnore };
    // Cancel is also the answer of a question dismissed without a choice
    // (Escape, the close button): callers change nothing then, so a dismissed
    // question never destroys data.
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
    // Shows the message modally and returns the answer; a message with only
    // an OK button answers Ok however it is closed.
    virtual Answer show(const Message &message) = 0;
};
