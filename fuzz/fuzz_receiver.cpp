// Arbitrary byte blocks into the receiver, and every message it hands on
// into the decoders. The first byte of the input sets the block size.
#include "CalibrationRecord.h"
#include "DateTimeText.h"
#include "MeasurementDecoder.h"
#include "MessageReceiver.h"

#include <cstdint>
#include <cstdlib>

namespace {

// Two runs of the most bytes the receiver keeps, in blocks of any size,
// reach every state it has; longer inputs only repeat them, at a cost that
// grows with their length.
constexpr size_t LongestInput = 1 + 2 * MessageReceiver::MaximumStored;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0 || size > LongestInput)
        return 0;
    // A fixed computer clock: no clock or time zone is read per input.
    static const QDateTime now = DateTimeText::wallClock(QDate(2026, 12, 6), QTime(12, 0));
    const auto blockSize = static_cast<qsizetype>(data[0] % 64 + 1);
    const QByteArrayView input(reinterpret_cast<const char *>(data) + 1,
                               static_cast<qsizetype>(size - 1));

    MessageReceiver receiver;
    const auto onMessage = [](const QByteArray &message, qint16 result) {
        if (message.size() > MessageReceiver::MaximumStored)
            std::abort();
        if (result == MessageReceiver::Calibration)
            CalibrationRecord::fromMessage(message);
        else
            MeasurementDecoder::GetDataFromMess(message, true, now);
    };
    for (qsizetype at = 0; at < input.size(); at += blockSize) {
        receiver.processInput(input.sliced(at, std::min(blockSize, input.size() - at)), onMessage);
        if (receiver.MesPoint < 0 || receiver.MesPoint >= MessageReceiver::MaximumStored)
            std::abort();
    }
    // Any message text decodes, whatever its length.
    const MeasurementRecord record = MeasurementDecoder::GetDataFromMess(input, true, now);
    if (!DateTimeText::parse(record.time))
        std::abort();
    return 0;
}
