#include "GraphController.h"

#include "DateTimeText.h"
#include "GraphHost.h"
#include "GraphLabels.h"
#include "NumberText.h"
#include "SerialDate.h"

namespace {

QString dateTimeText(double days)
{
    const QDateTime time = SerialDate::toDateTime(days);
    return time.isValid() ? DateTimeText::format(time) : QString();
}

} // namespace

GraphController::GraphController(GraphHost &host, QObject *parent) : QObject(parent), m_host(host)
{}

QString GraphController::title() const
{
    const QString title = QStringLiteral("Graph for point ") + m_data.GraphPointName;
    return titleNote.isEmpty() ? title : title + QStringLiteral(" - ") + titleNote;
}

void GraphController::drawingFinished()
{
    m_marker.reset();
    GraphData::Totals totals = m_data.CalcTotals();
    m_host.GetParamsFromGraph(totals.TotCounts1, totals.TotCounts2, totals.TotSec);
    if (CurPoint == -1)
        CurPoint = 1;
}

void GraphController::activated()
{
    dragInterrupted();
    CurPoint = -1;
    m_readout.time.clear();
    m_readout.data.clear();
    emit readoutChanged();
    // The online switch pressed twice: the graph's flag ends as it was, the
    // options window's gate ends equal to it, the captions read the switch's
    // words, and the pass that goes online has the main window read its list
    // again. A saved file's graph is never online.
    if (ofSavedFile)
        return;
    onlineSwitch();
    onlineSwitch();
}

void GraphController::dragInterrupted()
{
    if (m_data.Selecting != 1)
        return;
    m_data.Selecting = 0;
    emit overlayChanged();
}

void GraphController::pressAt(double x)
{
    m_readout.data.clear();
    m_readout.time.clear();
    emit readoutChanged();
    m_data.RangeStart = m_data.RangeEnd = x;
    m_data.Selecting = 1;
    emit overlayChanged();
}

void GraphController::moveTo(double x)
{
    if (m_data.Selecting != 1)
        return;
    m_data.RangeEnd = x;
    emit overlayChanged();
}

void GraphController::releaseAt(double x)
{
    CurPoint = m_data.nearestPoint(x);
    ShowPoint();
    if (m_data.Selecting == 1) {
        m_data.Selecting = 0;
        emit overlayChanged();
        if (m_data.selectRange(x)) {
            // New readings would reset the range: the graph goes offline.
            m_graphOnline = false;
            setDataHandleOnline(false);
            setOnline(false);
            emit redrawRequested();
            emit listRebuildRequested();
        }
    }
    m_data.Selecting = 0;
}

void GraphController::stepCursor(int direction, bool fast)
{
    const int next = CurPoint + direction * (fast ? 10 : 1);
    if (next < 0 || next > m_data.lastDrawn())
        return;
    CurPoint = next;
    ShowPoint();
}

void GraphController::ShowPoint()
{
    const auto c = static_cast<size_t>(CurPoint);
    const auto g = static_cast<size_t>(m_data.GraphIndex);
    m_marker = CurPoint;
    emit overlayChanged();
    const GraphData::Point &point = m_data.Values[c];
    m_readout.time = dateTimeText(m_data.absoluteTime(CurPoint));
    m_readout.data = NumberText::plain(point[g]) + QChar(u' ') + m_data.UnitNames[g];
    m_readout.secondChannel = point[1] != GraphData::Unsupplied;
    if (m_readout.secondChannel) {
        m_readout.data1 = NumberText::plain(point[1]) + QChar(u' ') + m_data.UnitNames[1];
        m_readout.flow = GraphLabels::valueText(point[2]) + QChar(u' ') + m_data.UnitNames[2];
    }
    emit readoutChanged();
}

std::optional<std::pair<double, double>> GraphController::rubberBand() const
{
    if (m_data.Selecting != 1)
        return std::nullopt;
    return std::pair{m_data.RangeStart, m_data.RangeEnd};
}

void GraphController::btAll()
{
    if (!m_data.showAll())
        return;
    redraw();
    emit listRebuildRequested();
}

void GraphController::btTogle()
{
    m_data.GraphIndex = static_cast<qint16>(1 - m_data.GraphIndex);
    btAll();
}

void GraphController::btRefreash()
{
    m_data.CalculateScale();
    redraw();
}

void GraphController::redraw()
{
    m_marker.reset();
    emit redrawRequested();
}

void GraphController::SetScaling(int k)
{
    m_checkedScale = k == ScalingManual ? -1 : k;
    emit scaleMenuChanged();
    chooseScale(k);
}

void GraphController::chooseScale(int k)
{
    m_data.Scaling = static_cast<qint16>(k);
    btRefreash();
}

void GraphController::onlineSwitch()
{
    m_graphOnline = !m_graphOnline;
    m_buttonCaption = m_graphOnline ? QStringLiteral("OffLine") : QStringLiteral("Online");
    m_menuCaption = m_graphOnline ? QStringLiteral("Offline") : QStringLiteral("Online");
    emit onlineChanged();
    setDataHandleOnline(m_graphOnline);
}

void GraphController::setOnline(bool online)
{
    m_graphOnline = online;
    showOnlineCaptions(online);
}

void GraphController::showOnlineCaptions(bool online)
{
    m_buttonCaption = online ? QStringLiteral("OffLine") : QStringLiteral("online");
    m_menuCaption = online ? QStringLiteral("OffLine") : QStringLiteral("OnLine");
    emit onlineChanged();
}

void GraphController::setDataHandleOnline(bool online)
{
    m_bOnline = online;
    if (online)
        m_host.reReadList();
    emit onlineChanged();
}

void GraphController::dataHandleOnlineClicked()
{
    if (m_bOnline) {
        m_bOnline = false;
    } else {
        m_host.reReadList();
        m_bOnline = true;
    }
    // The choice lasts until the graph is next activated, whose double
    // switch sets the gate back to the graph's own flag. Until then the
    // graph's captions tell the gate's state, so that they never offer to go
    // online while readings are pushed; the graph's flag stays as it was.
    showOnlineCaptions(m_bOnline);
}

QString GraphController::dataHandleCaption() const
{
    return m_bOnline ? QStringLiteral("OffLine") : QStringLiteral("Online");
}

QList<GraphController::ListRow> GraphController::listRows() const
{
    QList<ListRow> rows;
    const auto g = static_cast<size_t>(m_data.GraphIndex);
    for (int i = m_data.NumberOfPoints; i >= 0; --i) {
        const GraphData::Point &point = m_data.Values[static_cast<size_t>(i)];
        // Channel g + 1 after Togle onto channel 2 lies beyond the three.
        const double second =
            g + 1 < GraphData::ChannelCount ? point[g + 1] : GraphData::Unsupplied;
        rows.append({dateTimeText(m_data.absoluteTime(i)), NumberText::plain(point[g]),
                     NumberText::plain(second)});
    }
    return rows;
}

QString GraphController::listCaption() const
{
    return QStringLiteral("Data for point: ") + m_data.GraphPointName;
}

QString GraphController::listUnit(int column) const
{
    const auto index = static_cast<size_t>(m_data.GraphIndex + column);
    return index < GraphData::ChannelCount ? m_data.UnitNames[index] : QString();
}
