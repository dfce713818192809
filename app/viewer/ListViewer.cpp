#include "ListViewer.h"

#include "GraphData.h"
#include "ReportContext.h"
#include "SerialDate.h"
#include "SurveyReport.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <array>
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
    fillGraph();
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
    const auto shown = static_cast<qsizetype>(GraphData::LastFullIndex) + 1;
    if (m_graphFilled && recordCount() > shown)
        said << tr("The graph holds the first %1 of the %2 records.")
                    .arg(QLocale().toString(shown), QLocale().toString(recordCount()));
    return said.join(u' ');
}

QString ListViewer::suggestedReportPath() const
{
    const QFileInfo list(m_path);
    return list.dir().filePath(list.completeBaseName() + SurveyReport::Extension);
}

QString ListViewer::writeReport(const QString &pdfPath) const
{
    // A report put in the list's place would replace the list with it.
    if (QFileInfo(pdfPath).absoluteFilePath() == QFileInfo(m_path).absoluteFilePath() ||
        (QFileInfo::exists(pdfPath) &&
         QFileInfo(pdfPath).canonicalFilePath() == QFileInfo(m_path).canonicalFilePath()))
        return tr("The report cannot take the place of the list it is made from.");
    return SurveyReport::write(m_list, pdfPath, ReportContext::fromSettings(m_settings, m_clock));
}

void ListViewer::fillGraph()
{
    // The graph holds as many points as the main window's list arrays: the
    // first records, as the main window loads them.
    const size_t count =
        std::min(m_list.records.size(), static_cast<size_t>(GraphData::LastFullIndex) + 1);
    std::vector<std::array<double, 1>> values(count);
    std::vector<double> times(count);
    for (size_t i = 0; i < count; ++i) {
        values[i][0] = m_list.records[i].value;
        times[i] = SerialDate::fromDateTime(m_list.records[i].time);
    }
    const std::array<QString, 1> pointName{count ? m_list.records[0].instrument : QString()};
    const std::array<QString, 1> units{count ? m_list.records[0].units : QString()};
    m_graph.ShowEditButton = true;
    m_graphFilled = count > 0 && m_graph.PutData<1>(pointName, static_cast<int>(count) - 1, values,
                                                    units, times, 0, 1);
}
