#pragma once

#include <QString>
#include <QWidget>

class QToolButton;

// Two arrow buttons that step a whole number within bounds. One control can
// serve several text boxes: its tag names the box it currently works for.
// The arrows take no focus, so the box being stepped keeps it.
class UpDownControl : public QWidget
{
    Q_OBJECT

public:
    explicit UpDownControl(QWidget *parent = nullptr);

    int value() const { return m_value; }
    // Clamped to the bounds; valueChanged only when the value really changes.
    void setValue(int value);
    void stepBy(int steps);
    void setRange(int minimum, int maximum);
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }

    const QString &tag() const { return m_tag; }
    void setTag(const QString &tag) { m_tag = tag; }

    QToolButton *upButton() const { return m_up; }
    QToolButton *downButton() const { return m_down; }

signals:
    void valueChanged(int value);

private:
    QToolButton *m_up = nullptr;
    QToolButton *m_down = nullptr;
    int m_value = 0;
    int m_minimum = 0;
    int m_maximum = 99;
    QString m_tag;
};
