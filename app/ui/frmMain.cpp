#include "frmMain.h"

#include "BrokerCommand.h"
#include "LocalSystemInfoRegistry.h"
#include "MainController.h"
#include "PortSelection.h"
#include "SaveCommand.h"
#include "SetSerPort.h"
#include "SystemInfoLauncher.h"
#include "WriteToFile.h"
#include "frmAbout.h"
#include "frmCalibration.h"
#include "frmDebug.h"
#include "frmGraph.h"
#include "frmInterval.h"
#include "frmLegend.h"
#include "frmMqtt.h"
#include "frmParameters.h"
#include "frmViewer.h"

#include "Clock.h"
#include <QAction>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Boxes of the small windows go through the same prompt as the logic's.
auto promptHook(UserPrompt &prompt)
{
    return [&prompt](QMessageBox::Icon icon, const QString &title, const QString &text) {
        UserPrompt::Icon shown = UserPrompt::Icon::None;
        if (icon == QMessageBox::Critical || icon == QMessageBox::Warning)
            shown = UserPrompt::Icon::Critical;
        else if (icon == QMessageBox::Information)
            shown = UserPrompt::Icon::Information;
        prompt.show({text, title, shown, UserPrompt::Buttons::Ok});
    };
}

QString backgroundStyle(const QColor &colour)
{
    return QStringLiteral("background-color: %1; color: black;").arg(colour.name());
}

} // namespace

frmMain::frmMain(MainController &controller, QWidget *parent)
    : QMainWindow(parent), m_controller(controller)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(Caption);

    buildMenus();
    buildToolbar();

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    auto *top = new QHBoxLayout;
    top->addWidget(buildCommandColumn());
    top->addWidget(buildReadingPanel(), 1);
    layout->addLayout(top);
    for (const QString &name : {QStringLiteral("lblListWarning"), QStringLiteral("lblSoundWarning"),
                                QStringLiteral("lblCalibrationWarning")}) {
        auto *warning = new QLabel(central);
        warning->setObjectName(name);
        warning->setWordWrap(true);
        warning->setStyleSheet(
            QStringLiteral("background-color: #fff3c4; color: #5c4400; padding: 4px;"));
        layout->addWidget(warning);
    }
    buildGrid();
    layout->addWidget(m_grid, 1);
    // The spacer button keeps a margin under the grid, as tall as itself and a half.
    auto *gape = new QPushButton(QStringLiteral("gape"), central);
    gape->setObjectName(QStringLiteral("btGape"));
    gape->hide();
    layout->addSpacing(gape->sizeHint().height() * 3 / 2);
    setCentralWidget(central);

    const std::function<QDateTime()> now = [&controller] {
        return controller.clock().now();
    };
    m_debug = new frmDebug(controller.trace(), controller.programFolder(), now, this);
    m_debug->setMessageHook(promptHook(controller.prompt()));
    m_calibration = new frmCalibration(this);
    m_calibration->setDueCheck(&controller.calibrationDue());
    m_parameters = new frmParameters(this);
    m_graph = new frmGraph(controller.graphCommand().graph(), this);

    m_broker = new BrokerCommand(controller, this);
    m_save = new SaveCommand(
        controller, [this] { return runSaveDialog(); }, this);
    connectCommands();
    applyAllStates();
    resize(1024, 700);
}

frmMain::~frmMain() = default;

frmViewer *frmMain::openSavedList(const QString &path)
{
    // A list opened twice comes to the front rather than into a second window.
    for (frmViewer *shown : findChildren<frmViewer *>(Qt::FindDirectChildrenOnly)) {
        if (shown->isVisible() && shown->viewer().path() == path) {
            shown->raise();
            shown->activateWindow();
            return shown;
        }
    }
    return frmViewer::open(path, {m_controller.settings(), m_controller.clock()}, this);
}

void frmMain::buildMenus()
{
    auto *dataMenu = menuBar()->addMenu(QStringLiteral("&Data"));
    dataMenu->setObjectName(QStringLiteral("mnData"));
    addAction(dataMenu, QStringLiteral("mnStart"), QStringLiteral("Start Online"));
    addAction(dataMenu, QStringLiteral("mnGetData"), QStringLiteral("Get Offline Data"));
    addAction(dataMenu, QStringLiteral("mnGetLegend"), QStringLiteral("Get Legend"));
    addAction(dataMenu, QStringLiteral("mnGetCalibration"), QStringLiteral("Get Calibration data"));
    auto *setting = menuBar()->addMenu(QStringLiteral("Setti&ng"));
    setting->setObjectName(QStringLiteral("mnSeting"));
    addAction(setting, QStringLiteral("mnOnline"), QStringLiteral("On Line Interval"));
    addAction(setting, QStringLiteral("mnSetCom"), QStringLiteral("Communication Port"));
    addAction(setting, QStringLiteral("mnSetThreshold"), QStringLiteral("Parameters"));
    addAction(setting, QStringLiteral("mnMqtt"), QStringLiteral("MQTT..."));
    auto *utility = menuBar()->addMenu(QStringLiteral("&Utility"));
    utility->setObjectName(QStringLiteral("mnUtility"));
    addAction(utility, QStringLiteral("mnWrFile"), QStringLiteral("Save"));
    addAction(utility, QStringLiteral("mnSendTime"), QStringLiteral("Send Time"));
    addAction(utility, QStringLiteral("mnGraph"), QStringLiteral("Graph"));
    addAction(utility, QStringLiteral("mnTest"), QStringLiteral("Test"));
    auto *help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnHelp"));
    addAction(help, QStringLiteral("mnAbout"), QStringLiteral("About"));
}

QAction *frmMain::addAction(QMenu *menu, const QString &name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(name);
    return action;
}

void frmMain::buildToolbar()
{
    m_toolbar = addToolBar(QString());
    m_toolbar->setObjectName(QStringLiteral("Toolbar1"));
    m_toolbar->setMovable(false);
    struct Button
    {
        const char *key;
        const char *toolTip;
        const char *themeIcon;
        QStyle::StandardPixmap fallback;
    };
    // Images from the desktop's icon theme, Qt's own where the theme has none.
    const Button buttons[] = {
        {"mnStart", "Start/Stop On line Collection", "media-playback-start", QStyle::SP_MediaPlay},
        {"mnMuteAlarm", "Mute Alarm", "audio-volume-muted", QStyle::SP_MediaVolumeMuted},
        {"mnGetData", "Get Offline data from instrument", "document-import", QStyle::SP_ArrowDown},
        {"mnGraph", "Display Graph", "utilities-system-monitor", QStyle::SP_FileDialogContentsView},
    };
    for (const Button &button : buttons) {
        const QString key = QLatin1String(button.key);
        QAction *action =
            m_toolbar->addAction(QIcon::fromTheme(QLatin1String(button.themeIcon),
                                                  style()->standardIcon(button.fallback)),
                                 QLatin1String(button.toolTip));
        action->setObjectName(QStringLiteral("Toolbar1:") + key);
        action->setData(key);
        action->setToolTip(QLatin1String(button.toolTip));
    }
    m_toolbar->actions().constFirst()->setCheckable(true);
}

QPushButton *frmMain::addButton(const QString &name, const QString &caption, const QString &toolTip)
{
    auto *button = new QPushButton(caption, this);
    button->setObjectName(name);
    button->setToolTip(toolTip);
    return button;
}

QWidget *frmMain::buildCommandColumn()
{
    auto *column = new QWidget(this);
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    auto *onLine = new QGroupBox(QStringLiteral("On Line"), column);
    onLine->setObjectName(QStringLiteral("fraOnLine"));
    auto *onLineLayout = new QHBoxLayout(onLine);
    onLineLayout->addWidget(addButton(QStringLiteral("btStart"), QStringLiteral("Start")));
    onLineLayout->addWidget(addButton(QStringLiteral("btOnLine"), QStringLiteral("Set &Interval"),
                                      QStringLiteral("Send time interval to get data online")));
    layout->addWidget(onLine);

    QPushButton *getData = addButton(QStringLiteral("btGetData"), QStringLiteral("&Get Data"),
                                     QStringLiteral("Retrieve data from instrument"));
    getData->setIcon(QIcon::fromTheme(QStringLiteral("document-import"),
                                      style()->standardIcon(QStyle::SP_ArrowDown)));
    layout->addWidget(getData);

    auto *list = new QGroupBox(QStringLiteral("List"), column);
    list->setObjectName(QStringLiteral("fraList"));
    auto *listLayout = new QHBoxLayout(list);
    listLayout->addWidget(addButton(QStringLiteral("btClearList"), QStringLiteral("&Clear "),
                                    QStringLiteral("Clear the list")));
    listLayout->addWidget(addButton(QStringLiteral("btWrFile"), QStringLiteral("&Save "),
                                    QStringLiteral("Write data from list to file ")));
    layout->addWidget(list);

    auto *settings = new QGroupBox(QStringLiteral("Settings"), column);
    settings->setObjectName(QStringLiteral("fraSettings"));
    auto *settingsLayout = new QHBoxLayout(settings);
    settingsLayout->addWidget(addButton(QStringLiteral("btTest"), QStringLiteral("&Test"),
                                        QStringLiteral("Test communication")));
    settingsLayout->addWidget(addButton(QStringLiteral("SetCom"), QStringLiteral("Set &Port"),
                                        QStringLiteral("Set communication port")));
    settingsLayout->addWidget(addButton(QStringLiteral("btSetTime"), QStringLiteral("Send Ti&me"),
                                        QStringLiteral("Download time to instrument")));
    layout->addWidget(settings);

    auto *more = new QGridLayout;
    more->addWidget(addButton(QStringLiteral("btGetCalib"), QStringLiteral("calibration info"),
                              QStringLiteral("Retrieve Calibration data")),
                    0, 0);
    more->addWidget(addButton(QStringLiteral("btGetLegend"), QStringLiteral("Get &Legend")), 0, 1);
    more->addWidget(addButton(QStringLiteral("btSetThreshold"), QStringLiteral("set Thresholds")),
                    1, 0);
    more->addWidget(addButton(QStringLiteral("btMuteAlarm"), QStringLiteral("Mute Alarm")), 1, 1);
    more->addWidget(addButton(QStringLiteral("btGraph"), QStringLiteral("Graph")), 2, 0);
    more->addWidget(addButton(QStringLiteral("btDebug"), QStringLiteral("Dbg")), 2, 1);
    more->addWidget(addButton(QStringLiteral("btExit"), QStringLiteral("&Exit"),
                              QStringLiteral("Exit from program")),
                    3, 0, 1, 2);
    layout->addLayout(more);
    layout->addStretch(1);
    return column;
}

QWidget *frmMain::buildReadingPanel()
{
    auto *panel = new QWidget(this);
    auto *layout = new QGridLayout(panel);

    m_value = new QLabel(panel);
    m_value->setObjectName(QStringLiteral("lblValue"));
    m_value->setAlignment(Qt::AlignCenter);
    m_value->setMinimumHeight(fontMetrics().height() * 4);
    QFont big = m_value->font();
    big.setPointSizeF(big.pointSizeF() * 3.2);
    big.setBold(true);
    m_value->setFont(big);
    m_value->setToolTip(tr("Latest reading; click to mute the alarm"));
    // Until the first reading the display says so, on a neutral ground.
    m_value->setText(QStringLiteral("\u2014"));
    m_value->setStyleSheet(QStringLiteral(
        "background-color: #e4e4e4; color: #555; border-radius: 8px; padding: 6px;"));
    m_value->setCursor(Qt::PointingHandCursor);
    m_value->installEventFilter(this);
    layout->addWidget(m_value, 0, 0, 1, 4);

    auto *lamp = new QFrame(panel);
    lamp->setObjectName(QStringLiteral("spOk"));
    const int lampSize = fontMetrics().height() * 2;
    lamp->setFixedSize(lampSize, lampSize);
    lamp->setToolTip(tr("Link to the instrument"));
    layout->addWidget(lamp, 0, 4, Qt::AlignTop);

    auto *time = new QLabel(panel);
    time->setObjectName(QStringLiteral("lblTime"));
    QFont timeFont = time->font();
    timeFont.setPointSizeF(timeFont.pointSizeF() * 1.4);
    time->setFont(timeFont);
    time->setAlignment(Qt::AlignCenter);
    time->setText(tr("No reading yet"));
    layout->addWidget(time, 1, 0, 1, 4);

    // The link line of the broker, shown while publishing is on.
    auto *broker = new QLabel(panel);
    broker->setObjectName(BrokerCommand::LinkLine);
    broker->setAlignment(Qt::AlignCenter);
    layout->addWidget(broker, 6, 0, 1, 5);

    const std::pair<const char *, const char *> fields[] = {{"edCount", "Records:"},
                                                            {"edId", "Instrument No.:"},
                                                            {"edStatus", "Status:"},
                                                            {"edDetector", "Detector:"}};
    int row = 2;
    int column = 0;
    for (const auto &[name, caption] : fields) {
        auto *label = new QLabel(QLatin1String(caption), panel);
        auto *edit = new QLineEdit(panel);
        edit->setObjectName(QLatin1String(name));
        edit->setReadOnly(true);
        label->setBuddy(edit);
        layout->addWidget(label, row, column);
        layout->addWidget(edit, row, column + 1);
        column += 2;
        if (column == 4) {
            column = 0;
            ++row;
        }
    }
    auto *progress = new QLineEdit(panel);
    progress->setObjectName(QStringLiteral("edProgress"));
    progress->setReadOnly(true);
    progress->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("MMM")));
    layout->addWidget(progress, 2, 4);
    layout->setColumnStretch(1, 1);
    layout->setColumnStretch(3, 1);
    return panel;
}

void frmMain::buildGrid()
{
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("Grid1"));
    m_grid->setModel(&m_controller.grid());
    m_grid->verticalHeader()->setVisible(false);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setWordWrap(false);
    // Padded cells end in blanks: clip them rather than elide the text.
    m_grid->setTextElideMode(Qt::ElideNone);
    m_grid->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    // Twips to pixels, widened where the screen font is wider than the
    // 8-point font the widths were laid out for, so the texts still fit.
    const double fontScale = std::max(1.0, fontMetrics().averageCharWidth() / 5.5);
    const double pixelsPerTwip = logicalDpiX() / 1440.0 * fontScale;
    for (int column = 0; column < RecordGridModel::ColumnCount; ++column) {
        m_grid->setColumnWidth(
            column,
            static_cast<int>(RecordGridModel::columnWidthTwips(column) * pixelsPerTwip + 0.5));
    }
    // The mark column is one twip wide: held in the grid, not seen.
    m_grid->setColumnHidden(RecordGridModel::OverColumn, true);
    m_grid->horizontalHeader()->setStretchLastSection(true);
}

void frmMain::connectCommands()
{
    MainController &c = m_controller;
    const auto onClick = [this](const QString &name, auto handler) {
        connect(findChild<QPushButton *>(name), &QPushButton::clicked, this, handler);
    };
    const auto onMenu = [this](const QString &name, auto handler) {
        connect(findChild<QAction *>(name), &QAction::triggered, this, handler);
    };
    const auto both = [&](const QString &button, const QString &menu, auto handler) {
        onClick(button, handler);
        onMenu(menu, handler);
    };
    both(QStringLiteral("btStart"), QStringLiteral("mnStart"), [&c] { c.btStart(); });
    both(QStringLiteral("btGetData"), QStringLiteral("mnGetData"), [&c] { c.btGetData(); });
    both(QStringLiteral("btGetLegend"), QStringLiteral("mnGetLegend"),
         [this] { showLegendDialog(); });
    both(QStringLiteral("btGetCalib"), QStringLiteral("mnGetCalibration"),
         [&c] { c.btGetCalib(); });
    both(QStringLiteral("btOnLine"), QStringLiteral("mnOnline"), [this] { showIntervalDialog(); });
    both(QStringLiteral("SetCom"), QStringLiteral("mnSetCom"), [this] { showPortDialog(); });
    both(QStringLiteral("btSetThreshold"), QStringLiteral("mnSetThreshold"),
         [this] { showParametersDialog(); });
    both(QStringLiteral("btSetTime"), QStringLiteral("mnSendTime"), [&c] { c.btSetTime(); });
    both(QStringLiteral("btTest"), QStringLiteral("mnTest"), [&c] { c.btTest(); });
    both(QStringLiteral("btWrFile"), QStringLiteral("mnWrFile"), [this] { m_save->btWrFile(); });
    both(QStringLiteral("btGraph"), QStringLiteral("mnGraph"),
         [&c] { c.graphCommand().btGraph(); });
    onClick(QStringLiteral("btClearList"), [&c] { c.btClearList(); });
    onClick(QStringLiteral("btMuteAlarm"), [&c] { c.btMuteAlarm(); });
    onClick(QStringLiteral("btDebug"), [this] { showDebugWindow(); });
    onClick(QStringLiteral("btExit"), [this] { close(); });
    onMenu(QStringLiteral("mnAbout"), [this] { showAboutBox(); });
    onMenu(QStringLiteral("mnMqtt"), [this] { showMqttDialog(); });

    connect(m_toolbar, &QToolBar::actionTriggered, this, [this, &c](QAction *action) {
        const QString key = action->data().toString();
        if (key == QStringLiteral("mnStart"))
            c.btStart();
        else if (key == QStringLiteral("mnMuteAlarm"))
            c.btMuteAlarm();
        else if (key == QStringLiteral("mnGetData"))
            c.btGetData();
        else if (key == QStringLiteral("mnGraph"))
            c.graphCommand().btGraph();
        // The pressed state is the logic's, whatever the click did to it.
        applyState(action->objectName());
    });

    connect(&c.controls(), &ControlStates::changed, this, &frmMain::applyState);
    connect(&c, &MainController::calibrationArrived, m_calibration, &frmCalibration::PutCalibData);
    connect(&c.graphCommand(), &GraphCommand::showRequested, this,
            [this](bool arrange) { m_graph->showBeside(this, arrange); });
    connect(&c.graphCommand(), &GraphCommand::hideRequested, m_graph, &QWidget::hide);
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_value && event->type() == QEvent::MouseButtonRelease)
        m_controller.btMuteAlarm();
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::applyAllStates()
{
    for (const QString &name : m_controller.controls().names())
        applyState(name);
}

void frmMain::applyState(const QString &name)
{
    const ControlStates::State state = m_controller.controls().state(name);
    for (QAction *action : findChildren<QAction *>(name)) {
        action->setEnabled(state.enabled);
        action->setVisible(state.visible);
        if (action->isCheckable())
            action->setChecked(state.checked);
        if (!state.text.isNull())
            action->setText(state.text);
    }
    for (QWidget *widget : findChildren<QWidget *>(name)) {
        widget->setEnabled(state.enabled);
        widget->setVisible(state.visible);
        if (!state.text.isNull()) {
            if (auto *button = qobject_cast<QAbstractButton *>(widget))
                button->setText(state.text);
            else if (auto *label = qobject_cast<QLabel *>(widget))
                label->setText(state.text);
            else if (auto *edit = qobject_cast<QLineEdit *>(widget))
                edit->setText(state.text);
        }
        if (state.colour.isValid()) {
            QString style = backgroundStyle(state.colour);
            if (name == QStringLiteral("spOk"))
                style += QStringLiteral("border: 1px solid #555; border-radius: %1px;")
                             .arg(widget->width() / 2);
            else if (name == QStringLiteral("lblValue"))
                style += QStringLiteral("border-radius: 8px; padding: 6px;");
            widget->setStyleSheet(style);
        }
    }
}

void frmMain::closeEvent(QCloseEvent *event)
{
    m_controller.exitProgram();
    event->accept();
}

void frmMain::showIntervalDialog()
{
    frmInterval dialog(m_controller.interval(), this);
    dialog.exec();
    m_controller.intervalConfirmed();
}

void frmMain::showParametersDialog()
{
    const AlarmMonitor &alarms = m_controller.alarms();
    m_parameters->Threshold1 = alarms.Threshold1;
    m_parameters->Threshold2 = alarms.Threshold2;
    m_parameters->AudioAlarm = alarms.AudioAlarm;
    m_parameters->LostContactInterval = alarms.LostContactInterval;
    m_parameters->AutoArrange = m_controller.AutoArrange;
    m_parameters->exec();
    if (m_parameters->RetCode == 1) {
        m_controller.applyParameters(m_parameters->Threshold1, m_parameters->Threshold2,
                                     m_parameters->AudioAlarm, m_parameters->LostContactInterval,
                                     m_parameters->AutoArrange);
    }
}

void frmMain::showPortDialog()
{
    PortSelection selection(m_controller, m_controller.portDevices(), m_controller.settings());
    SetSerPort dialog(selection, this);
    dialog.setMessageHook(promptHook(m_controller.prompt()));
    SerialTransport &transport = m_controller.transport();
    dialog.setOwnDevice(transport.isOpen() ? transport.devicePath() : QString(),
                        m_controller.link().Connected);
    dialog.exec();
}

void frmMain::showMqttDialog()
{
    frmMqtt dialog(*m_broker, this);
    dialog.exec();
}

void frmMain::showLegendDialog()
{
    frmLegend dialog(m_controller.legend(), this);
    dialog.exec();
}

int frmMain::runSaveDialog()
{
    WriteToFile dialog({m_controller.settings(), m_controller.prompt(), *m_opener,
                        m_controller.listFile(), m_controller.legend(),
                        m_controller.programFolder(), &m_controller.clock()},
                       this);
    dialog.exec();
    return dialog.ReturnCode();
}

void frmMain::showDebugWindow()
{
    m_debug->show();
    m_debug->raise();
    m_debug->activateWindow();
}

void frmMain::showAboutBox()
{
    const LocalSystemInfoRegistry registry;
    const SystemInfoLauncher launcher(registry);
    frmAbout about(launcher, m_controller.programFolder(), this);
    about.setDescription(QString());
    about.setMessageHook(promptHook(m_controller.prompt()));
    about.exec();
}
