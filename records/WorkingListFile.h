#pragma once

#include "ListHeader.h"
#include "RecordFields.h"

#include <QFile>
#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

// The working list file: six header lines, then one record line per reading,
// oldest first. Every line is one quoted item in Latin-1 ending in CR LF. The
// file is held open for appending on one channel; each appended reading is
// on the disk before the append returns, so it survives the program being
// killed, or the power failing, right after.
//
// The counters and the graph arrays follow the file: TotalRecords is the
// number of record lines, LastRecIndex the array index of the last record
// loaded or appended (-1 when none).
class WorkingListFile : public QObject
{
    Q_OBJECT

public:
    static constexpr int LastArrayIndex = 3000; // the arrays hold points 0..3000
    static constexpr int ChannelCount = 4;
    static constexpr int HeaderLineCount = ListHeader::LineCount;
    static inline const QString SignatureLine = ListHeader::SignatureLine;

    enum class LoadResult {
        Loaded,
        NotReadable, // counters and arrays unchanged, channel closed
        LinesSkipped // loaded; some lines after the header were no records
    };

    explicit WorkingListFile(QString path, QObject *parent = nullptr);
    ~WorkingListFile() override;

    const QString &path() const { return m_path; }

    // True when the file is a regular file that can be opened for reading.
    static bool FileExist(const QString &name);

    // Starts the file anew with the five legend lines and "Signture:", opens
    // it for appending and sets LastRecIndex to -1 and TotalRecords to 0.
    bool OpenNewTempFile(const QStringList &legendLines);

    // Loads the counters and the first 3001 records into the arrays from the
    // named file (empty: this object's path), through loadList, then opens
    // this object's file for appending.
    LoadResult ReadDb(const QString &fileName = {});
    // Why the last ReadDb refused a path that is there but no regular file
    // (a named pipe, a device, a folder); empty otherwise.
    const QString &refusal() const { return m_refusal; }

    // Loads the counters and the arrays from list data, leaving the channel
    // as it is; a NotReadable result is never given. Header lines are the
    // leading lines as ListHeader decides them; every later line that reads
    // as a record (RecordLine::read) is one, and any other is skipped and
    // counted. The header lines go to *header when asked for.
    LoadResult loadList(QIODevice &device, QStringList *header = nullptr);

    // What must go before a line appended to data whose last byte is
    // `lastByte` so that the data's last line ends in CR LF.
    static QByteArray lineBreakBefore(char lastByte);

    void close();
    bool reopenForAppend();
    // Closes the channel, deletes the file and resets the counters (the steps
    // after a successful save). Appends fail until the file is started again.
    bool removeFile();
    bool isOpen() const { return m_file.isOpen(); }

    // Writes one record line and syncs it to the disk. On success
    // TotalRecords and LastRecIndex grow by one. A failed line is not in the
    // file: the counters stay, writeFailed tells the first failure of a run
    // of them, and each later append tries again, reopening as needed. A file
    // removed behind the program's back (or found empty) is started again
    // with the legend header (fileRestarted), and the counters restart with it.
    bool appendRecord(const QString &recordLine);

    // The graph hand-off writes one point; false for an index outside 0..3000.
    bool storePoint(int index, double value, double serialTime);

    qint32 TotalRecords() const { return m_totalRecords; }
    // Lines of the last load that were neither header nor record, and the
    // 1-based number of the first (0 when none); a new file has none.
    qint64 skippedLines() const { return m_skippedLines; }
    qint64 firstSkippedLine() const { return m_firstSkippedLine; }
    qint32 LastRecIndex() const { return m_lastRecIndex; }
    const std::vector<std::array<double, ChannelCount>> &ListValues() const { return m_values; }
    const std::vector<double> &ListTimes() const { return m_times; }
    const std::array<QString, ChannelCount> &ListUnits() const { return m_units; }
    const std::array<QString, ChannelCount> &ListPointName() const { return m_pointNames; }

    // The text of one stored line: what lies between its first and last
    // double quote, so quotes inside legend texts survive. A line with one
    // quote gives the text after it; a line without any is taken whole.
    // Latin-1, or UTF-8 for a list that ListEncoding finds in UTF-8.
    static QString unquote(const QByteArray &line, bool utf8 = false);
    static QByteArray quoted(const QString &text);

signals:
    void writeFailed(const QString &reason);
    void writeRecovered();
    void fileRestarted();

private:
    bool openChannel();
    bool channelStillNamesPath() const;
    bool ensureChannel(QString &reason);
    bool startFile(const QStringList &headerLines, QString &reason);
    void resetCounters();
    // Stores a record of the load in the arrays; false for no record.
    bool loadRecord(const std::optional<RecordFields> &fields);
    void reportFailure(const QString &reason);
    void reportSuccess();

    QString m_path;
    QFile m_file;
    bool m_wanted = false;  // the channel should be open: appends may reopen it
    bool m_failing = false; // inside a run of failed writes
    QStringList m_headerLines;
    quint64 m_openDevice = 0;
    quint64 m_openInode = 0;

    qint32 m_totalRecords = 0;
    qint32 m_lastRecIndex = -1;
    qint64 m_skippedLines = 0;
    QString m_refusal;
    qint64 m_firstSkippedLine = 0;
    std::vector<std::array<double, ChannelCount>> m_values;
    std::vector<double> m_times;
    std::array<QString, ChannelCount> m_units;
    std::array<QString, ChannelCount> m_pointNames;
};
