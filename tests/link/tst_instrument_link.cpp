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

// Records what the link reports, in order.
class RecordingListener : public LinkListener
{
public:
    QStringList events;
    QList<QByteArray> measurements;
    QList<UnexpectedFailure> failures;
    bool throwOnMeasurement = false;

    void linkWentUp() override { events << QStringLiteral("up"); }
    void linkWentLost() override { events << QStringLiteral("lost"); }
    void testAnswered() override { events << QStringLiteral("answered"); }
    void measurementReceived(const QByteArray &message) override
    {
        events << QStringLiteral("measurement");
        measurements << message;
        if (throwOnMeasurement)
            throw std::runtime_error("grid failed");
    }
    void calibrationReceived(const CalibrationRecord &record) override
    {
        events << QStringLiteral("calibration ") + record.factor;
    }
    void notResponding() override { events << QStringLiteral("not responding"); }
    void downloadStopped() override { events << QStringLiteral("download stopped"); }
    void repollDue() override { events << QStringLiteral("repoll"); }
    void unexpectedFailure(const UnexpectedFailure &failure) override { failures << failure; }
};

QByteArray badChecksum()
{
    QByteArray message = MessageSamples::workedExample();
    message[24] = 0;
    return message;
}

} // namespace

class InstrumentLinkTest : public QObject
{
    Q_OBJECT

    TraceLog trace;
    RecordingListener listener;
    std::unique_ptr<InstrumentLink> link;
    std::unique_ptr<QSignalSpy> written;

private slots:
    void init()
    {
        trace.clear();
        trace.setShown(false);
        trace.setShowAll(false);
        listener = RecordingListener();
        link = std::make_unique<InstrumentLink>(trace, listener);
        link->setPortOpen(true);
        written = std::make_unique<QSignalSpy>(link.get(), &InstrumentLink::writeRequested);
    }

    void testSendsTheFrameAndWaitsForTheReply()
    {
        QSignalSpy flushed(link.get(), &InstrumentLink::discardInputRequested);
        link->Test();
        QVERIFY(link->TestPending);
        QCOMPARE(written->size(), 1);
        QCOMPARE(written->at(0).at(0).toByteArray(), CommandFrame::plain(CommandFrame::Test));
        QCOMPARE(flushed.size(), 1);
        QVERIFY(link->Timer2.isActive());
        QCOMPARE(link->Timer2.interval(), 1000);

        // The reply proves the meter is there; it is not listed.
        link->processInput(MessageSamples::workedExample());
        QCOMPARE(listener.events, QStringList({"up", "answered"}));
        QVERIFY(link->Connected);
        QVERIFY(!link->Timer2.isActive());
    }

    void badMessageDropsTheRestOfItsBlock()
    {
        link->processInput(badChecksum() + MessageSamples::workedExample());
        QCOMPARE(link->ErrCount, qint16(1));
        QCOMPARE(link->TotalErrors, qint16(1));
        QVERIFY(listener.measurements.isEmpty());
        QCOMPARE(trace.errorCount(), qint16(1));
        link->processInput(MessageSamples::workedExample());
        QCOMPARE(listener.measurements.size(), 1);
        QCOMPARE(link->ErrCount, qint16(0));
        QCOMPARE(link->TotalErrors, qint16(1));
    }

    void calibrationLeavesTheCountersAlone()
    {
        link->processInput(badChecksum());
        link->processInput(badChecksum());
        link->processInput(MessageSamples::calibration("M1", "1250", "Tester", "01022027"));
        QCOMPARE(listener.events.last(), QStringLiteral("calibration 1.25"));
        QCOMPARE(link->ErrCount, qint16(2));
        QVERIFY(!link->Connected);
    }

    void fourMissingRepliesLoseTheLinkOnce()
    {
        link->processInput(MessageSamples::workedExample());
        QVERIFY(link->Connected);
        listener.events.clear();
        for (int i = 0; i < 3; ++i)
            link->replyTimeout();
        QVERIFY(link->Connected);
        link->replyTimeout();
        QCOMPARE(listener.events, QStringList({"not responding", "lost"}));
        QVERIFY(!link->Connected);
        QVERIFY(link->Timer1.isActive());
        QCOMPARE(link->Timer1.interval(), 2000);
        // Further time-outs repeat the lost state but say nothing more.
        link->replyTimeout();
        QCOMPARE(listener.events.count(QStringLiteral("not responding")), 1);
        // A re-poll asks again, and the answer brings the link up.
        link->repollTick();
        QCOMPARE(listener.events.last(), QStringLiteral("repoll"));
        QCOMPARE(written->last().at(0).toByteArray(), CommandFrame::plain(CommandFrame::Test));
        link->processInput(MessageSamples::workedExample());
        QVERIFY(link->Connected);
        QVERIFY(!link->Timer1.isActive());
    }

    void downloadRetriesThenStops()
    {
        link->Downloading = true;
        for (int i = 1; i <= 3; ++i) {
            link->processInput(badChecksum());
            QCOMPARE(written->last().at(0).toByteArray(),
                     CommandFrame::plain(CommandFrame::NextRecord));
            QVERIFY(link->Timer2.isActive());
        }
        const qsizetype sent = written->size();
        link->processInput(badChecksum());
        QCOMPARE(written->size(), sent);
        QVERIFY(!link->Downloading);
        QCOMPARE(listener.events.last(), QStringLiteral("download stopped"));
    }

    void missingReplyDuringDownloadAsksAgain()
    {
        link->Downloading = true;
        link->replyTimeout();
        QCOMPARE(written->last().at(0).toByteArray(),
                 CommandFrame::plain(CommandFrame::NextRecord));
        link->replyTimeout();
        link->replyTimeout();
        const qsizetype sent = written->size();
        link->replyTimeout(); // the fourth: the link is lost and the download with it
        QVERIFY(!link->Downloading);
        QCOMPARE(written->size(), sent);
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
        QCOMPARE(listener.failures[0].index, 25);
        QCOMPARE(listener.failures[1].index, 51);
        QVERIFY(listener.failures[0].text().startsWith(QStringLiteral("Error #5\ngrid failed\n")));
    }

    void traceLinesFollowTheWindow()
    {
        link->Test();
        link->processInput(MessageSamples::workedExample());
        QVERIFY(trace.lines().isEmpty());

        trace.setShown(true);
        link->Test();
        const QByteArray reply = MessageSamples::workedExample();
        link->processInput(reply.left(10));
        link->processInput(reply.mid(10));
        QCOMPARE(trace.lines().size(), 2);
        QCOMPARE(trace.lines()[0], QStringLiteral("Send 1 6 30 30 30 30 30 30 30 "));
        QVERIFY(trace.lines()[1].startsWith(QStringLiteral("All  1 31 32")));
        QVERIFY(trace.lines()[1].endsWith(QStringLiteral(" ED 4 Ret= 1")));

        // With "Show All" a block's line comes after the messages it completed.
        trace.clear();
        trace.setShowAll(true);
        link->processInput(reply.left(10));
        link->processInput(reply.mid(10) + reply.left(3));
        QCOMPARE(trace.lines().size(), 3);
        QVERIFY(trace.lines()[0].startsWith(QStringLiteral("Part  1 31")));
        QVERIFY(trace.lines()[1].startsWith(QStringLiteral("All ")));
        QVERIFY(trace.lines()[2].endsWith(QStringLiteral("ED 4 1 31 32")));
    }
};

QTEST_GUILESS_MAIN(InstrumentLinkTest)
#include "tst_instrument_link.moc"
