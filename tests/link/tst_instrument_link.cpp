#include "CalibrationRecord.h"
#include "CommandFrame.h"
#include "InstrumentLink.h"
#include "LinkListener.h"
#include "MessageSamples.h"
#include "TraceLog.h"

#include <QSignalSpy>
#include <QTest>

#include <stdexcept>

namespace {

// Records what the link reports.
class RecordingListener : public LinkListener
{
public:
    QList<QByteArray> measurements;
    QList<UnexpectedFailure> failures;
    int downloadsStopped = 0;
    int badReplies = 0;
    bool throwOnMeasurement = false;

    void linkWentUp() override {}
    void linkWentLost() override {}
    void testAnswered() override {}
    void measurementReceived(const QByteArray &message) override
    {
        measurements << message;
        if (throwOnMeasurement)
            throw std::runtime_error("grid failed");
    }
    void calibrationReceived(const CalibrationRecord &) override {}
    void notResponding() override {}
    void downloadStopped() override { ++downloadsStopped; }
    void downloadReplyFailed(bool missing) override { badReplies += missing ? 0 : 1; }
    void repollDue() override {}
    void unexpectedFailure(const UnexpectedFailure &failure) override { failures << failure; }
};

} // namespace

// Test replies, lost and regained links, bad records within a download and the trace
// are driven through the whole program in tests/app; these are the cases it does not reach.
class InstrumentLinkTest : public QObject
{
    Q_OBJECT

    TraceLog trace;
    RecordingListener listener;
    std::unique_ptr<InstrumentLink> link;
    std::unique_ptr<QSignalSpy> written;

    QByteArray lastWritten() const { return written->last().at(0).toByteArray(); }

private slots:
    void init()
    {
        listener = RecordingListener();
        link = std::make_unique<InstrumentLink>(trace, listener);
        link->setPortOpen(true);
        written = std::make_unique<QSignalSpy>(link.get(), &InstrumentLink::writeRequested);
    }

    void downloadAsksForTheNextRecordThreeTimesThenStops()
    {
        QByteArray bad = MessageSamples::workedExample();
        bad[24] = 0; // a wrong checksum
        link->Downloading = true;
        for (int i = 1; i <= 3; ++i) {
            link->processInput(bad);
            QCOMPARE(lastWritten(), CommandFrame::plain(CommandFrame::NextRecord));
        }
        const qsizetype sent = written->size();
        link->processInput(bad);
        QCOMPARE(written->size(), sent);
        QVERIFY(!link->Downloading);
        QCOMPARE(listener.downloadsStopped, 1);
        QCOMPARE(listener.badReplies, 4);
    }

    void waitingInputIsDiscardedBeforeTheCommandIsWrittenNotAfter()
    {
        // A reply that comes at once must not be thrown away with stale input.
        QStringList steps;
        connect(link.get(), &InstrumentLink::discardInputRequested, this,
                [&steps] { steps << QStringLiteral("discard"); });
        connect(link.get(), &InstrumentLink::writeRequested, this,
                [&steps] { steps << QStringLiteral("write"); });
        link->SendCommand(CommandFrame::GetStoredData, true, true);
        QCOMPARE(steps, QStringList({QStringLiteral("discard"), QStringLiteral("write")}));
    }

    void countersStopAtTheirLargestValue()
    {
        link->ErrCount = 32766;
        link->TotalErrors = 32767;
        link->replyTimeout();
        link->replyTimeout();
        QCOMPARE(link->ErrCount, qint16(32767));
        QCOMPARE(link->TotalErrors, qint16(32767));
    }

    void failureInAHandlerIsReportedAndTheNextMessageStillArrives()
    {
        listener.throwOnMeasurement = true;
        link->processInput(MessageSamples::workedExample() + MessageSamples::workedExample());
        QCOMPARE(listener.measurements.size(), 2);
        QCOMPARE(listener.failures.size(), 2);
        QCOMPARE(listener.failures[1].index, 51);
        QCOMPARE(listener.failures[0].text(),
                 QStringLiteral("Error #5\ngrid failed\nAfter Line : 0i =  25"));
    }
};

QTEST_GUILESS_MAIN(InstrumentLinkTest)
#include "tst_instrument_link.moc"
