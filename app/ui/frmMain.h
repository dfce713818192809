#pragma once

#include "DesktopServicesOpener.h"

#include <QMainWindow>

class BrokerCommand;
class DesktopOpener;
class MainController;
class SaveCommand;
class QAction;
class QLabel;
class QPushButton;
class QTableView;
class QToolBar;
class frmCalibration;
class frmDebug;
class frmGraph;
class frmParameters;
class frmViewer;

// The main window: the meter's latest reading in large type, the link lamp,
// the commands and the grid of readings. It shows what the controller's
// ControlStates hold and forwards every command to the controller; dialogs
// are run here and their results handed back.
class frmMain : public QMainWindow
{
    Q_OBJECT

public:
    static inline const QString Caption = QStringLiteral("TESK - Corvel Meter View");

    explicit frmMain(MainController &controller, QWidget *parent = nullptr);
    ~frmMain() override;

    frmDebug &debugWindow() { return *m_debug; }
    frmCalibration &calibrationWindow() { return *m_calibration; }
    SaveCommand &saveCommand() { return *m_save; }
    BrokerCommand &brokerCommand() { return *m_broker; }
    // Where saved workbooks are opened; the desktop's own by default.
    void setDesktopOpener(DesktopOpener &opener) { m_opener = &opener; }
    frmGraph &graphWindow() { return *m_graph; }
    // Shows a saved list in a window of its own, or brings the window that
    // shows it already to the front; nothing when the list is refused.
    frmViewer *openSavedList(const QString &path);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenus();
    void buildToolbar();
    QWidget *buildCommandColumn();
    QWidget *buildReadingPanel();
    void buildGrid();
    void connectCommands();
    void applyState(const QString &name);
    void applyAllStates();

    void showIntervalDialog();
    void showParametersDialog();
    void showPortDialog();
    void showMqttDialog();
    void showLegendDialog();
    int runSaveDialog();
    void showDebugWindow();
    void showAboutBox();

    QPushButton *addButton(const QString &name, const QString &caption,
                           const QString &toolTip = {});
    QAction *addAction(QMenu *menu, const QString &name, const QString &caption);

    MainController &m_controller;
    frmDebug *m_debug = nullptr;
    frmCalibration *m_calibration = nullptr;
    frmParameters *m_parameters = nullptr;
    SaveCommand *m_save = nullptr;
    BrokerCommand *m_broker = nullptr;
    DesktopServicesOpener m_desktopOpener;
    DesktopOpener *m_opener = &m_desktopOpener;
    frmGraph *m_graph = nullptr;
    QToolBar *m_toolbar = nullptr;
    QLabel *m_value = nullptr;
    QTableView *m_grid = nullptr;
};
