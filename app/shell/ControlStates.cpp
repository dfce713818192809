#include "ControlStates.h"

template<typename Value>
void ControlStates::update(const QString &name, Value State::*field, const Value &value)
{
    State &state = m_states[name];
    if (state.*field == value)
        return;
    state.*field = value;
    emit changed(name);
}

void ControlStates::setEnabled(const QString &name, bool enabled)
{
    update(name, &State::enabled, enabled);
}

void ControlStates::setVisible(const QString &name, bool visible)
{
    update(name, &State::visible, visible);
}

void ControlStates::setChecked(const QString &name, bool checked)
{
    update(name, &State::checked, checked);
}

void ControlStates::setText(const QString &name, const QString &text)
{
    // A null text means "never set": the window then keeps its own caption.
    State &state = m_states[name];
    if (!state.text.isNull() && state.text == text)
        return;
    state.text = text.isNull() ? QStringLiteral("") : text;
    emit changed(name);
}

void ControlStates::setColour(const QString &name, const QColor &colour)
{
    update(name, &State::colour, colour);
}
