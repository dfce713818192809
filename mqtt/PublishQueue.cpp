#include "PublishQueue.h"

#include <algorithm>

void PublishQueue::push(Message message)
{
    m_readings += message.droppable ? 1 : 0;
    m_messages.push_back(std::move(message));
    makeRoom();
}

void PublishQueue::putBack(std::deque<Message> messages)
{
    m_readings += std::count_if(messages.begin(), messages.end(),
                                [](const Message &m) { return m.droppable; });
    m_messages.insert(m_messages.begin(), std::make_move_iterator(messages.begin()),
                      std::make_move_iterator(messages.end()));
    makeRoom();
}

PublishQueue::Message PublishQueue::takeFirst()
{
    Message first = std::move(m_messages.front());
    m_messages.pop_front();
    m_readings -= first.droppable ? 1 : 0;
    return first;
}

qint64 PublishQueue::takeDropped()
{
    return std::exchange(m_dropped, 0);
}

void PublishQueue::makeRoom()
{
    while (m_readings > m_capacity) {
        const auto oldest = std::find_if(m_messages.begin(), m_messages.end(),
                                         [](const Message &m) { return m.droppable; });
        m_messages.erase(oldest);
        --m_readings;
        ++m_dropped;
    }
}
