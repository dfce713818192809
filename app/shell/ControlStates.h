#pragma once

#include <QColor>
#include <QHash>
#include <QObject>
#include <QString>

// What the main window's controls show, kept by the logic and mirrored by
// the window: enabled, visible, pressed, caption and colour, by the object
// name of the control. Toolbar buttons are named by their key after
// "Toolbar1:" ("Toolbar1:mnStart").
class ControlStates : public QObject
{
    Q_OBJECT

public:
    struct State
    {
        bool enabled = true;
        bool visible = true;
        bool checked = false;
        QString text;  // null until the logic sets a caption
        QColor colour; // invalid until the logic sets a colour
    };

    using QObject::QObject;

    void setEnabled(const QString &name, bool enabled);
    void setVisible(const QString &name, bool visible);
    void setChecked(const QString &name, bool checked);
    void setText(const QString &name, const QString &text);
    void setColour(const QString &name, const QColor &colour);

    bool isEnabled(const QString &name) const { return state(name).enabled; }
    bool isVisible(const QString &name) const { return state(name).visible; }
    bool isChecked(const QString &name) const { return state(name).checked; }
    QString text(const QString &name) const { return state(name).text; }
    QColor colour(const QString &name) const { return state(name).colour; }

    State state(const QString &name) const { return m_states.value(name); }
    QStringList names() const { return m_states.keys(); }

signals:
    void changed(const QString &name);

private:
    template<typename Value>
    void update(const QString &name, Value State::*field, const Value &value);

    QHash<QString, State> m_states;
};
