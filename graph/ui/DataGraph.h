#pragma once

#include <QWidget>

class GraphController;
class QLineEdit;
class QTableWidget;

// The data window: the points the graph shows, newest first, with their
// date-time and two channel values, and the units of the two value columns.
class DataGraph : public QWidget
{
    Q_OBJECT

public:
    explicit DataGraph(QWidget *graphWindow);

    // Fills the list from the graph and shows the window at the top left of
    // the screen; with the graph's AutoArrange the windows share the screen,
    // `gap` apart.
    void build(const GraphController &graph, QWidget *graphWindow, int gap);

private:
    void arrange(QWidget *graphWindow, int gap);

    QTableWidget *m_grid = nullptr;
    QLineEdit *m_units[2] = {};
};
