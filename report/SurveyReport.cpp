#include "SurveyReport.h"

#include "AlarmEvents.h"
#include "DateTimeText.h"
#include "ListExport.h"
#include "ListHeader.h"
#include "ListToCells.h"
#include "ReportGraph.h"
#include "ReportSummary.h"
#include "SavedList.h"
#include "SurveyLegend.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QLocale>
#include <QObject>
#include <QPainter>
#include <QPdfWriter>
#include <QRawFont>

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <optional>

namespace {

QString tr(const char *text)
{
    return QObject::tr(text);
}

QString number(double value)
{
    return QLocale::c().toString(value, 'f', 2);
}

QString count(qint64 value)
{
    return QLocale::c().toString(value);
}

QString timeText(const QDateTime &time)
{
    return time.isValid() ? DateTimeText::format(time) : QString();
}

// A time shown beside `reference`: the time of day alone on the same day.
QString timeAfter(const QDateTime &time, const QDateTime &reference)
{
    if (time.isValid() && reference.isValid() && time.date() == reference.date())
        return time.toString(QStringLiteral("HH:mm:ss"));
    return timeText(time);
}

// The span between two readings, to the second.
QString spanBetween(const QDateTime &from, const QDateTime &to)
{
    return ReportSummary::spanText(from.isValid() && to.isValid() ? from.secsTo(to) : 0);
}

QString legendText(const SavedList &list, int lineNumber)
{
    const QString line = lineNumber <= list.header.size() ? list.header[lineNumber - 1] : QString();
    return ListToCells::legendValue(lineNumber, line).value_or(QString()).trimmed();
}

QString signatureText(const SavedList &list)
{
    for (const QString &line : list.header)
        if (line.startsWith(ListHeader::SignatureLine))
            return line.mid(ListHeader::SignatureLine.size()).trimmed();
    return {};
}

// "2026-12-07 10:15:03 UTC+01:00"
QString madeAtText(const QDateTime &time)
{
    if (!time.isValid())
        return {};
    const int offset = time.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral(" UTC") +
           (offset < 0 ? QChar(u'-') : QChar(u'+')) +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QChar(u'0'))
               .arg(minutes % 60, 2, 10, QChar(u'0'));
}

struct SourceFile
{
    bool read = false;
    qint64 size = 0;
    QByteArray sha256;
};

SourceFile sourceFile(const QString &path)
{
    SourceFile source;
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return source;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    source.read = hash.addData(&file);
    source.size = file.size();
    source.sha256 = hash.result().toHex();
    return source;
}

QByteArray xmpMetadata(const QString &title, const QString &author, const QString &program)
{
    const auto escaped = [](const QString &text) {
        return text.toHtmlEscaped().toUtf8();
    };
    return QByteArray("<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
                      "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
                      "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
                      "<rdf:Description rdf:about=\"\" "
                      "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
                      "xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\" "
                      "xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\">\n"
                      "<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">") +
           escaped(title) + "</rdf:li></rdf:Alt></dc:title>\n<dc:creator><rdf:Seq><rdf:li>" +
           escaped(author) + "</rdf:li></rdf:Seq></dc:creator>\n<xmp:CreatorTool>" +
           escaped(program) + "</xmp:CreatorTool>\n<pdf:Producer>" + escaped(program) +
           "</pdf:Producer>\n</rdf:Description>\n</rdf:RDF>\n</x:xmpmeta>\n"
           "<?xpacket end=\"w\"?>";
}

// Lines of a fixed-pitch font drawn as glyphs at known places: no shaping,
// and no glyph for a blank. A table of 100,000 lines stays fast and small.
class FixedPitchText
{
public:
    FixedPitchText(QFont font, double pixelSize) : m_font(QRawFont::fromFont(font))
    {
        m_font.setPixelSize(pixelSize);
        const QList<quint32> zero = m_font.glyphIndexesForString(QStringLiteral("0"));
        // A whole number of device pixels keeps the writer's glyph positions
        // short, and so the pages small and quick to compress.
        m_advance =
            std::round(zero.isEmpty() ? pixelSize * 0.6
                                      : m_font.advancesForGlyphIndexes(zero).constFirst().x());
        for (char16_t c = 0; c < m_ascii.size(); ++c) {
            const QList<quint32> glyph = m_font.glyphIndexesForString(QString(QChar(c)));
            m_ascii[c] = glyph.isEmpty() ? 0 : glyph.constFirst();
        }
    }

    double advance() const { return m_advance; }
    double ascent() const { return std::round(m_font.ascent()); }

    // Lines are gathered and drawn together, one run of glyphs a page: the
    // writer then sets the font and colour once, not once a line.
    void add(const QPointF &origin, QStringView line)
    {
        for (qsizetype i = 0; i < line.size(); ++i) {
            const char16_t c = line[i].unicode();
            if (c == u' ')
                continue;
            if (c < m_ascii.size()) {
                m_glyphs.push_back(m_ascii[c]);
            } else {
                const QList<quint32> glyph = m_font.glyphIndexesForString(QString(line[i]));
                m_glyphs.push_back(glyph.isEmpty() ? 0 : glyph.constFirst());
            }
            m_positions.push_back(origin + QPointF(static_cast<double>(i) * m_advance, 0));
        }
    }

    void draw(QPainter &painter)
    {
        if (m_glyphs.isEmpty())
            return;
        QGlyphRun run;
        run.setRawFont(m_font);
        run.setGlyphIndexes(m_glyphs);
        run.setPositions(m_positions);
        painter.drawGlyphRun(QPointF(0, 0), run);
        m_glyphs.clear();
        m_positions.clear();
    }

private:
    QRawFont m_font;
    double m_advance = 0;
    std::array<quint32, 128> m_ascii{};
    QList<quint32> m_glyphs;
    QList<QPointF> m_positions;
};

// The record table as lines of text: a column for the record's number in the
// list, then the workbook's columns. Each column is as wide as its widest
// text up to a bound; a longer text is never cut but pushes the rest of its
// line along, and a line wider than the page goes on under itself.
class RecordTable
{
public:
    static constexpr int ColumnCount = ListToCells::ColumnCount + 1;
    static constexpr qsizetype WidestColumn = 24;

    explicit RecordTable(const CompactRecords &records) : m_records(records)
    {
        for (int code = 0; code < static_cast<int>(m_statusTexts.size()); ++code)
            m_statusTexts[static_cast<size_t>(code)] = ListToCells::statusText(code);
        m_titles[0] = tr("No.");
        for (int c = 0; c < ListToCells::ColumnCount; ++c)
            m_titles[static_cast<size_t>(c + 1)] = ListToCells::columnTitle(c);
        for (size_t c = 0; c < m_widths.size(); ++c)
            m_widths[c] = m_titles[c].size();
        m_widths[0] = std::max(m_widths[0], QString::number(records.size()).size());
        m_widths[2] = std::max<qsizetype>(m_widths[2], 19); // "yyyy-MM-dd HH:mm:ss"
        for (const RecordFields &r : records) {
            const std::array<qsizetype, ColumnCount> sizes = cellSizes(r);
            for (size_t c = 0; c + 1 < m_widths.size(); ++c)
                m_widths[c] = std::max(m_widths[c], std::min(sizes[c], WidestColumn));
        }
        for (const RecordFields &r : records)
            m_longest = std::max(m_longest, length(cellSizes(r)));
    }

    // The characters of the longest line.
    qsizetype longest() const { return m_longest; }

    // The characters of the widest usual line.
    qsizetype usualWidth() const
    {
        qsizetype width = 0;
        for (size_t c = 0; c + 1 < m_widths.size(); ++c)
            width += m_widths[c] + 2;
        return width + std::min(m_widths.back(), WidestColumn);
    }

    // The lines of text record `i` takes at `charsPerLine` characters a line.
    qsizetype linesOf(size_t i, qsizetype charsPerLine) const
    {
        return std::max<qsizetype>(1, (length(cellSizes(m_records[i])) + charsPerLine - 1) /
                                          charsPerLine);
    }

    QString header() const { return line(m_titles); }
    // The instrument number is left out where the row above gives it.
    QString record(size_t i, bool withInstrument) const
    {
        const RecordFields &r = m_records[i];
        return line({QString::number(i + 1), withInstrument ? r.instrument : QString(),
                     DateTimeText::format(r.time), r.valueText.trimmed(),
                     r.marked ? QStringLiteral("*") : QString(), r.units, statusText(r.status),
                     r.detector});
    }

private:
    QString statusText(int code) const
    {
        return code >= 0 && code < static_cast<int>(m_statusTexts.size())
                   ? m_statusTexts[static_cast<size_t>(code)]
                   : ListToCells::statusText(code);
    }

    qsizetype length(const std::array<qsizetype, ColumnCount> &sizes) const
    {
        qsizetype length = 0;
        for (size_t c = 0; c + 1 < sizes.size(); ++c)
            length += std::max(sizes[c], m_widths[c]) + 2;
        return length + sizes.back();
    }

    std::array<qsizetype, ColumnCount> cellSizes(const RecordFields &r) const
    {
        return {0,
                r.instrument.size(),
                19,
                r.valueText.trimmed().size(),
                1,
                r.units.size(),
                statusText(r.status).size(),
                r.detector.size()};
    }

    QString line(const std::array<QString, ColumnCount> &cells) const
    {
        QString text;
        text.reserve(120);
        for (size_t c = 0; c < cells.size(); ++c) {
            const QString &cell = cells[c];
            const qsizetype width = m_widths[c];
            if (c + 1 == cells.size())
                text += cell;
            else if (c == 0 || c == 3) // numbers line up on the right
                text += cell.rightJustified(width) + QStringLiteral("  ");
            else
                text += cell.leftJustified(width) + QStringLiteral("  ");
        }
        return text;
    }

    const CompactRecords &m_records;
    std::array<QString, 256> m_statusTexts;
    std::array<QString, ColumnCount> m_titles;
    std::array<qsizetype, ColumnCount> m_widths{};
    qsizetype m_longest = 0;
};

// The report's pages: the front (legend, instruments, source, summary, alarm
// events, graphs and sign-off) flowing over as many pages as it needs, then
// the record table.
class ReportPages
{
public:
    ReportPages(const SavedList &list, const ReportContext &context, QPdfWriter &writer)
        : m_list(list)
        , m_context(context)
        , m_writer(writer)
        , m_summary(ReportSummary::of(list.records, context.warning, context.alarm))
        , m_events(AlarmEvents::of(list.records, context.warning, context.alarm))
    {}

    // False when the context's pageDone stopped it.
    bool paint(QPainter &painter);

    QString title() const
    {
        const QString location = legendText(m_list, 4);
        const QString date = legendText(m_list, 2);
        QStringList parts;
        for (const QString &part : {location, date})
            if (!part.isEmpty())
                parts << part;
        return parts.isEmpty() ? tr("Survey report")
                               : tr("Survey report: %1").arg(parts.join(QStringLiteral(", ")));
    }

private:
    enum class Style { Heading, Section, Body, Bold };
    struct Table
    {
        std::vector<double> columns; // left edges, in page units
        double scale = 1;            // of the type, so the widest row fits the page
        double wrapWidth = 0;        // when not 0, the last column's texts wrap at this width
    };
    struct Item
    {
        Style style = Style::Body;
        QStringList cells; // one text, or the cells of a row of `table`
        int table = -1;    // a row of m_tables[table]; else one text across the page
        bool wrap = false; // a text that may run over several lines
        int graph = -1;    // the graph of m_summary.units[graph]
        bool keepWithNext = false;
        double top = 0; // placed on page `page` at `top`
        int page = 0;
    };

    void buildFront();
    void buildInstruments();
    void buildSource();
    void buildSummary();
    void buildEvents();
    void buildSignOff();
    void section(const QString &text)
    {
        m_items.push_back({Style::Section, {text}, -1, false, -1, true});
    }
    void paragraph(const QString &text) { m_items.push_back({Style::Body, {text}, -1, true}); }
    int table()
    {
        m_tables.emplace_back();
        return static_cast<int>(m_tables.size()) - 1;
    }
    void row(int tableIndex, Style style, const QStringList &cells)
    {
        m_items.push_back({style, cells, tableIndex, false, -1, style == Style::Bold});
    }
    void measureTables();
    QFont font(Style style, double scale = 1) const;
    // The wrapped last cell of a row of a table that wraps it, with how it
    // wraps; an empty text when the row has none.
    std::pair<QString, int> wrappedCell(const Item &item) const;
    double height(const Item &item) const;
    static double singleHeight(Style style, double lineHeight);
    void place();
    void paintItem(QPainter &painter, const Item &item);
    void paintRunningHeader(QPainter &painter);
    void paintFooter(QPainter &painter, int page);

    const SavedList &m_list;
    const ReportContext &m_context;
    QPdfWriter &m_writer;
    ReportSummary m_summary;
    std::vector<AlarmEvents::Event> m_events;
    std::vector<Table> m_tables;
    std::vector<Item> m_items;
    QSizeF m_page;
    double m_header = 0; // the running header's height on every page but the first
    double m_footer = 0;
    int m_frontPages = 1;
    int m_pageCount = 1;
};

QFont ReportPages::font(Style style, double scale) const
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    // Spaced letters are never joined: "first" stays five letters for a
    // reader's search, not a ligature.
    f.setLetterSpacing(QFont::AbsoluteSpacing, 0.05);
    switch (style) {
    case Style::Heading:
        f.setPointSizeF(16 * scale);
        f.setBold(true);
        break;
    case Style::Section:
        f.setPointSizeF(12 * scale);
        f.setBold(true);
        break;
    case Style::Bold:
        f.setPointSizeF(9 * scale);
        f.setBold(true);
        break;
    case Style::Body:
        f.setPointSizeF(9 * scale);
        break;
    }
    return f;
}

std::pair<QString, int> ReportPages::wrappedCell(const Item &item) const
{
    if (item.table < 0)
        return {};
    const Table &table = m_tables[static_cast<size_t>(item.table)];
    if (table.wrapWidth <= 0 || item.cells.size() != static_cast<qsizetype>(table.columns.size()))
        return {};
    const QString &cell = item.cells.constLast();
    // Words wrap; a word wider than the column (a path, a digest) breaks anywhere.
    const QFontMetricsF metrics(font(item.style), &m_writer);
    int flags = Qt::TextWordWrap;
    for (const QString &word : cell.split(QChar(u' ')))
        if (metrics.horizontalAdvance(word) > table.wrapWidth)
            flags = Qt::TextWrapAnywhere;
    return {cell, flags};
}

double ReportPages::height(const Item &item) const
{
    if (item.graph >= 0)
        return m_page.height() * (m_summary.units.size() == 1 ? 0.42 : 0.32);
    const double scale = item.table >= 0 ? m_tables[static_cast<size_t>(item.table)].scale : 1;
    const QFontMetricsF metrics(font(item.style, scale), &m_writer);
    const double lineHeight = metrics.lineSpacing();
    if (item.wrap)
        return metrics
                   .boundingRect(QRectF(0, 0, m_page.width(), m_page.height()), Qt::TextWordWrap,
                                 item.cells.constFirst())
                   .height() +
               lineHeight * 0.3;
    double wrapped = 0; // how much a wrapped last cell adds
    if (const auto [cell, flags] = wrappedCell(item); !cell.isEmpty())
        wrapped =
            metrics
                .boundingRect(QRectF(0, 0, m_tables[static_cast<size_t>(item.table)].wrapWidth,
                                     m_page.height()),
                              flags, cell)
                .height() -
            lineHeight;
    return singleHeight(item.style, lineHeight) + std::max(0.0, wrapped);
}

double ReportPages::singleHeight(Style style, double lineHeight)
{
    switch (style) {
    case Style::Heading:
        return lineHeight * 1.2;
    case Style::Section:
        return lineHeight * 1.8;
    case Style::Bold:
        return lineHeight * 1.6; // a table's head stands a little apart
    case Style::Body:
        break;
    }
    return lineHeight * 1.15;
}

void ReportPages::buildFront()
{
    m_items.push_back({Style::Heading, {tr("TESK Meter View survey report")}});
    const int legend = table();
    static const std::array<QString, 5> Labels = {
        SurveyLegend::DepartmentCaption, SurveyLegend::DateCaption, SurveyLegend::DetectorCaption,
        SurveyLegend::LocationCaption, SurveyLegend::PersonnelCaption};
    for (int i = 0; i < 5; ++i)
        row(legend, Style::Body, {Labels[static_cast<size_t>(i)], legendText(m_list, i + 1)});
    buildInstruments();
    buildSource();
    buildSummary();
    buildEvents();

    section(tr("Graph"));
    if (m_summary.units.size() > 1)
        paragraph(tr("The list holds readings in %1 units; each unit has a graph and a scale of "
                     "its own.")
                      .arg(m_summary.units.size()));
    for (size_t u = 0; u < m_summary.units.size(); ++u)
        m_items.push_back({Style::Body, {}, -1, false, static_cast<int>(u)});
    buildSignOff();

    section(tr("Records"));
    paragraph(tr("Every record of the list follows, numbered as the list viewer numbers its rows. "
                 "The instrument is named on the first row of each page and where it changes; "
                 "the rows of the alarm events are in bold."));
}

void ReportPages::buildInstruments()
{
    section(tr("Instruments"));
    const int instruments = table();
    for (const ReportSummary::InstrumentFigures &i : m_summary.instruments) {
        row(instruments, Style::Bold,
            {i.instrument.trimmed(),
             (i.count == 1 ? tr("1 reading") : tr("%1 readings").arg(count(i.count))) +
                 tr(", %1 to %2").arg(timeText(i.first), timeText(i.last))});
        const CalibrationDue::Kept kept = m_context.calibration(i.instrument);
        const QString atSurvey =
            ReportContext::stateAtSurvey(kept.due, i.first.date(), i.last.date());
        row(instruments, Style::Body,
            {tr("Calibration:"), atSurvey.isEmpty()
                                     ? tr("no calibration record of this instrument was read")
                                     : atSurvey});
        if (const QString today = m_context.stateToday(kept.due, i.last.date()); !today.isEmpty())
            row(instruments, Style::Body, {QString(), today});
        if (!kept.meter.isEmpty() || !kept.factor.isEmpty() || !kept.calibratedBy.isEmpty())
            row(instruments, Style::Body,
                {tr("Record:"), tr("meter number %1, factor %2, calibrated by %3")
                                    .arg(kept.meter, kept.factor, kept.calibratedBy)});
    }
}

void ReportPages::buildSource()
{
    section(tr("Source"));
    const int source = table();
    const SourceFile file = sourceFile(m_context.listPath);
    row(source, Style::Body,
        {tr("List file:"), m_context.listPath.isEmpty()
                               ? tr("not named")
                               : QFileInfo(m_context.listPath).fileName()});
    if (file.read) {
        row(source, Style::Body, {tr("Size:"), tr("%1 bytes").arg(count(file.size))});
        row(source, Style::Body, {tr("SHA-256:"), QString::fromLatin1(file.sha256)});
    } else if (!m_context.listPath.isEmpty()) {
        row(source, Style::Body, {tr("Size:"), tr("the file could not be read again")});
    }
    const qint64 lines =
        m_list.header.size() + static_cast<qint64>(m_list.records.size()) + m_list.skippedLines;
    row(source, Style::Body,
        {tr("Lines read:"), tr("%1: %2 of the legend, %3 records")
                                .arg(count(lines), count(m_list.header.size()),
                                     count(static_cast<qint64>(m_list.records.size())))});
    row(source, Style::Body,
        {tr("Lines skipped:"),
         m_list.skippedLines == 0
             ? tr("none")
             : tr("%1, the first line %2")
                   .arg(count(m_list.skippedLines), count(m_list.firstSkippedLine))});
    row(source, Style::Body, {tr("Program:"), m_context.program});
    row(source, Style::Body, {tr("Report made:"), madeAtText(m_context.madeAt)});
    paragraph(tr("The times of the readings are as the list holds them: the meter's clock for "
                 "downloaded readings, this computer's clock for readings taken online. They "
                 "carry no offset from UTC."));
}

void ReportPages::buildSummary()
{
    section(tr("Summary"));
    const int totals = table();
    row(totals, Style::Body, {tr("Records:"), count(m_summary.records)});
    row(totals, Style::Body, {tr("First reading:"), timeText(m_summary.first)});
    row(totals, Style::Body, {tr("Last reading:"), timeText(m_summary.last)});
    row(totals, Style::Body, {tr("Span:"), spanBetween(m_summary.first, m_summary.last)});

    const int units = table();
    row(units, Style::Bold,
        {tr("Units"), tr("Readings"), tr("Minimum"), tr("Maximum"), tr("Mean"),
         tr("Time of maximum")});
    for (const ReportSummary::UnitFigures &u : m_summary.units)
        row(units, Style::Body,
            {u.units, count(u.count), number(u.minimum), number(u.maximum), number(u.mean),
             timeText(u.maximumTime)});

    const int levels = table();
    row(levels, Style::Bold,
        {tr("Threshold"), tr("Level"), tr("Above"), tr("Longest run"), tr("From"), tr("Run span")});
    for (const ReportSummary::ThresholdFigures &t : m_summary.thresholds)
        row(levels, Style::Body,
            {t.name, ReportGraph::levelText(t.level), count(t.above), count(t.longestRun),
             t.longestRun > 0 ? timeText(t.runStart) : QString(),
             t.longestRun > 0 ? spanBetween(t.runStart, t.runEnd) : QString()});
    paragraph(tr("The levels are this computer's settings at the time of the report. Like the "
                 "live alarm, the report compares them with every reading, whatever its unit."));

    const int statuses = table();
    row(statuses, Style::Bold, {tr("Status"), tr("Readings")});
    for (const ReportSummary::StatusCount &s : m_summary.statuses)
        row(statuses, Style::Body, {s.word, count(s.count)});
}

void ReportPages::buildEvents()
{
    section(tr("Alarm events"));
    if (m_events.empty()) {
        paragraph(tr("No reading was above a level or carried a threshold or overflow status."));
        return;
    }
    paragraph(tr("Each stretch of readings above the warning or the alarm level, or with a "
                 "threshold or overflow status, in time order. Their rows are in bold in the "
                 "record table."));
    const int events = table();
    row(events, Style::Bold,
        {tr("Start"), tr("End"), tr("Duration"), tr("Readings"), tr("Peak"), tr("At"), tr("Level"),
         tr("Status")});
    const size_t listed = std::min(m_events.size(), SurveyReport::ListedEvents);
    for (size_t i = 0; i < listed; ++i) {
        const AlarmEvents::Event &e = m_events[i];
        const RecordFields &peak = m_list.records[e.peak];
        row(events, Style::Body,
            {timeText(e.start), timeAfter(e.end, e.start), spanBetween(e.start, e.end),
             count(e.readings()), number(peak.value) + QChar(u' ') + peak.units.trimmed(),
             timeAfter(peak.time, e.start), e.level, e.words.join(QStringLiteral(", "))});
    }
    if (listed < m_events.size())
        paragraph(tr("%1 more stretches are not listed; their rows are in bold in the record "
                     "table.")
                      .arg(count(static_cast<qint64>(m_events.size() - listed))));
}

void ReportPages::buildSignOff()
{
    section(tr("Sign-off"));
    const int signOff = table();
    row(signOff, Style::Body, {tr("Surveyed by:"), legendText(m_list, 5)});
    if (const QString signature = signatureText(m_list); !signature.isEmpty())
        row(signOff, Style::Body, {ListHeader::SignatureLine, signature});
    row(signOff, Style::Bold, {tr("Reviewed by")});
    const QString blank(40, QChar(u'_'));
    for (const QString &label : {tr("Name:"), tr("Date:"), tr("Signature:")}) {
        row(signOff, Style::Body, {QString(), QString()});
        row(signOff, Style::Body, {label, blank});
    }
}

void ReportPages::measureTables()
{
    std::vector<std::vector<double>> widths(m_tables.size());
    for (const Item &item : m_items) {
        if (item.table < 0)
            continue;
        const QFontMetricsF metrics(font(item.style), &m_writer);
        std::vector<double> &w = widths[static_cast<size_t>(item.table)];
        w.resize(std::max(w.size(), static_cast<size_t>(item.cells.size())), 0.0);
        for (qsizetype c = 0; c < item.cells.size(); ++c)
            w[static_cast<size_t>(c)] =
                std::max(w[static_cast<size_t>(c)], metrics.horizontalAdvance(item.cells[c]));
    }
    const double gap = QFontMetricsF(font(Style::Body), &m_writer).averageCharWidth() * 3;
    for (size_t t = 0; t < m_tables.size(); ++t) {
        Table &table = m_tables[t];
        double left = 0;
        for (const double w : widths[t]) {
            table.columns.push_back(left);
            left += w + gap;
        }
        const double needed = left - gap;
        // Too wide for the page: the last column wraps when the others leave
        // it room, else the type gets smaller; a text is never cut.
        if (needed > m_page.width() && table.columns.back() < m_page.width() * 0.6)
            table.wrapWidth = m_page.width() - table.columns.back();
        else if (needed > m_page.width())
            table.scale = m_page.width() / needed;
        for (double &column : table.columns)
            column *= table.scale;
    }
}

void ReportPages::place()
{
    const double bottom = m_page.height() - m_footer;
    double top = 0;
    int page = 0;
    for (size_t i = 0; i < m_items.size(); ++i) {
        Item &item = m_items[i];
        // A heading or a table's head goes over with what follows it.
        double needed = height(item);
        for (size_t next = i; next + 1 < m_items.size() && m_items[next].keepWithNext; ++next)
            needed += height(m_items[next + 1]);
        const double pageTop = page == 0 ? 0 : m_header;
        if (top > pageTop && top + needed > bottom) {
            ++page;
            top = m_header;
        }
        item.page = page;
        item.top = top;
        top += height(item);
    }
    m_frontPages = page + 1;
}

void ReportPages::paintItem(QPainter &painter, const Item &item)
{
    if (item.graph >= 0) {
        const ReportSummary::UnitFigures &unit = m_summary.units[static_cast<size_t>(item.graph)];
        std::vector<ReportGraph::Level> levels;
        for (const ReportSummary::ThresholdFigures &t : m_summary.thresholds)
            levels.push_back({t.name, t.level});
        painter.setFont(font(Style::Body));
        ReportGraph::paint(
            painter, QRectF(0, item.top, m_page.width(), height(item) * 0.95),
            ReportGraph::points(m_list.records, unit.units, m_summary.first, m_summary.last),
            unit.units, unit.count, m_summary.first, m_summary.last, levels);
        return;
    }
    const double scale = item.table >= 0 ? m_tables[static_cast<size_t>(item.table)].scale : 1;
    painter.setFont(font(item.style, scale));
    const QFontMetricsF metrics(painter.font(), &m_writer);
    if (item.wrap) {
        painter.drawText(QRectF(0, item.top, m_page.width(), height(item)), Qt::TextWordWrap,
                         item.cells.constFirst());
        return;
    }
    const double lineHeight = metrics.lineSpacing();
    const double baseline = item.top + singleHeight(item.style, lineHeight) - lineHeight * 0.25;
    const auto [wrapped, flags] = wrappedCell(item);
    for (qsizetype c = 0; c < item.cells.size(); ++c) {
        const double left =
            item.table >= 0
                ? m_tables[static_cast<size_t>(item.table)].columns[static_cast<size_t>(c)]
                : 0;
        if (c + 1 == item.cells.size() && !wrapped.isEmpty())
            painter.drawText(
                QRectF(left, baseline - metrics.ascent(), m_page.width() - left, m_page.height()),
                flags, wrapped);
        else
            painter.drawText(QPointF(left, baseline), item.cells[c]);
    }
}

void ReportPages::paintRunningHeader(QPainter &painter)
{
    painter.setFont(font(Style::Body));
    const QString fileName = QFileInfo(m_context.listPath).fileName();
    QStringList parts{legendText(m_list, 4), legendText(m_list, 2), fileName};
    parts.removeAll(QString());
    const QRectF band(0, 0, m_page.width(), m_header * 0.6);
    painter.drawText(band, Qt::AlignLeft | Qt::AlignBottom, parts.join(QStringLiteral("  ·  ")));
    painter.drawText(band, Qt::AlignRight | Qt::AlignBottom, tr("Survey report"));
    painter.drawLine(QPointF(0, m_header * 0.7), QPointF(m_page.width(), m_header * 0.7));
}

void ReportPages::paintFooter(QPainter &painter, int page)
{
    painter.setFont(font(Style::Body));
    painter.drawText(QRectF(0, m_page.height() - m_footer, m_page.width(), m_footer),
                     Qt::AlignHCenter | Qt::AlignBottom,
                     tr("Page %1 of %2").arg(page + 1).arg(m_pageCount));
}

bool ReportPages::paint(QPainter &painter)
{
    m_page = QSizeF(m_writer.width(), m_writer.height());
    const double bodyLine = QFontMetricsF(font(Style::Body), &m_writer).lineSpacing();
    m_footer = bodyLine * 2;
    m_header = bodyLine * 2.2;
    buildFront();
    measureTables();
    place();

    // The table in a fixed-pitch font, one line of text a record, so the
    // columns line up without measuring each cell; smaller type for wide
    // columns, and a line still too wide goes on under itself.
    const RecordTable table(m_list.records);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    QFont fixedBold = fixed;
    fixedBold.setBold(true);
    const double usualPixels = font(Style::Body).pointSizeF() * 0.95 * m_writer.resolution() / 72.0;
    const double usualAdvance = FixedPitchText(fixed, usualPixels).advance();
    const auto usualChars = static_cast<qsizetype>(m_page.width() / usualAdvance);
    const double pixelSize = usualPixels * std::clamp(static_cast<double>(usualChars) /
                                                          static_cast<double>(table.usualWidth()),
                                                      0.6, 1.0);
    FixedPitchText text(fixed, pixelSize);
    FixedPitchText boldText(fixedBold, pixelSize);
    const auto charsPerLine =
        std::max<qsizetype>(20, static_cast<qsizetype>(m_page.width() / text.advance()));
    const double rowHeight = std::round(pixelSize * 1.25);
    const double tableTop = m_header + rowHeight * 1.4;
    const auto linesPerPage = std::max<qsizetype>(
        1, static_cast<qsizetype>((m_page.height() - m_footer - tableTop) / rowHeight));

    // Where each table page starts, so every page can say how many there are.
    const auto &records = m_list.records;
    const bool wraps = table.longest() > charsPerLine;
    std::vector<size_t> pageStarts;
    qsizetype used = linesPerPage;
    for (size_t i = 0; i < records.size(); ++i) {
        const qsizetype lines = wraps ? std::min(table.linesOf(i, charsPerLine), linesPerPage) : 1;
        if (used + lines > linesPerPage) {
            pageStarts.push_back(i);
            used = 0;
        }
        used += lines;
    }
    pageStarts.push_back(records.size());
    const int tablePages = static_cast<int>(pageStarts.size()) - 1;
    m_pageCount = m_frontPages + tablePages;

    std::vector<bool> attention(records.size(), false);
    for (const AlarmEvents::Event &e : m_events)
        std::fill(attention.begin() + static_cast<std::ptrdiff_t>(e.first),
                  attention.begin() + static_cast<std::ptrdiff_t>(e.last) + 1, true);

    int page = 0;
    for (const Item &item : m_items) {
        if (item.page != page) {
            paintFooter(painter, page);
            m_writer.newPage();
            page = item.page;
            paintRunningHeader(painter);
        }
        paintItem(painter, item);
    }
    paintFooter(painter, page);

    const QString header = table.header();
    for (int p = 0; p < tablePages; ++p) {
        m_writer.newPage();
        ++page;
        paintRunningHeader(painter);
        boldText.add(QPointF(0, std::round(m_header) + boldText.ascent()), header);
        painter.drawLine(QPointF(0, m_header + rowHeight * 1.2),
                         QPointF(m_page.width(), m_header + rowHeight * 1.2));
        double top = std::round(tableTop);
        const double bottom = m_page.height() - m_footer;
        for (size_t i = pageStarts[static_cast<size_t>(p)];
             i < pageStarts[static_cast<size_t>(p) + 1]; ++i) {
            FixedPitchText &face = attention[i] ? boldText : text;
            const bool firstOfPage = i == pageStarts[static_cast<size_t>(p)];
            const QString line =
                table.record(i, firstOfPage || records[i].instrument != records[i - 1].instrument);
            for (qsizetype from = 0; from < line.size() && top + rowHeight <= bottom + 0.5;
                 from += charsPerLine, top += rowHeight)
                face.add(QPointF(0, top + face.ascent()),
                         QStringView(line).mid(from, charsPerLine));
        }
        text.draw(painter);
        boldText.draw(painter);
        paintFooter(painter, page);
        if (m_context.pageDone && !m_context.pageDone(p + 1, tablePages))
            return false;
    }
    return true;
}

} // namespace

QByteArray SurveyReport::document(const SavedList &list, const ReportContext &context,
                                  bool *stopped)
{
    if (stopped)
        *stopped = false;
    // Fonts come from the platform that a QGuiApplication sets up.
    if (list.records.empty() || !qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return {};
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    bool finished = false;
    {
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        writer.setResolution(300);
        ReportPages pages(list, context, writer);
        // The writer sets the title and creator itself; author and producer
        // travel in the document's metadata stream, which Qt 6.4 lets one fill.
        writer.setTitle(pages.title());
        writer.setCreator(context.program);
        writer.setDocumentXmpMetadata(
            xmpMetadata(pages.title(), legendText(list, 5), context.program));
        QPainter painter(&writer);
        finished = pages.paint(painter);
    }
    if (!finished) {
        if (stopped)
            *stopped = true;
        return {};
    }
    return buffer.data();
}

QString SurveyReport::write(const SavedList &list, const QString &pdfPath,
                            const ReportContext &context, const Progress &progress)
{
    if (!list.error.isEmpty())
        return list.error;
    if (list.records.empty() && list.firstSkippedLine > 0)
        return tr("The list holds no records: its line %1 cannot be read.")
            .arg(list.firstSkippedLine);
    if (list.records.empty())
        return tr("The list holds no records.");
    ReportContext told = context;
    if (progress) {
        told.pageDone = [&context, &progress](int done, int total) {
            return (!context.pageDone || context.pageDone(done, total)) &&
                   progress(total > 0 ? static_cast<double>(done) / total : 1.0);
        };
    }
    bool stopped = false;
    const QByteArray bytes = document(list, told, &stopped);
    if (stopped)
        return tr("The report was stopped; no file was written.");
    if (bytes.isEmpty())
        return tr("The report of %1 could not be drawn.").arg(pdfPath);
    return ListExport::writeInPlace(bytes, pdfPath);
}
