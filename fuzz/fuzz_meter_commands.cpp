#include "CommandFrame.h"
#include "FixedClock.h"
#include "MessageFrame.h"
#include "MeterSimulator.h"

#include <cstdint>
#include <cstdlib>

namespace {

// Sixteen commands reach every command, fault and state of the meter; longer
// inputs only repeat them, at a cost that grows with their length.
constexpr std::size_t LongestInput = 1 + 16 * CommandFrame::Length;

} // namespace

// Arbitrary bytes, in pieces of any size, into the simulated meter's command framing:
// every command it takes must be a whole frame, and every message it sends must end
// exactly at its terminator as the program's receiver sees it.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0 || size > LongestInput)
        return 0;
    // No clock or time zone is read per input, and an input does the same on any day.
    static const FixedClock clock;
    MeterOptions options;
    options.records = 2;
    options.noise = data[0] & 0x80 ? 40 : 0;
    options.corruptEvery = data[0] & 0x40 ? 2 : 0;
    MeterSimulator meter(options, clock);
    QObject::connect(
        &meter, &MeterSimulator::commandReceived, [](int code, const QByteArray &frame) {
            if (frame.size() != CommandFrame::Length || frame[0] != 1 ||
                frame[9] != MessageFrame::Terminator || code != static_cast<quint8>(frame[1]))
                std::abort();
        });
    QObject::connect(&meter, &MeterSimulator::writeRequested, [](const QByteArray &message) {
        if (message.size() < MessageFrame::MinimumLength || message.size() > 100 ||
            message.indexOf(MessageFrame::Terminator, MessageFrame::MinimumLength - 1) !=
                message.size() - 1)
            std::abort();
    });
    const QByteArray input(reinterpret_cast<const char *>(data + 1),
                           static_cast<qsizetype>(size - 1));
    const qsizetype piece = 1 + (data[0] & 0x3f) % 13;
    for (qsizetype at = 0; at < input.size(); at += piece) {
        meter.processInput(input.mid(at, piece));
        meter.sendOnlineReading();
    }
    return 0;
}
