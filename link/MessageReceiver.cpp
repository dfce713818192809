#include "MessageReceiver.h"

#include "MessageFrame.h"

qsizetype MessageReceiver::processInput(QByteArrayView block, const MessageHandler &onMessage,
                                        const FailureHandler &onFailure)
{
    qsizetype end = block.size();
    for (qsizetype i = 0; i < end; ++i) {
        const auto byte = static_cast<quint8>(block[i]);
        try {
            RxBuffer[static_cast<std::size_t>(MesPoint)] = byte;
            ++MesPoint;
            if (MesPoint >= MessageFrame::MinimumLength && byte == MessageFrame::Terminator) {
                const QByteArray message = collected();
                const qint16 result = check();
                MesPoint = 0;
                onMessage(message, result);
                if (result == BadChecksum)
                    end = i + 1;
            } else if (MesPoint >= MaximumStored) {
                // Without this the receiver would stay full for good.
                const QByteArray message = collected();
                MesPoint = 0;
                onMessage(message, Overflow);
            }
        } catch (...) {
            if (onFailure)
                onFailure(UnexpectedFailure::fromException(std::current_exception(), i,
                                                           UnexpectedFailure::OnCommTitle));
        }
    }
    return end;
}

qint16 MessageReceiver::check() const
{
    if (MesPoint < 20)
        return TooShort;
    const QByteArrayView payload(reinterpret_cast<const char *>(RxBuffer.data()) + 1, MesPoint - 3);
    if (MessageFrame::checksumOf(payload) != RxBuffer[static_cast<std::size_t>(MesPoint - 2)])
        return BadChecksum;
    return MesPoint > MessageFrame::MeasurementMaximum ? Calibration : Measurement;
}

QByteArray MessageReceiver::collected() const
{
    return QByteArray(reinterpret_cast<const char *>(RxBuffer.data()), MesPoint);
}
