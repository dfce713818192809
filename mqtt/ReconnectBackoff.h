#pragma once

// The wait before the next attempt to reach the broker: 1 s after the first
// failure, doubling up to 30 s, and 1 s again once a connection succeeded.
class ReconnectBackoff
{
public:
    static constexpr int FirstMs = 1000;
    static constexpr int LastMs = 30000;

    int nextDelayMs();
    void reset() { m_nextMs = FirstMs; }

private:
    int m_nextMs = FirstMs;
};
