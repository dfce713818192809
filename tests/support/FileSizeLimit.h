#pragma once

#include <csignal>
#include <sys/resource.h>

// Fails file writes beyond `bytes` as a full disk would, even for root, until
// lifted or destroyed.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(long long bytes) : m_handler(std::signal(SIGXFSZ, SIG_IGN))
    {
        getrlimit(RLIMIT_FSIZE, &m_previous);
        rlimit limited = m_previous;
        limited.rlim_cur = static_cast<rlim_t>(bytes);
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() { lift(); }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    void lift()
    {
        if (m_lifted)
            return;
        m_lifted = true;
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_previous{};
    void (*m_handler)(int);
    bool m_lifted = false;
};
