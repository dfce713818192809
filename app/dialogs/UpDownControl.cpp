#include "UpDownControl.h"

#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

UpDownControl::UpDownControl(QWidget *parent) : QWidget(parent)
{
    auto makeArrow = [this](Qt::ArrowType arrow, const QString &name) {
        auto *button = new QToolButton(this);
        button->setObjectName(name);
        button->setArrowType(arrow);
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        return button;
    };
    m_up = makeArrow(Qt::UpArrow, QStringLiteral("upButton"));
    m_down = makeArrow(Qt::DownArrow, QStringLiteral("downButton"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_up);
    layout->addWidget(m_down);

    connect(m_up, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { stepBy(-1); });
}

void UpDownControl::setValue(int value)
{
    const int bounded = std::clamp(value, m_minimum, m_maximum);
    if (bounded == m_value)
        return;
    m_value = bounded;
    emit valueChanged(m_value);
}

void UpDownControl::stepBy(int steps)
{
    setValue(m_value + steps);
}

void UpDownControl::setRange(int minimum, int maximum)
{
    m_minimum = minimum;
    m_maximum = std::max(minimum, maximum);
    setValue(m_value);
}
