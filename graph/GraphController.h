#pragma once

#include "GraphData.h"

#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class GraphHost;

// The graph window's logic without a widget: the data it shows, the cursor
// and its readout, the range drag, the scale choice, the online switches of
// the graph and of its options window, and the rows of the data window. The
// windows draw what this holds and forward the user's actions here.
class GraphController : public QObject
{
    Q_OBJECT

public:
    static constexpr int ScalingAuto = 0;
    static constexpr int ScalingManual = 1;

    struct Readout
    {
        QString time;  // edShowTime
        QString data;  // edShowData
        QString data1; // edShowData1
        QString flow;  // edShowFlow
        bool secondChannel = false;
    };

    struct ListRow
    {
        QString time;
        QString value1;
        QString value2;
    };

    explicit GraphController(GraphHost &host, QObject *parent = nullptr);

    GraphData &data() { return m_data; }
    const GraphData &data() const { return m_data; }

    // The hand-off from the main window; see GraphData::PutData.
    template<std::size_t Channels>
    bool PutData(std::span<const QString> pointName, int numPnt,
                 std::span<const std::array<double, Channels>> values,
                 std::span<const QString> units, std::span<const double> times, int graphIndex,
                 int numOfar)
    {
        if (!m_data.PutData(pointName, numPnt, values, units, times, graphIndex, numOfar))
            return false;
        emit redrawRequested();
        return true;
    }

    bool ShowEditButton = false;
    qint16 AutoArrange = 0;
    // The graph of a saved file: nothing new arrives, so it is never online
    // and offers neither Online nor Refresh.
    bool ofSavedFile = false;
    // Said in the title after the point's name, empty for none.
    QString titleNote;

    // Whether the graph window is on screen; the window keeps this current.
    bool isShown() const { return m_shown; }
    void setShown(bool shown) { m_shown = shown; }

    QString title() const;
    // The window has drawn the curves: hands the totals to the main window.
    void drawingFinished();

    // The window came to the front.
    void activated();

    // Mouse and keys on the plot, x in relative days.
    void pressAt(double x);
    // The drag lost the mouse (a box opened, the window went away): it ends
    // without a zoom, and new data is taken again.
    void dragInterrupted();
    void moveTo(double x);
    void releaseAt(double x);
    // Left and Right arrows step the cursor; `fast` (Shift, Ctrl or Alt) by 10.
    void stepCursor(int direction, bool fast);

    void btAll();
    void btTogle();
    void btRefreash();
    // The graph's scale menu: 0 "Auto", 2 "0-10", 3 "0-100", 4 "0-1000".
    void SetScaling(int k);
    // The options window's choice 0..4: the menu checks stay as they are.
    void chooseScale(int k);
    bool menuChecked(int k) const { return m_checkedScale == k; }

    // The graph's Online button and menu item.
    void onlineSwitch();
    void setOnline(bool online);
    // The options window's gate and its Online button.
    void setDataHandleOnline(bool online);
    void dataHandleOnlineClicked();
    bool bOnline() const { return m_bOnline; }
    bool GraphOnline() const { return m_graphOnline; }
    const QString &onlineButtonCaption() const { return m_buttonCaption; }
    const QString &onlineMenuCaption() const { return m_menuCaption; }
    QString dataHandleCaption() const;

    int CurPoint = -1;
    // The point that carries the cursor marker, none after a redraw.
    std::optional<int> markerPoint() const { return m_marker; }
    // The rubber band's ends in relative days while a range is dragged.
    std::optional<std::pair<double, double>> rubberBand() const;
    const Readout &readout() const { return m_readout; }

    // The data window: newest point first, one more point than the curve.
    QList<ListRow> listRows() const;
    QString listCaption() const;
    QString listUnit(int column) const;

signals:
    void redrawRequested();
    void overlayChanged();
    void readoutChanged();
    void onlineChanged();
    void scaleMenuChanged();
    // All, Togle and a successful zoom rebuild a visible data window.
    void listRebuildRequested();

private:
    void ShowPoint();
    void redraw();
    void showOnlineCaptions(bool online);

    GraphHost &m_host;
    GraphData m_data;
    bool m_shown = false;
    bool m_graphOnline = false;
    bool m_bOnline = false;
    QString m_buttonCaption = QStringLiteral("OnLine");
    QString m_menuCaption = QStringLiteral("Online");
    int m_checkedScale = ScalingAuto;
    std::optional<int> m_marker;
    Readout m_readout;
};
