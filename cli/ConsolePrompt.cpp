#include "ConsolePrompt.h"

#include "ConsoleOutput.h"

UserPrompt::Answer ConsolePrompt::show(const Message &message)
{
    m_output.message(message.text.trimmed());
    switch (message.buttons) {
    case Buttons::Ok:
        return Answer::Ok;
    case Buttons::YesNo:
    case Buttons::YesNoCancel:
        ++m_questions;
        return Answer::No;
    case Buttons::AbortRetryIgnore:
        ++m_questions;
        return Answer::Abort;
    }
    return Answer::Ok;
}
