#include "ConsoleOutput.h"

#include <unistd.h>

ConsoleOutput::ConsoleOutput(std::FILE *out, std::FILE *err)
    : m_out(out), m_err(err), m_terminal(::isatty(::fileno(out)) == 1)
{}

void ConsoleOutput::line(const QString &text)
{
    endProgress();
    std::fputs(qPrintable(text + QChar(u'\n')), m_out);
    std::fflush(m_out);
}

void ConsoleOutput::message(const QString &text)
{
    endProgress();
    std::fputs(qPrintable(QStringLiteral("tesk-cli: ") + text + QChar(u'\n')), m_err);
    std::fflush(m_err);
}

void ConsoleOutput::progress(const QString &text)
{
    if (!m_terminal)
        return;
    // Carriage return, the text, then clear what a longer line left behind.
    std::fputs(qPrintable(QChar(u'\r') + text + QStringLiteral("\x1b[K")), m_out);
    std::fflush(m_out);
    m_progressShown = true;
}

void ConsoleOutput::endProgress()
{
    if (!m_progressShown)
        return;
    m_progressShown = false;
    std::fputc('\n', m_out);
    std::fflush(m_out);
}
