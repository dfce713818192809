#pragma once

#include <QtGlobal>

// What the graph asks of the main window.
class GraphHost
{
public:
    virtual ~GraphHost() = default;
    // The graph goes online: the main window loads its list file again.
    virtual void reReadList() = 0;
    // Called at the end of every drawing with the totals of the shown points.
    virtual void GetParamsFromGraph(double &TotCounts1, double &TotCounts2, qint32 &TotSec) = 0;
};
