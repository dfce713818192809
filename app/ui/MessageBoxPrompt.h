#pragma once

#include "UserPrompt.h"

class QWidget;

// Shows the logic's messages and questions as message boxes.
class MessageBoxPrompt : public UserPrompt
{
public:
    explicit MessageBoxPrompt(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }

    Answer show(const Message &message) override;

private:
    QWidget *m_parent;
};
