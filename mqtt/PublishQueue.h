#pragma once

#include <QByteArray>
#include <QString>

#include <deque>

// The messages waiting for the broker, in order. Bounded: when it is full the
// oldest reading goes to make room and is counted; the other messages (state
// and alarm changes) are few and never dropped.
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
    qint64 m_dropped = 0;
};
