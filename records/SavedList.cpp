#include "SavedList.h"

#include "ListHeader.h"
#include "ListLineReader.h"
#include "RecordLine.h"
#include "WorkingListFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocale>

namespace {

QString sizeText(qint64 bytes)
{
    return QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

// Names both sizes, to the byte when they would read alike.
QString tooLarge(qint64 bytes)
{
    QString size = sizeText(bytes);
    if (size == sizeText(SavedList::MaxFileBytes))
        size = QCoreApplication::translate("SavedList", "%1 bytes").arg(QLocale().toString(bytes));
    return QCoreApplication::translate("SavedList",
                                       "The file is too large to be read as a list: %1, where a "
                                       "list may be at most %2.")
        .arg(size, sizeText(SavedList::MaxFileBytes));
}

} // namespace

SavedList SavedList::read(QIODevice &device)
{
    SavedList list;
    if (!device.isReadable()) {
        list.error = QCoreApplication::translate("SavedList", "The list cannot be read: %1")
                         .arg(device.errorString());
        return list;
    }
    if (!device.isSequential() && device.size() > MaxFileBytes) {
        list.error = tooLarge(device.size());
        return list;
    }
    ListLineReader reader(device);
    QByteArray line;
    while (reader.nextLine(line)) {
        const QString text = WorkingListFile::unquote(line);
        if (list.records.empty() && ListHeader::takes(list.header.size(), text)) {
            list.header << text;
            continue;
        }
        auto fields = RecordLine::read(text);
        if (!fields) {
            list.firstSkippedLine = reader.lineNumber();
            list.skippedLines = 1;
            break;
        }
        list.records.push_back(std::move(*fields));
    }
    bool captioned = false;
    for (qsizetype place = 0; place < list.header.size(); ++place)
        captioned = captioned || ListHeader::hasCaption(place, list.header[place]);
    if (list.records.empty() && !captioned) {
        list.error = QCoreApplication::translate(
            "SavedList", "This is not a list file: it holds neither a legend header nor a record.");
    }
    return list;
}

SavedList SavedList::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        SavedList list;
        list.error = QCoreApplication::translate("SavedList", "%1 cannot be opened: %2")
                         .arg(path, file.errorString());
        return list;
    }
    SavedList list = read(file);
    if (!list.error.isEmpty())
        list.error = path + QStringLiteral(": ") + list.error;
    return list;
}
