#include "GraphCommand.h"

#include "Clock.h"
#include "MainController.h"
#include "SerialDate.h"

GraphCommand::GraphCommand(MainController &main, QObject *parent)
    : QObject(parent), m_main(main), m_graph(*this)
{}

void GraphCommand::btGraph()
{
    reReadList();
    const WorkingListFile &list = m_main.listFile();
    // The newest reading is not handed over: it comes with the next one.
    if (list.LastRecIndex() < ReadingsNeeded - 1)
        return;
    m_graph.PutData<WorkingListFile::ChannelCount>(list.ListPointName(), list.LastRecIndex() - 1,
                                                   list.ListValues(), list.ListUnits(),
                                                   list.ListTimes(), 0, 1);
    m_graph.ShowEditButton = false;
    m_graph.AutoArrange = m_main.AutoArrange;
    emit showRequested(m_main.AutoArrange != 0);
}

void GraphCommand::PutLastData(double Data, const QString &lUnits)
{
    WorkingListFile &list = m_main.listFile();
    const qint32 last = list.LastRecIndex();
    if (m_graph.bOnline() && last < WorkingListFile::LastArrayIndex &&
        list.storePoint(last, Data, SerialDate::fromDateTime(m_main.clock().now()))) {
        const std::array<QString, 1> units{lUnits};
        m_graph.PutData<WorkingListFile::ChannelCount>(
            list.ListPointName(), last - 1, list.ListValues(), units, list.ListTimes(), -1, 1);
    }
    m_main.setControls();
}

void GraphCommand::hideGraph()
{
    m_graph.setShown(false);
    emit hideRequested();
}

void GraphCommand::reReadList()
{
    m_main.listFile().ReadDb();
    m_main.controls().setText(QStringLiteral("edCount"),
                              QString::number(m_main.listFile().TotalRecords()));
    m_main.setControls();
}

void GraphCommand::GetParamsFromGraph(double &TotCounts1, double &TotCounts2, qint32 &TotSec)
{
    // The totals reach the main window here; it has no use for them.
    Q_UNUSED(TotCounts1)
    Q_UNUSED(TotCounts2)
    Q_UNUSED(TotSec)
}
