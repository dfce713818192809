#include "WorkingListFile.h"

#include "FileReplacement.h"
#include "ListEncoding.h"
#include "ListHeader.h"
#include "ListLineReader.h"
#include "RecordLine.h"
#include "RegularFile.h"
#include "SerialDate.h"

#include <QFileInfo>

#include <algorithm>
#include <limits>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <io.h>
#endif

namespace {

// Puts what was written on the disk itself, so a power cut right after
// loses nothing that was shown.
bool syncToDisk(QFileDevice &file)
{
#ifdef Q_OS_UNIX
    return ::fdatasync(file.handle()) == 0;
#elif defined(Q_OS_WIN)
    return ::_commit(file.handle()) == 0;
#else
    return file.flush();
#endif
}

} // namespace

WorkingListFile::WorkingListFile(QString path, QObject *parent)
    : QObject(parent)
    , m_path(std::move(path))
    , m_values(LastArrayIndex + 1, std::array<double, ChannelCount>{})
    , m_times(LastArrayIndex + 1, 0.0)
{
    m_file.setFileName(m_path);
}

WorkingListFile::~WorkingListFile() = default;

bool WorkingListFile::FileExist(const QString &name)
{
    QFile probe;
    QString problem;
    return RegularFile::open(probe, name, problem);
}

QString WorkingListFile::unquote(const QByteArray &line, bool utf8)
{
    const qsizetype first = line.indexOf('"');
    if (first < 0)
        return ListEncoding::decode(line, utf8);
    const qsizetype last = line.lastIndexOf('"');
    const qsizetype end = last > first ? last : line.size();
    return ListEncoding::decode(QByteArrayView(line.constData() + first + 1, end - first - 1),
                                utf8);
}

QByteArray WorkingListFile::lineBreakBefore(char lastByte)
{
    // A file cut between the CR and the LF needs only the LF.
    if (lastByte == '\n')
        return {};
    return lastByte == '\r' ? QByteArray("\n") : QByteArray("\r\n");
}

QByteArray WorkingListFile::quoted(const QString &text)
{
    // A line break inside the text would split the item into two lines.
    QString flat = text;
    flat.replace(QChar(u'\r'), QChar(u' ')).replace(QChar(u'\n'), QChar(u' '));
    return '"' + flat.toLatin1() + "\"\r\n";
}

void WorkingListFile::resetCounters()
{
    m_totalRecords = 0;
    m_lastRecIndex = -1;
    m_skippedLines = 0;
    m_firstSkippedLine = 0;
}

void WorkingListFile::close()
{
    m_wanted = false;
    m_file.close();
}

bool WorkingListFile::openChannel()
{
    m_file.close();
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return false;
    // A last line without its break would swallow the next record.
    if (const qint64 size = m_file.size(); size > 0) {
        QFile probe(m_path);
        char last = '\n';
        if (probe.open(QIODevice::ReadOnly) && probe.seek(size - 1))
            probe.getChar(&last);
        const QByteArray lineBreak = lineBreakBefore(last);
        if (!lineBreak.isEmpty() && m_file.write(lineBreak) != lineBreak.size()) {
            m_file.close();
            return false;
        }
    }
#ifdef Q_OS_UNIX
    struct stat info = {};
    if (::fstat(m_file.handle(), &info) == 0) {
        m_openDevice = static_cast<quint64>(info.st_dev);
        m_openInode = static_cast<quint64>(info.st_ino);
    }
#endif
    return true;
}

bool WorkingListFile::channelStillNamesPath() const
{
#ifdef Q_OS_UNIX
    struct stat info = {};
    if (::stat(QFile::encodeName(m_path).constData(), &info) != 0)
        return false;
    return static_cast<quint64>(info.st_dev) == m_openDevice &&
           static_cast<quint64>(info.st_ino) == m_openInode;
#else
    // Elsewhere an open file cannot be removed, so only its presence is checked.
    return QFileInfo::exists(m_path);
#endif
}

bool WorkingListFile::reopenForAppend()
{
    m_wanted = true;
    return openChannel();
}

bool WorkingListFile::startFile(const QStringList &headerLines, QString &reason)
{
    m_file.close();
    resetCounters();
    // Opening a named pipe to write would wait for a reader without end.
    if (const QString kind = RegularFile::kind(m_path); !kind.isEmpty()) {
        reason = tr("%1 is %2, not a file.").arg(m_path, kind);
        return false;
    }
    QFile out(m_path);
    QByteArray bytes;
    for (const QString &line : headerLines)
        bytes += quoted(line);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size() ||
        !out.flush() || !syncToDisk(out)) {
        reason = out.errorString();
        return false;
    }
    out.close();
    // The file may be new: its name is made durable with its header.
    if (!FileReplacement::syncFolder(QFileInfo(m_path).absolutePath())) {
        reason = tr("The folder of %1 could not be synced to the disk.").arg(m_path);
        return false;
    }
    if (!openChannel()) {
        reason = m_file.errorString();
        return false;
    }
    return true;
}

bool WorkingListFile::OpenNewTempFile(const QStringList &legendLines)
{
    m_wanted = true;
    m_headerLines = legendLines;
    m_headerLines << SignatureLine;
    QString reason;
    if (!startFile(m_headerLines, reason)) {
        reportFailure(reason);
        return false;
    }
    reportSuccess();
    return true;
}

bool WorkingListFile::removeFile()
{
    close();
    resetCounters();
    return !QFileInfo::exists(m_path) || QFile::remove(m_path);
}

void WorkingListFile::reportFailure(const QString &reason)
{
    if (m_failing)
        return;
    m_failing = true;
    emit writeFailed(reason);
}

void WorkingListFile::reportSuccess()
{
    if (!m_failing)
        return;
    m_failing = false;
    emit writeRecovered();
}

bool WorkingListFile::ensureChannel(QString &reason)
{
    if (!m_wanted) {
        reason = tr("The working list file is not open.");
        return false;
    }
    if (m_file.isOpen() && channelStillNamesPath())
        return true;
    if (const QFileInfo info(m_path); info.exists() && info.size() > 0) {
        if (openChannel())
            return true;
        reason = m_file.errorString();
        return false;
    }
    // Gone (or left empty by a failed start): a new file with the legend header
    // keeps it loadable.
    if (!startFile(m_headerLines.size() == HeaderLineCount ? m_headerLines : ListHeader::blank(),
                   reason))
        return false;
    emit fileRestarted();
    return true;
}

bool WorkingListFile::appendRecord(const QString &recordLine)
{
    QString reason;
    if (!ensureChannel(reason)) {
        m_file.close();
        reportFailure(reason);
        return false;
    }
    const QByteArray bytes = quoted(recordLine);
    const qint64 sizeBefore = m_file.size();
    if (m_file.write(bytes) != bytes.size() || !syncToDisk(m_file)) {
        reason = m_file.error() != QFileDevice::NoError
                     ? m_file.errorString()
                     : tr("The record could not be written in full to the disk.");
        // A part of the line would run into the next record and spoil both.
        m_file.resize(sizeBefore);
        m_file.close();
        reportFailure(reason);
        return false;
    }
    ++m_totalRecords;
    ++m_lastRecIndex;
    reportSuccess();
    return true;
}

bool WorkingListFile::storePoint(int index, double value, double serialTime)
{
    if (index < 0 || index > LastArrayIndex)
        return false;
    m_values[static_cast<size_t>(index)][0] = value;
    m_times[static_cast<size_t>(index)] = serialTime;
    return true;
}

WorkingListFile::LoadResult WorkingListFile::ReadDb(const QString &fileName)
{
    const QString source = fileName.isEmpty() ? m_path : fileName;
    m_file.close();
    m_refusal.clear();
    QFile in;
    if (QString problem; !RegularFile::open(in, source, problem)) {
        if (!RegularFile::kind(source).isEmpty())
            m_refusal = problem;
        return LoadResult::NotReadable;
    }
    QStringList header;
    const LoadResult result = loadList(in, &header);
    in.close();

    if (source == m_path && header.size() == HeaderLineCount)
        m_headerLines = header;
    // The channel is reopened even after a bad line, or later readings would be lost.
    if (QFileInfo::exists(m_path) && RegularFile::kind(m_path).isEmpty())
        reopenForAppend();
    return result;
}

WorkingListFile::LoadResult WorkingListFile::loadList(QIODevice &device, QStringList *header)
{
    resetCounters();
    ListLineReader reader(device);
    QByteArray line;
    QStringList leading;
    while (reader.nextLine(line)) {
        const QString text = unquote(line);
        if (m_totalRecords == 0 && ListHeader::takes(leading.size(), text)) {
            leading << text;
            continue;
        }
        // A line whose time does not read (a power cut tore it) is passed
        // over: the readings after it were appended on lines of their own.
        if (m_lastRecIndex == LastArrayIndex ? !RecordLine::isRecord(text)
                                             : !loadRecord(RecordLine::read(text))) {
            if (m_skippedLines++ == 0)
                m_firstSkippedLine = reader.lineNumber();
            continue;
        }
        if (m_totalRecords < std::numeric_limits<qint32>::max())
            ++m_totalRecords;
    }
    if (header)
        *header = leading;
    return m_skippedLines > 0 ? LoadResult::LinesSkipped : LoadResult::Loaded;
}

bool WorkingListFile::loadRecord(const std::optional<RecordFields> &fields)
{
    if (!fields)
        return false;
    const auto index = static_cast<size_t>(++m_lastRecIndex);
    m_times[index] = SerialDate::fromDateTime(fields->time);
    m_values[index][0] = fields->value;
    if (m_lastRecIndex == 1) {
        m_units[0] = fields->units;
        m_pointNames[0] = fields->instrument;
    }
    return true;
}
