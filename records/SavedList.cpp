#include "SavedList.h"

#include "ListEncoding.h"
#include "ListHeader.h"
#include "ListLineReader.h"
#include "RecordLine.h"
#include "RegularFile.h"
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
    const bool utf8 = ListEncoding::isUtf8(device);
    ListLineReader reader(device);
    QByteArray line;
    while (reader.nextLine(line)) {
        const QString text = WorkingListFile::unquote(line, utf8);
        if (list.records.empty() && ListHeader::takes(list.header.size(), text)) {
            list.header << text;
            continue;
        }
        auto fields = RecordLine::read(text);
        if (!fields) {
            // A torn or garbled line hides none of the records after it.
            if (list.skippedLines++ == 0)
                list.firstSkippedLine = reader.lineNumber();
            continue;
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
    QFile file;
    if (QString problem; !RegularFile::open(file, path, problem)) {
        SavedList list;
        list.error = problem;
        return list;
    }
    SavedList list = read(file);
    if (!list.error.isEmpty())
        list.error = path + QStringLiteral(": ") + list.error;
    return list;
}

QString SavedList::skippedText(const QString &file, qint64 count, qint64 first)
{
    if (count == 1)
        return QCoreApplication::translate("SavedList",
                                           "Line %1 of %2 cannot be read and is left out.")
            .arg(QString::number(first), file);
    return QCoreApplication::translate(
               "SavedList", "%1 lines of %2 cannot be read and are left out; the first is line %3.")
        .arg(QString::number(count), file, QString::number(first));
}
