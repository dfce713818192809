#pragma once

#include <QWidget>

class GraphController;
class QPushButton;

// The graph's options window "Data Handle": the scale choice and a second
// online switch, the one the main window's hand-off looks at.
class FrmDataHandle : public QWidget
{
    Q_OBJECT

public:
    FrmDataHandle(GraphController &graph, QWidget *graphWindow);

    void showOwned();
    void showCaption();

protected:
    bool event(QEvent *event) override;

private:
    GraphController &m_graph;
    QPushButton *m_online = nullptr;
};
