#include "MainController.h"

#include "CalibrationRecord.h"
#include "Clock.h"
#include "CommandFrame.h"
#include "MeasurementDecoder.h"
#include "NumberText.h"
#include "ProfileFile.h"
#include "RecordLine.h"
#include "SavedList.h"
#include "SoundPlayer.h"
#include "TeskCommonPart.h"
#include "TraceText.h"

#include <QFileInfo>
#include <QMetaObject>

#include <algorithm>

namespace {

const QColor LampUp(128, 255, 128);
const QColor LampLost(255, 128, 128);
const QColor StartColour(255, 128, 0);
const QColor StopColour(0, 255, 0);

const QString AppendQuestion =
    QStringLiteral("Do you want to append data to the existing list ? \n\n");

UserPrompt::Message critical(const QString &text)
{
    return {text, MainController::CommunicationErrorTitle, UserPrompt::Icon::Critical,
            UserPrompt::Buttons::Ok};
}

} // namespace

MainController::MainController(const Services &services, QObject *parent)
    : QObject(parent)
    , m_settings(services.settings)
    , m_clock(services.clock)
    , m_prompt(services.prompt)
    , m_programFolder(services.programFolder)
    , m_link(m_trace, *this)
    , m_devices(services.settings)
    , m_list(services.programFolder + QStringLiteral("/TeskTemp.lst"))
    , m_alarms(services.player, services.programFolder + QStringLiteral("/Notify.wav"))
    , m_legend(services.settings, [this] { return m_clock.now().date(); })
    , m_calibrationDue(services.settings, services.clock)
{
    connect(&m_link, &InstrumentLink::writeRequested, &m_transport, &SerialTransport::write);
    connect(&m_link, &InstrumentLink::discardInputRequested, &m_transport,
            &SerialTransport::discardInput);
    connect(&m_transport, &SerialTransport::bytesReceived, &m_link, &InstrumentLink::processInput);
    connect(&m_transport, &SerialTransport::lost, this, &MainController::portLost);
    connect(&m_transport, &SerialTransport::opened, &m_trace, &TraceLog::addLine);
    connect(&m_alarms, &AlarmMonitor::valueColourChanged, this, [this](const QColor &colour) {
        m_controls.setColour(QStringLiteral("lblValue"), colour);
    });
    connect(&m_alarms, &AlarmMonitor::soundUnavailable, this, &MainController::showSoundProblem);
    connect(&m_list, &WorkingListFile::writeFailed, this, &MainController::showListProblem);
    connect(&m_list, &WorkingListFile::writeRecovered, this,
            [this] { m_controls.setVisible(QStringLiteral("lblListWarning"), false); });

    // Commands that need a port or a live link start disabled.
    setEnabled({QStringLiteral("btTest"), QStringLiteral("mnTest"), QStringLiteral("btSetTime")},
               false);
    m_controls.setVisible(QStringLiteral("btDebug"), false);
    m_controls.setVisible(QStringLiteral("lblListWarning"), false);
    m_controls.setVisible(QStringLiteral("lblSoundWarning"), false);
    m_controls.setVisible(QStringLiteral("lblCalibrationWarning"), false);
}

MainController::~MainController()
{
    m_transport.close();
}

OnlineInterval &MainController::interval()
{
    // Loaded from the settings on first use, then kept for the whole run.
    if (!m_interval)
        m_interval.emplace(m_settings);
    return *m_interval;
}

void MainController::startUp(const QStringList &arguments)
{
    strDataFileName = m_list.path();
    if (arguments.join(QChar(u' ')).contains(QStringLiteral("dbg")))
        m_controls.setVisible(QStringLiteral("btDebug"), true);
    m_link.TestPending = false;
    m_link.Connected = false;
    m_link.Downloading = false;
    m_link.TotalErrors = 0;
    m_alarms.LostTicks = 0;

    qint16 port = 0;
    if (!m_settings.readInt16(QStringLiteral("CommPort"), QStringLiteral("2"), 10, port)) {
        notify(critical(QStringLiteral("Port not opened, Use Set Port ")));
    } else {
        TeskCommonPart::CommPortNumber = port;
        readSettings();
        openPortAtStartUp();
    }
    m_alarms.setLostContactTimerEnabled(false);
    m_link.LinkLost();
    m_list.ReadDb();
    tellListLoad();
    m_controls.setText(QStringLiteral("edCount"), QString::number(m_list.TotalRecords()));
    setControls();
}

void MainController::tellListLoad()
{
    QString text;
    if (!m_list.refusal().isEmpty())
        text = tr("The working list was not loaded: %1").arg(m_list.refusal());
    else if (m_list.skippedLines() > 0)
        text = SavedList::skippedText(m_list.path(), m_list.skippedLines(),
                                      m_list.firstSkippedLine()) +
               u' ' + tr("The readings before and after it are loaded.");
    if (text.isEmpty())
        return;
    m_trace.addLine(text);
    notify({text, {}, UserPrompt::Icon::Exclamation, UserPrompt::Buttons::Ok});
}

void MainController::readSettings()
{
    m_settings.readNumber(QStringLiteral("Threshold1"), QStringLiteral("0.2"), 10,
                          m_alarms.Threshold1);
    m_settings.readNumber(QStringLiteral("Threshold2"), QStringLiteral("5"), 10,
                          m_alarms.Threshold2);
    m_settings.readInt16(QStringLiteral("AudioAlarm"), QStringLiteral("1"), 2, m_alarms.AudioAlarm);
    m_settings.readInt16(QStringLiteral("LostContactInterval"), QStringLiteral("5"), 10,
                         m_alarms.LostContactInterval);
    m_settings.readInt16(QStringLiteral("strAutoarrange"), QStringLiteral("1"), 2, AutoArrange);
}

void MainController::openPortAtStartUp()
{
    const qint16 port = TeskCommonPart::CommPortNumber;
    const QString cause = m_transport.open(m_devices.devicePath(port));
    if (!cause.isEmpty()) {
        notify(critical(QStringLiteral("Error in Opening Comm. port, Use Set Port \n") + cause));
        TeskCommonPart::PortInUse = 0;
        return;
    }
    TeskCommonPart::PortInUse = port;
    m_link.setPortOpen(true);
    setEnabled({QStringLiteral("btTest"), QStringLiteral("mnTest")}, true);
    m_link.Test();
}

QString MainController::reopenPort(int port, const QString &devicePath)
{
    m_link.setPortOpen(false);
    m_lostDevice.clear();
    const QString cause = m_transport.open(devicePath);
    if (!cause.isEmpty())
        return cause;
    m_link.setPortOpen(true);
    // Test becomes usable once a port is open, whenever that happens.
    setEnabled({QStringLiteral("btTest"), QStringLiteral("mnTest")}, true);
    Q_UNUSED(port)
    return {};
}

void MainController::portLost(const QString &reason)
{
    m_lostDevice = m_transport.devicePath();
    m_lostPort = TeskCommonPart::PortInUse;
    TeskCommonPart::PortInUse = 0;
    m_link.setPortOpen(false);
    m_link.Timer2.stop();
    m_trace.addLine(reason);
    if (m_link.Connected)
        notResponding();
    m_link.LinkLost();
}

void MainController::repollDue()
{
    // A device that went away (a USB adapter pulled out) is opened again as
    // soon as it is back, so the next test can bring the link up.
    if (m_transport.isOpen() || m_lostDevice.isEmpty() || !QFileInfo::exists(m_lostDevice))
        return;
    if (!m_transport.open(m_lostDevice).isEmpty())
        return;
    TeskCommonPart::PortInUse = m_lostPort;
    m_link.setPortOpen(true);
    m_lostDevice.clear();
}

void MainController::linkWentUp()
{
    m_controls.setColour(QStringLiteral("spOk"), LampUp);
    setEnabled({QStringLiteral("btOnLine"), QStringLiteral("btGetCalib"),
                QStringLiteral("btSetTime"), QStringLiteral("mnGetData"),
                QStringLiteral("mnGetCalibration"), QStringLiteral("mnOnline"),
                QStringLiteral("mnStart"), QStringLiteral("Toolbar1:mnStart"),
                QStringLiteral("Toolbar1:mnGetData")},
               true);
    if (interval().isNonZero())
        setEnabled({QStringLiteral("btStart"), QStringLiteral("mnStart"),
                    QStringLiteral("Toolbar1:mnStart")},
                   true);
    if (OnlineStopped == 0)
        setEnabled({QStringLiteral("btGetData"), QStringLiteral("mnGetData"),
                    QStringLiteral("Toolbar1:mnGetData")},
                   true);
}

void MainController::linkWentLost()
{
    m_controls.setColour(QStringLiteral("spOk"), LampLost);
    setEnabled({QStringLiteral("btGetData"), QStringLiteral("btGetCalib"),
                QStringLiteral("btOnLine"), QStringLiteral("btStart"), QStringLiteral("mnGetData"),
                QStringLiteral("mnGetCalibration"), QStringLiteral("mnOnline"),
                QStringLiteral("mnStart"), QStringLiteral("Toolbar1:mnStart"),
                QStringLiteral("Toolbar1:mnGetData")},
               false);
    OnlineStopped = 0;
}

void MainController::testAnswered()
{
    StopOnline();
}

void MainController::measurementReceived(const QByteArray &message)
{
    PutDataInList(message);
}

void MainController::calibrationReceived(const CalibrationRecord &record)
{
    m_calibrationDue.remember(record);
    emit calibrationArrived(record);
}

void MainController::notResponding()
{
    notify(critical(
        QStringLiteral("Instrument not responding\nCheck cable and device and try again.")));
}

void MainController::downloadStopped()
{
    notify(critical(tr("The download stopped: the instrument sent %1 bad replies in a row.\n"
                       "%2 records arrived and are kept in the list. Use Get Data to try again.")
                        .arg(m_link.ErrCount)
                        .arg(m_downloadedRecords)));
}

void MainController::downloadReplyFailed(bool missing)
{
    m_trace.addLine(m_downloadFaults.note(missing, m_downloadedRecords));
}

void MainController::unexpectedFailure(const UnexpectedFailure &failure)
{
    notify({failure.text(), failure.title, UserPrompt::Icon::Critical, UserPrompt::Buttons::Ok});
}

void MainController::btStart()
{
    if (OnlineStopped == 1) {
        // A question answered with Cancel, or dismissed, cancels the command.
        if (!openListForCollection(QStringLiteral("start"), UserPrompt::Buttons::YesNo))
            return;
        m_alarms.setLostContactTimerEnabled(true);
        m_dropLateRecord = false;
        OnlineStopped = 0;
        SendStart();
        m_link.Downloading = false;
        m_link.TestPending = false;
        m_controls.setColour(QStringLiteral("btStart"), StopColour);
        m_controls.setText(QStringLiteral("btStart"), QStringLiteral("Stop"));
        m_controls.setChecked(QStringLiteral("Toolbar1:mnStart"), true);
        m_controls.setEnabled(QStringLiteral("btGetData"), false);
        m_controls.setText(QStringLiteral("mnStart"), QStringLiteral("Stop Online"));
        m_controls.setEnabled(QStringLiteral("mnGetData"), false);
        return;
    }
    m_alarms.setLostContactTimerEnabled(false);
    OnlineStopped = 1;
    m_controls.setColour(QStringLiteral("btStart"), StartColour);
    m_controls.setText(QStringLiteral("btStart"), QStringLiteral("Start"));
    m_controls.setText(QStringLiteral("mnStart"), QStringLiteral("Start Online"));
    m_controls.setChecked(QStringLiteral("Toolbar1:mnStart"), false);
    if (m_link.Connected)
        setEnabled({QStringLiteral("btGetData"), QStringLiteral("mnGetData")}, true);
    m_link.SendCommand(CommandFrame::Online, false, true);
    m_trace.addLine(TraceText::onlineStoppedLine(m_clock.now()));
    emit onlineCollectionStopped();
}

void MainController::StopOnline()
{
    OnlineStopped = 0;
    btStart();
}

void MainController::SendStart()
{
    // Only two characters of each part reach the meter, so the parts are
    // kept within 0..99 rather than cut (120 minutes would become 12).
    const double minutes = std::clamp(interval().Minutes, 0.0, 99.0);
    const double seconds = std::clamp(interval().Seconds, 0.0, 99.0);
    m_link.sendFrame(CommandFrame::onlineStart(minutes, seconds));
}

void MainController::btGetData()
{
    if (!openListForCollection(QString(), UserPrompt::Buttons::YesNoCancel))
        return;
    m_link.resetErrorCount();
    m_dropLateRecord = false;
    m_link.Downloading = true;
    m_link.TestPending = false;
    m_downloadedRecords = 0;
    m_downloadFaults.clear();
    StopOnline();
    m_link.SendCommand(CommandFrame::GetStoredData, true, true);
}

bool MainController::openListForCollection(const QString &title, UserPrompt::Buttons buttons)
{
    // The question comes before the list is closed, so a reading that
    // arrives while it is on screen still finds the list open.
    if (!WorkingListFile::FileExist(strDataFileName)) {
        startNewList();
        return true;
    }
    const auto answer = m_prompt.show({AppendQuestion, title, UserPrompt::Icon::None, buttons});
    if (answer == UserPrompt::Answer::Cancel)
        return false;
    m_list.close();
    if (answer == UserPrompt::Answer::Yes)
        m_list.reopenForAppend();
    else
        startNewList();
    return true;
}

void MainController::startNewList()
{
    m_list.OpenNewTempFile(m_legend.headerLines());
    m_controls.setText(QStringLiteral("edCount"), QStringLiteral("0"));
    m_graphCommand.hideGraph();
    m_grid.ClearGrid();
    setControls();
}

void MainController::PutDataInList(const QByteArray &message)
{
    if (m_dropLateRecord) {
        // The reply to the request sent before a downloaded record could not
        // be stored: it stays in the meter.
        m_dropLateRecord = false;
        return;
    }
    if (MeasurementDecoder::isEndOfData(message)) {
        endOfData();
        return;
    }
    const QDateTime now = m_clock.now();
    const MeasurementRecord r =
        MeasurementDecoder::GetDataFromMess(message, m_link.Downloading, now);
    // The next record is asked for at once, so the line carries it while this
    // one is stored and shown.
    const bool downloading = m_link.Downloading;
    if (downloading)
        m_link.SendCommand(CommandFrame::NextRecord, true, false);
    // The record is in the file before anything shows it, so a reading the
    // user has seen survives a crash or power cut right after.
    const bool stored = m_list.appendRecord(RecordLine::format(r));
    if (!stored && downloading) {
        downloadNotStored();
        return;
    }
    // A live reading is shown and checked all the same, for the surveyor's
    // safety; its row says it is not in the file.
    m_downloadedRecords += stored ? 1 : 0;
    if (stored && !downloading)
        emit onlineReadingStored(r, now);
    m_grid.AddToGrid(r, stored);
    setControls();
    m_controls.setText(QStringLiteral("lblTime"), r.time);
    m_controls.setText(QStringLiteral("lblValue"), r.vl + QChar(u' ') + r.Units);
    m_alarms.takeReading(r.vl);
    m_controls.setText(QStringLiteral("edId"), r.InstNum);
    const QString calibrationNotice = m_calibrationDue.noticeFor(r.InstNum);
    m_controls.setText(QStringLiteral("lblCalibrationWarning"), calibrationNotice);
    m_controls.setVisible(QStringLiteral("lblCalibrationWarning"), !calibrationNotice.isEmpty());
    m_controls.setText(QStringLiteral("edStatus"), r.status);
    m_controls.setText(QStringLiteral("edDetector"), r.Detector);
    // The graph follows only readings that are in the file.
    if (stored && m_graphCommand.graph().isShown())
        m_graphCommand.PutLastData(NumberText::leadingNumber(r.vl), r.Units);
    m_controls.setText(QStringLiteral("edCount"), QString::number(m_list.TotalRecords()));
    m_controls.setText(QStringLiteral("edProgress"),
                       QStringLiteral(" ") + SpinnerChars.at(m_spinnerStep % SpinnerChars.size()));
    ++m_spinnerStep;
}

void MainController::downloadNotStored()
{
    // The meter still holds every record, so the download stops rather than
    // show records that are not in the file.
    m_link.Downloading = false;
    m_link.Timer2.stop();
    m_dropLateRecord = true;
    notify({tr("The download stopped: the list file cannot be written.\n"
               "%1 records were stored in the list; the rest are still in the instrument. "
               "Make room on the disk and use Get Data again.")
                .arg(m_downloadedRecords),
            QString(), UserPrompt::Icon::Critical, UserPrompt::Buttons::Ok});
}

void MainController::endOfData()
{
    m_link.Downloading = false;
    QString text = m_grid.NumOfRec() != 0 ? QStringLiteral("Data loaded succesfully.")
                                          : QStringLiteral(" No data in instrument");
    // The meter cannot be asked again for a record that went astray on the
    // line, so the user must not take the list for complete.
    if (m_downloadFaults.count() > 0)
        text += QChar(u'\n') + m_downloadFaults.summary() +
                tr(": run Get Data again into a new list to be sure of them all.");
    notify({text, QStringLiteral("Communication"), UserPrompt::Icon::Information,
            UserPrompt::Buttons::Ok});
}

void MainController::btTest()
{
    m_link.Test();
}

void MainController::btGetCalib()
{
    m_link.SendCommand(CommandFrame::GetCalibration, false, true);
}

void MainController::btSetTime()
{
    m_link.sendFrame(CommandFrame::setClock(m_clock.now()));
}

void MainController::intervalConfirmed()
{
    if (interval().isNonZero())
        setEnabled({QStringLiteral("btStart"), QStringLiteral("mnStart"),
                    QStringLiteral("Toolbar1:mnStart")},
                   true);
}

void MainController::applyParameters(double threshold1, double threshold2, qint16 audioAlarm,
                                     double lostContactInterval, qint16 autoArrange)
{
    m_alarms.Threshold1 = threshold1;
    m_alarms.Threshold2 = threshold2;
    m_alarms.AudioAlarm = audioAlarm;
    AutoArrange = autoArrange;
    m_alarms.LostContactInterval = NumberText::roundToInt16(lostContactInterval);
    m_settings.writeNumber(QStringLiteral("Threshold1"), threshold1);
    m_settings.writeNumber(QStringLiteral("Threshold2"), threshold2);
    m_settings.writeNumber(QStringLiteral("AudioAlarm"), audioAlarm);
    m_settings.writeNumber(QStringLiteral("LostContactInterval"), m_alarms.LostContactInterval);
    m_settings.writeNumber(QStringLiteral("strAutoarrange"), autoArrange);
}

void MainController::btClearList()
{
    const auto answer =
        m_prompt.show({QStringLiteral("Clear List.\r\n Are you sure ?"), QStringLiteral(" "),
                       UserPrompt::Icon::Question, UserPrompt::Buttons::YesNo});
    if (answer != UserPrompt::Answer::Yes)
        return;
    m_grid.ClearGrid();
    setControls();
}

void MainController::btMuteAlarm()
{
    m_alarms.MuteAlarm();
}

void MainController::exitProgram()
{
    if (m_link.Connected)
        StopOnline();
    m_transport.close();
}

void MainController::setControls()
{
    const qint32 last = m_list.LastRecIndex();
    setEnabled(
        {QStringLiteral("mnWrFile"), QStringLiteral("btWrFile"), QStringLiteral("btClearList")},
        last > 0);
    setEnabled(
        {QStringLiteral("btGraph"), QStringLiteral("mnGraph"), QStringLiteral("Toolbar1:mnGraph")},
        last > 6);
}

void MainController::setEnabled(const QStringList &names, bool enabled)
{
    for (const QString &name : names)
        m_controls.setEnabled(name, enabled);
}

void MainController::showListProblem(const QString &reason)
{
    m_controls.setText(QStringLiteral("lblListWarning"),
                       tr("Readings are not being saved to the list file: %1").arg(reason));
    m_controls.setVisible(QStringLiteral("lblListWarning"), true);
}

void MainController::showSoundProblem(const QString &reason)
{
    m_controls.setText(QStringLiteral("lblSoundWarning"),
                       tr("The alarm cannot sound: %1").arg(reason));
    m_controls.setVisible(QStringLiteral("lblSoundWarning"), true);
}

void MainController::notify(const UserPrompt::Message &message)
{
    m_notices.push_back(message);
    if (m_noticesPosted)
        return;
    m_noticesPosted = true;
    QMetaObject::invokeMethod(this, &MainController::showNotices, Qt::QueuedConnection);
}

void MainController::showNotices()
{
    if (m_showingNotices)
        return;
    m_showingNotices = true;
    while (!m_notices.empty()) {
        const UserPrompt::Message message = m_notices.front();
        m_notices.pop_front();
        m_prompt.show(message);
    }
    m_showingNotices = false;
    m_noticesPosted = false;
}
