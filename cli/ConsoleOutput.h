#pragma once

#include <QString>

#include <cstdio>

// What tesk-cli prints: results and readings on standard output, one line at
// a time and flushed (a script or a pipe sees each at once), and messages on
// standard error, each naming the program. A progress line is drawn only when
// standard output is a terminal.
class ConsoleOutput
{
public:
    explicit ConsoleOutput(std::FILE *out = stdout, std::FILE *err = stderr);

    void line(const QString &text);
    // A failure or a notice, on standard error.
    void message(const QString &text);

    bool isTerminal() const { return m_terminal; }
    // Redraws the progress line; nothing when standard output is not a terminal.
    void progress(const QString &text);
    // Ends the progress line so the next line starts on its own.
    void endProgress();

private:
    std::FILE *m_out;
    std::FILE *m_err;
    bool m_terminal;
    bool m_progressShown = false;
};
