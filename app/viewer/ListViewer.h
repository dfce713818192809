#pragma once

#include "GraphController.h"
#include "GraphHost.h"
#include "ReportContext.h"
#include "ReportTask.h"
#include "SavedList.h"
#include "SavedListModel.h"

#include <QObject>
#include <QString>
#include <QStringList>

class Clock;
class ProfileFile;

// A saved list opened to be looked at: its legend, its records as a table,
// its readings in a graph of their own, and its survey report. It only
// reads the file; neither the working list nor the meter is touched.
class ListViewer : public QObject, public GraphHost
{
    Q_OBJECT

public:
    struct Services
    {
        const ProfileFile &settings;
        const Clock &clock;
    };

    ListViewer(const QString &path, const Services &services, QObject *parent = nullptr);

    // Reads the file, once, before the model is shown: empty when it shows,
    // else why it is refused.
    QString load();

    const QString &path() const { return m_path; }
    // "<file name> - TESK Meter View".
    QString title() const;
    const QStringList &legend() const { return m_list.header; }
    int recordCount() const { return static_cast<int>(m_list.records.size()); }
    // What the window says beside the table: a damaged line, a graph that
    // holds only the first records; empty when there is nothing to say.
    QString note() const;
    SavedListModel &model() { return m_model; }

    // The file's readings went into the graph: at least the few it needs.
    bool graphAvailable() const { return m_graphFilled; }
    GraphController &graph() { return m_graph; }
    // Hands the graph the records of the table's `rows`, or every record when
    // fewer rows than a graph needs are given. More records than the graph
    // holds are thinned, every peak kept, and its title says so. True when
    // the graph shows them.
    bool showInGraph(QList<int> rows = {});

    // A report needs at least one record.
    bool reportAvailable() const { return recordCount() > 0; }
    // The report beside the list, for the file dialog to start from.
    QString suggestedReportPath() const;
    // Writes the survey report; empty on success, else the message.
    QString writeReport(const QString &pdfPath, const SurveyReport::Progress &progress = {}) const;
    // The same on a thread of its own, started; the viewer must outlive it.
    ReportTask *startReport(const QString &pdfPath, QObject *parent);

    // GraphHost: the file does not change, so there is nothing to read again,
    // and the totals are not used.
    void reReadList() override {}
    void GetParamsFromGraph(double &, double &, qint32 &) override {}

private:
    bool fillGraph(const std::vector<std::size_t> &records, bool selected);
    QString writeReport(const QString &pdfPath, const ReportContext &context,
                        const SurveyReport::Progress &progress) const;

    QString m_path;
    const ProfileFile &m_settings;
    const Clock &m_clock;
    SavedList m_list;
    SavedListModel m_model{m_list};
    GraphController m_graph{*this};
    bool m_graphFilled = false;
};
