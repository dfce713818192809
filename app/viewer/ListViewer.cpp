#include "ListViewer.h"

#include "CurveThinning.h"
#include "GraphData.h"
#include "SerialDate.h"
#include "SurveyReport.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <array>
#include <numeric>
#include <vector>

ListViewer::ListViewer(const QString &path, const Services &services, QObject *parent)
    : QObject(parent), m_path(path), m_settings(services.settings), m_clock(services.clock)
{}

QString ListViewer::load()
{
    SavedList list = SavedList::read(m_path);
    if (!list.error.isEmpty())
        return tr("%1 is not a list of readings: %2").arg(QFileInfo(m_path).fileName(), list.error);
    m_list = std::move(list);
    m_graphFilled = showInGraph();
    return {};
}

QString ListViewer::title() const
{
    return QFileInfo(m_path).fileName() + QStringLiteral(" - TESK Meter View");
}

QString ListViewer::note() const
{
    QStringList said;
    if (m_list.skippedLines > 0)
        said << SavedList::skippedText(QFileInfo(m_path).fileName(), m_list.skippedLines,
                                       m_list.firstSkippedLine);
    return said.join(u' ');
}

QString ListViewer::suggestedReportPath() const
{
    const QFileInfo list(m_path);
    return list.dir().filePath(list.completeBaseName() + SurveyReport::Extension);
}

QString ListViewer::writeReport(const QString &pdfPath,
                                const SurveyReport::Progress &progress) const
{
    return writeReport(pdfPath, ReportContext::fromSettings(m_settings, m_clock, m_path), progress);
}

ReportTask *ListViewer::startReport(const QString &pdfPath, QObject *parent)
{
    // The settings are read here, on the window's thread; the work only reads
    // the list, which does not change.
    auto *task = new ReportTask(
        [this, pdfPath, context = ReportContext::fromSettings(m_settings, m_clock, m_path)](
            const SurveyReport::Progress &progress) {
            return writeReport(pdfPath, context, progress);
        },
        parent);
    task->start();
    return task;
}

QString ListViewer::writeReport(const QString &pdfPath, const ReportContext &context,
                                const SurveyReport::Progress &progress) const
{
    // A report put in the list's place would replace the list with it.
    if (QFileInfo(pdfPath).absoluteFilePath() == QFileInfo(m_path).absoluteFilePath() ||
        (QFileInfo::exists(pdfPath) &&
         QFileInfo(pdfPath).canonicalFilePath() == QFileInfo(m_path).canonicalFilePath()))
        return tr("The report cannot take the place of the list it is made from.");
    return SurveyReport::write(m_list, pdfPath, context, progress);
}

bool ListViewer::showInGraph(QList<int> rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::vector<std::size_t> records;
    for (const int row : std::as_const(rows)) {
        if (row >= 0 && row < recordCount())
            records.push_back(static_cast<std::size_t>(row));
    }
    if (records.size() >= static_cast<std::size_t>(GraphData::PointsNeeded) &&
        fillGraph(records, true))
        return true;
    records.resize(m_list.records.size());
    std::iota(records.begin(), records.end(), std::size_t{0});
    return fillGraph(records, false);
}

bool ListViewer::fillGraph(const std::vector<std::size_t> &records, bool selected)
{
    if (records.empty())
        return false;
    std::vector<double> all(records.size());
    for (std::size_t i = 0; i < records.size(); ++i)
        all[i] = m_list.records[records[i]].value;
    // The graph's arrays hold 3,001 points.
    const std::vector<std::size_t> picked =
        CurveThinning::pick(all, static_cast<std::size_t>(GraphData::LastFullIndex) + 1);
    std::vector<std::array<double, 1>> values(picked.size());
    std::vector<double> times(picked.size());
    for (std::size_t i = 0; i < picked.size(); ++i) {
        const RecordFields &record = m_list.records[records[picked[i]]];
        values[i][0] = record.value;
        times[i] = SerialDate::fromDateTime(record.time);
    }
    const RecordFields &first = m_list.records[records.front()];
    const std::array<QString, 1> pointName{first.instrument};
    const std::array<QString, 1> units{first.units};
    const QLocale locale;
    const QString count = locale.toString(static_cast<qulonglong>(records.size()));
    const QString before = m_graph.titleNote;
    if (picked.size() < records.size())
        m_graph.titleNote =
            tr("thinned to %1 of %2 readings, every peak kept")
                .arg(locale.toString(static_cast<qulonglong>(picked.size())), count);
    else
        m_graph.titleNote = selected ? tr("%1 selected readings").arg(count) : QString();
    m_graph.ShowEditButton = true;
    m_graph.ofSavedFile = true;
    m_graph.data().throughLastPoint = true;
    if (m_graph.PutData<1>(pointName, static_cast<int>(picked.size()) - 1, values, units, times, 0,
                           1))
        return true;
    m_graph.titleNote = before;
    return false;
}
