#pragma once

#include "GraphController.h"
#include "GraphHost.h"

#include <QObject>

class MainController;

// The main window's graph command and its side of the graph: the list is
// read again and handed to the graph, new readings follow while the graph
// is online, and the graph is hidden when a new list starts.
class GraphCommand : public QObject, public GraphHost
{
    Q_OBJECT

public:
    // Fewer readings than this and the graph command shows nothing.
    static constexpr int ReadingsNeeded = 8;

    explicit GraphCommand(MainController &main, QObject *parent = nullptr);

    GraphController &graph() { return m_graph; }

    // btGraph, mnGraph and toolbar button 4.
    void btGraph();
    // A new reading is in the list file; hands the list on while online.
    void PutLastData(double Data, const QString &lUnits);
    // A new list starts or the list was saved: the graph goes off the screen.
    void hideGraph();

    // GraphHost
    void reReadList() override;
    void GetParamsFromGraph(double &TotCounts1, double &TotCounts2, qint32 &TotSec) override;

signals:
    // The window shows the graph, arranging it beside the main window first.
    void showRequested(bool arrange);
    void hideRequested();

private:
    MainController &m_main;
    GraphController m_graph;
};
