#pragma once

#include "UserPrompt.h"

class ConsoleOutput;

// The user's side of the export classes without anyone to ask: every message
// is printed, and every question is answered the way that keeps what exists
// (No, Abort). The command treats any question as a failure.
class ConsolePrompt : public UserPrompt
{
public:
    explicit ConsolePrompt(ConsoleOutput &output) : m_output(output) {}

    Answer show(const Message &message) override;

    int questions() const { return m_questions; }

private:
    ConsoleOutput &m_output;
    int m_questions = 0;
};
