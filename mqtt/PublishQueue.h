#pragma once

#include <QByteArray>
#include <QString>

#include <deque>

// The messages waiting for the broker, in order. Bounded in readings: when
// it holds `capacity` readings the oldest goes to make room for a new one and
// is counted; the other messages (alarm changes, the count of dropped
// readings) are few, never dropped and not counted against the bound.
class PublishQueue
{
public:
    struct Message
    {
        QString topic;
        QByteArray payload;
        bool retain = false;
        bool droppable = true; // a reading
    };

    explicit PublishQueue(qsizetype capacity) : m_capacity(capacity) {}

    void push(Message message);
    // Back at the front, in their order: messages that went out but were not
    // acknowledged before the connection was lost.
    void putBack(std::deque<Message> messages);
    bool isEmpty() const { return m_messages.empty(); }
    qsizetype size() const { return static_cast<qsizetype>(m_messages.size()); }
    Message takeFirst();

    // Readings dropped since the last call.
    qint64 takeDropped();

private:
    void makeRoom();

    qsizetype m_capacity;
    std::deque<Message> m_messages;
    qsizetype m_readings = 0;
    qint64 m_dropped = 0;
};
