#pragma once

#include "GraphLabels.h"

#include <QList>
#include <QMainWindow>
#include <QSize>

class DataGraph;
class FrmDataHandle;
class GraphController;
class GraphPlot;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The graph window: commands on top, the readout row, then the plot with
// its value labels on both sides and the time labels below. It shows what
// GraphController holds and forwards the user's actions to it. It owns the
// data window and the options window.
class frmGraph : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmGraph(GraphController &controller, QWidget *owner = nullptr);
    ~frmGraph() override;

    // Shows the window modeless over `mainWindow`; with `arrange` the main
    // window takes the upper half of the screen and the graph the lower one.
    void showBeside(QWidget *mainWindow, bool arrange);

    GraphPlot &plot() { return *m_plot; }
    DataGraph &dataWindow() { return *m_data; }
    FrmDataHandle &optionsWindow() { return *m_options; }

protected:
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenus();
    QWidget *buildCommandRow();
    QWidget *buildReadoutRow();
    QWidget *buildPlotArea();
    void connectCommands();

    void layoutPlot();
    // Widens or narrows the value label columns to their captions; true when changed.
    bool fitLabelColumns(const QStringList &left, const QStringList &right);
    void showDrawing();
    void showReadout();
    void showOnline();
    // Online and Refresh have no meaning for a saved file's graph.
    void showCommands();
    void showScaleMenu();
    void showList();
    void setAlwaysOnTop(bool on);
    // "Save Picture...": PNG, SVG or PDF by the extension; "Print...".
    void savePicture();
    void printPicture();

    GraphController &m_controller;
    GraphPlot *m_plot = nullptr;
    QWidget *m_area = nullptr;
    QList<QLabel *> m_lblY;
    QList<QLabel *> m_lblY1;
    QList<QLabel *> m_lblX;
    QLabel *m_units = nullptr;
    QLabel *m_units1 = nullptr;
    QLineEdit *m_showTime = nullptr;
    QLineEdit *m_showData = nullptr;
    QLineEdit *m_showData1 = nullptr;
    QLineEdit *m_showFlow = nullptr;
    QCheckBox *m_sign = nullptr;
    QPushButton *m_online = nullptr;
    QPushButton *m_refresh = nullptr;
    QAction *m_onlineMenu = nullptr;
    QAction *m_editMenu = nullptr;
    QAction *m_parametersMenu = nullptr;
    QList<QAction *> m_scaleActions;
    DataGraph *m_data = nullptr;
    FrmDataHandle *m_options = nullptr;
    GraphLabels::Layout m_layout;
    std::pair<int, int> m_narrowest; // the least widths of the left and right value labels
    static constexpr int LabelPad = 6;
    static constexpr QSize MinimumPicture{800, 500}; // pixels of a saved PNG or SVG at least
};
