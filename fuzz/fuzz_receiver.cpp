// Arbitrary byte blocks into the receiver, and every message it hands on
// into the decoders. The first byte of the input sets the block size.
#include "CalibrationRecord.h"
#include "DateTimeText.h"
#include "MeasurementDecoder.h"
#include "MessageReceiver.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const auto blockSize = static_cast<qsizetype>(data[0] % 64 + 1);
    const QByteArrayView input(reinterpret_cast<const char *>(data) + 1,
                               static_cast<qsizetype>(size - 1));
    const QDateTime now = DateTimeText::wallClock(QDate(2026, 12, 6), QTime(12, 0));

    MessageReceiver receiver;
    for (qsizetype at = 0; at < input.size(); at += blockSize) {
        receiver.processInput(input.sliced(at, std::min(blockSize, input.size() - at)),
                              [&now](const QByteArray &message, qint16 result) {
                                  if (message.size() > MessageReceiver::MaximumStored)
                                      std::abort();
                                  if (result == MessageReceiver::Calibration)
                                      CalibrationRecord::fromMessage(message);
                                  else
                                      MeasurementDecoder::GetDataFromMess(message, true, now);
                              });
        if (receiver.MesPoint < 0 || receiver.MesPoint >= MessageReceiver::MaximumStored)
            std::abort();
    }
    // Any message text decodes, whatever its length.
    const MeasurementRecord record = MeasurementDecoder::GetDataFromMess(input, true, now);
    if (!DateTimeText::parse(record.time))
        std::abort();
    return 0;
}
