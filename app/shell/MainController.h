#pragma once

#include "AlarmMonitor.h"
#include "CalibrationDue.h"
#include "ControlStates.h"
#include "DownloadFaults.h"
#include "GraphCommand.h"
#include "InstrumentLink.h"
#include "LinkListener.h"
#include "MeasurementRecord.h"
#include "OnlineInterval.h"
#include "PortDevices.h"
#include "PortOpener.h"
#include "RecordGridModel.h"
#include "SerialTransport.h"
#include "SurveyLegend.h"
#include "TraceLog.h"
#include "UserPrompt.h"
#include "WorkingListFile.h"

#include <QObject>
#include <QStringList>

#include <deque>
#include <optional>

class Clock;
class ProfileFile;
class SoundPlayer;
struct CalibrationRecord;

// The main window's logic and shared state, without a widget: start-up, the
// link to the meter, online collection and download, the readings' way into
// the grid and the working list file, the alarms and the enabled state of
// every command. The window shows what ControlStates holds and forwards the
// user's commands here.
class MainController : public QObject, public LinkListener, public PortOpener
{
    Q_OBJECT

public:
    struct Services
    {
        const ProfileFile &settings;
        const Clock &clock;
        UserPrompt &prompt;
        SoundPlayer *player; // owned from now on
        QString programFolder;
    };

    static inline const QString CommunicationErrorTitle = QStringLiteral("Error in Communication");
    static inline const QString SpinnerChars = QStringLiteral("|/-\\");

    explicit MainController(const Services &services, QObject *parent = nullptr);
    ~MainController() override;

    // Runs once, before the window is shown. The arguments are the words of
    // the command line after the program's name.
    void startUp(const QStringList &arguments);

    // The user's commands.
    void btStart();
    void btGetData();
    void btTest();
    void btGetCalib();
    void btSetTime();
    void btClearList();
    void btMuteAlarm();
    void intervalConfirmed();
    void applyParameters(double threshold1, double threshold2, qint16 audioAlarm,
                         double lostContactInterval, qint16 autoArrange);
    void exitProgram();

    void StopOnline();
    void SendStart();
    void setControls();

    // PortOpener: the port dialog reopens the line through this.
    QString reopenPort(int port, const QString &devicePath) override;

    ControlStates &controls() { return m_controls; }
    RecordGridModel &grid() { return m_grid; }
    WorkingListFile &listFile() { return m_list; }
    TraceLog &trace() { return m_trace; }
    InstrumentLink &link() { return m_link; }
    AlarmMonitor &alarms() { return m_alarms; }
    SurveyLegend &legend() { return m_legend; }
    GraphCommand &graphCommand() { return m_graphCommand; }
    PortDevices &portDevices() { return m_devices; }
    OnlineInterval &interval();
    const QString &programFolder() const { return m_programFolder; }
    SerialTransport &transport() { return m_transport; }
    const ProfileFile &settings() const { return m_settings; }
    UserPrompt &prompt() { return m_prompt; }
    const Clock &clock() const { return m_clock; }
    const CalibrationDue &calibrationDue() const { return m_calibrationDue; }

    QString strDataFileName;
    qint16 OnlineStopped = 0;
    qint16 AutoArrange = 0;

signals:
    void calibrationArrived(const CalibrationRecord &record);
    // An online reading is in the list file (and about to be shown).
    void onlineReadingStored(const MeasurementRecord &record, const QDateTime &taken);
    void onlineCollectionStopped();

private:
    // LinkListener
    void linkWentUp() override;
    void linkWentLost() override;
    void testAnswered() override;
    void measurementReceived(const QByteArray &message) override;
    void calibrationReceived(const CalibrationRecord &record) override;
    void notResponding() override;
    void downloadStopped() override;
    void downloadReplyFailed(bool missing) override;
    void repollDue() override;
    void unexpectedFailure(const UnexpectedFailure &failure) override;

    void PutDataInList(const QByteArray &message);
    void endOfData();
    void downloadNotStored();
    // Asks whether to append to an existing list; false when the user cancelled.
    bool openListForCollection(const QString &title, UserPrompt::Buttons buttons);
    void startNewList();
    void readSettings();
    void openPortAtStartUp();
    // Says once, in the trace and a message, that the start-up load skipped
    // lines or refused a working list that is no regular file.
    void tellListLoad();
    void portLost(const QString &reason);
    void setEnabled(const QStringList &names, bool enabled);
    void showListProblem(const QString &reason);
    void showSoundProblem(const QString &reason);

    // Messages raised inside the receive and timer handlers are shown after
    // those handlers have returned, one at a time, so no reading is handled
    // while a box waits inside a handler.
    void notify(const UserPrompt::Message &message);
    void showNotices();

    const ProfileFile &m_settings;
    const Clock &m_clock;
    UserPrompt &m_prompt;
    QString m_programFolder;

    ControlStates m_controls;
    TraceLog m_trace;
    InstrumentLink m_link;
    SerialTransport m_transport;
    PortDevices m_devices;
    RecordGridModel m_grid;
    WorkingListFile m_list;
    AlarmMonitor m_alarms;
    SurveyLegend m_legend;
    CalibrationDue m_calibrationDue;
    std::optional<OnlineInterval> m_interval;
    GraphCommand m_graphCommand{*this};

    qsizetype m_spinnerStep = 0;
    int m_downloadedRecords = 0;     // stored by the running download
    DownloadFaults m_downloadFaults; // of the running or last download
    bool m_dropLateRecord = false;
    QString m_lostDevice;
    qint16 m_lostPort = 0;

    std::deque<UserPrompt::Message> m_notices;
    bool m_noticesPosted = false;
    bool m_showingNotices = false;
};
