#include "CalibrationRecord.h"
#include "CommandFrame.h"
#include "DateTimeText.h"
#include "MessageSamples.h"
#include "TraceText.h"

#include <QTest>

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray result;
    for (const int value : values)
        result += static_cast<char>(value);
    return result;
}

} // namespace

class CommandsAndTraceTest : public QObject
{
    Q_OBJECT

private slots:
    void commandFrames()
    {
        QCOMPARE(CommandFrame::plain(CommandFrame::Test),
                 bytes({1, 6, 48, 48, 48, 48, 48, 48, 48, 4}));
        QCOMPARE(CommandFrame::plain(CommandFrame::GetStoredData),
                 bytes({1, 4, 48, 48, 48, 48, 48, 48, 48, 4}));
        QCOMPARE(CommandFrame::plain(CommandFrame::NextRecord),
                 bytes({1, 5, 48, 48, 48, 48, 48, 48, 48, 4}));
        QCOMPARE(CommandFrame::plain(CommandFrame::GetCalibration),
                 bytes({1, 8, 48, 48, 48, 48, 48, 48, 48, 4}));
        QCOMPARE(CommandFrame::onlineStop(), bytes({1, 9, 48, 48, 48, 48, 48, 48, 48, 4}));
        QCOMPARE(CommandFrame::onlineStart(2, 30), bytes({1, 9, 48, 50, 51, 48, 48, 48, 48, 4}));
        QCOMPARE(CommandFrame::onlineStart(0, 5), bytes({1, 9, 48, 48, 48, 53, 48, 48, 48, 4}));
        // Only the first two characters of a longer interval text are sent.
        QCOMPARE(CommandFrame::onlineStart(120, 7), bytes({1, 9, 49, 50, 48, 55, 48, 48, 48, 4}));
        const QDateTime at = DateTimeText::wallClock(QDate(2026, 12, 5), QTime(9, 30, 7));
        QCOMPARE(CommandFrame::setClock(at), bytes({1, 32, 12, 5, 20, 26, 9, 30, 7, 4}));
        QCOMPARE(CommandFrame::codeOf(CommandFrame::setClock(at)), 32);
        QCOMPARE(CommandFrame::codeOf(QByteArray(10, '0')), -1);
    }

    void calibrationRecord()
    {
        const QByteArray message =
            MessageSamples::calibration("M-0042", "1250", "J. Calibrator", "01022027");
        const CalibrationRecord record = CalibrationRecord::fromMessage(message);
        QCOMPARE(record.meter, QStringLiteral("M-0042  "));
        QCOMPARE(record.factor, QStringLiteral("1.25"));
        QCOMPARE(record.name, QStringLiteral("J. Calibrato"));
        QCOMPARE(record.due, QStringLiteral("01/02/2027"));
        QCOMPARE(
            CalibrationRecord::fromMessage(MessageSamples::calibration("M", "0985", "", "")).factor,
            QStringLiteral("0.985"));
        QCOMPARE(
            CalibrationRecord::fromMessage(MessageSamples::calibration("M", "1000", "", "")).factor,
            QStringLiteral("1"));
        QCOMPARE(
            CalibrationRecord::fromMessage(MessageSamples::calibration("M", "12x4", "", "")).factor,
            QStringLiteral("0.012"));
        // A short record gives what is there and never reads beyond it.
        QCOMPARE(CalibrationRecord::fromMessage(QByteArray("\x02"
                                                           "AB"))
                     .meter,
                 QStringLiteral("AB"));
    }

    void traceLines()
    {
        const QByteArray test = CommandFrame::plain(CommandFrame::Test);
        QCOMPARE(TraceText::CnvStrToHex(9, test), QStringLiteral("1 6 30 30 30 30 30 30 30 "));
        QCOMPARE(TraceText::sendLine(test), QStringLiteral("Send 1 6 30 30 30 30 30 30 30 "));
        QCOMPARE(TraceText::CnvStrToHex(20, QByteArray("\x0a\xff", 2)), QStringLiteral("A FF "));
        QCOMPARE(TraceText::partLine(QByteArray("\x01\x31\x04", 3)),
                 QStringLiteral("Part  1 31 4"));
        QCOMPARE(TraceText::allLine(QByteArray("\x01\xed\x04", 3), 1),
                 QStringLiteral("All  1 ED 4 Ret= 1"));
        QCOMPARE(
            TraceText::onlineStoppedLine(DateTimeText::wallClock(QDate(2026, 12, 5), QTime(9, 30))),
            QStringLiteral("Online stoped on 2026-12-05 09:30:00"));
    }
};

QTEST_GUILESS_MAIN(CommandsAndTraceTest)
#include "tst_commands_and_trace.moc"
