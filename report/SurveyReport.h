#pragma once

#include "ReportContext.h"

#include <QString>

#include <functional>

class SavedList;

// The survey report of a saved list as a PDF document: the legend, the
// instruments and their calibration at the survey, where the data came from,
// a summary of the readings, the alarm events, a graph of each unit, the
// sign-off, and every record in the workbook's columns, on numbered A4 pages.
class SurveyReport
{
public:
    static inline const QString Extension = QStringLiteral(".pdf");
    // The alarm events listed one by one; the rows of any further ones are
    // still marked in the record table.
    static constexpr size_t ListedEvents = 2000;

    // Told the share of the report drawn (0 to 1) now and then, on the thread
    // that draws it; false stops the drawing, and nothing is written.
    using Progress = std::function<bool(double done)>;

    // Writes the report of `list` to `pdfPath` through a file beside it, synced
    // and renamed into place. Empty on success, else the message for the user;
    // a list without records, or a report stopped by the context's pageDone,
    // writes nothing.
    static QString write(const SavedList &list, const QString &pdfPath,
                         const ReportContext &context, const Progress &progress = {});

    // The report as PDF bytes; empty for a list without records, for a report
    // stopped (then `stopped` is set), and in a program without a
    // QGuiApplication, which cannot draw text.
    static QByteArray document(const SavedList &list, const ReportContext &context,
                               bool *stopped = nullptr);
};
