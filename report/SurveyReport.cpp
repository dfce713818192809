#include "SurveyReport.h"

#include "DateTimeText.h"
#include "GraphData.h"
#include "GraphPicture.h"
#include "ListExport.h"
#include "ListToCells.h"
#include "ReportSummary.h"
#include "SavedList.h"
#include "SerialDate.h"
#include "SurveyLegend.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QLocale>
#include <QObject>
#include <QPainter>
#include <QPdfWriter>
#include <QRawFont>
#include <QSet>

#include <algorithm>
#include <array>
#include <numeric>

namespace {

QString tr(const char *text)
{
    return QObject::tr(text);
}

QString number(double value)
{
    return QLocale::c().toString(value, 'f', 2);
}

QString timeText(const QDateTime &time)
{
    return time.isValid() ? DateTimeText::format(time) : QString();
}

// The span between two readings, to the second.
QString spanBetween(const QDateTime &from, const QDateTime &to)
{
    return ReportSummary::spanText(from.isValid() && to.isValid() ? from.secsTo(to) : 0);
}

// The widths of the table's columns in characters; the detector takes the rest.
constexpr std::array<int, ListToCells::ColumnCount> ColumnChars{13, 20, 11, 5, 9, 17, 0};

QString tableLine(const std::array<QString, ListToCells::ColumnCount> &cells)
{
    QString line;
    line.reserve(100);
    for (int c = 0; c < ListToCells::ColumnCount; ++c) {
        const QString &cell = cells[static_cast<size_t>(c)];
        const int width = ColumnChars[static_cast<size_t>(c)];
        if (width == 0)
            line += cell;
        else if (c == 2) // values line up at the decimal point
            line += cell.left(width - 2).rightJustified(width - 2) + QStringLiteral("  ");
        else
            line += cell.left(width - 1).leftJustified(width);
    }
    return line;
}

std::array<QString, ListToCells::ColumnCount> recordCells(const RecordFields &r)
{
    return {r.instrument,
            DateTimeText::format(r.time),
            r.valueText.trimmed(),
            r.marked ? QStringLiteral("*") : QString(),
            r.units,
            ListToCells::statusText(r.status),
            r.detector};
}

// The points the graph is drawn from, in time order: every reading when the
// graph can hold them all, else the lowest and highest reading of each of
// GraphColumns stretches of time, which keeps every peak in the picture.
std::vector<const RecordFields *> graphPoints(const std::vector<RecordFields> &records,
                                              const QDateTime &first, const QDateTime &last)
{
    std::vector<const RecordFields *> points;
    if (records.size() <= static_cast<size_t>(GraphData::LastFullIndex)) {
        for (const RecordFields &r : records)
            points.push_back(&r);
    } else {
        const double span = static_cast<double>(first.msecsTo(last));
        std::vector<std::pair<const RecordFields *, const RecordFields *>> columns(
            SurveyReport::GraphColumns, {nullptr, nullptr});
        for (const RecordFields &r : records) {
            // Readings all of one time fall in the first column.
            const double at = span > 0 ? static_cast<double>(first.msecsTo(r.time)) / span : 0;
            auto &[low, high] =
                columns[static_cast<size_t>(std::clamp(at * (SurveyReport::GraphColumns - 1), 0.0,
                                                       double(SurveyReport::GraphColumns - 1)))];
            if (!low || r.value < low->value)
                low = &r;
            if (!high || r.value > high->value)
                high = &r;
        }
        for (const auto &[low, high] : columns) {
            if (!low)
                continue;
            points.push_back(low);
            if (high != low)
                points.push_back(high);
        }
    }
    std::stable_sort(
        points.begin(), points.end(),
        [](const RecordFields *a, const RecordFields *b) { return a->time < b->time; });
    return points;
}

// Hands the points to the graph's data as the graph window takes the list's.
// The graph draws and scales the points before the last one handed over (the
// window's cursor may step onto that one), so the last point goes in twice:
// the report's picture then holds every reading, the newest included.
bool fillGraph(GraphData &data, const std::vector<const RecordFields *> &points)
{
    std::vector<std::array<double, 1>> values;
    std::vector<double> times;
    values.reserve(points.size() + 1);
    times.reserve(points.size() + 1);
    for (const RecordFields *r : points) {
        values.push_back({r->value});
        times.push_back(SerialDate::fromDateTime(r->time));
    }
    values.push_back(values.back());
    times.push_back(times.back());
    const QString name = points.front()->instrument;
    const QString units = points.front()->units;
    return data.PutData<1>(std::span(&name, 1), static_cast<int>(points.size()),
                           std::span<const std::array<double, 1>>(values), std::span(&units, 1),
                           std::span<const double>(times), 0, 1);
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
        m_advance = zero.isEmpty() ? pixelSize * 0.6
                                   : m_font.advancesForGlyphIndexes(zero).constFirst().x();
        for (char16_t c = 0; c < m_ascii.size(); ++c) {
            const QList<quint32> glyph = m_font.glyphIndexesForString(QString(QChar(c)));
            m_ascii[c] = glyph.isEmpty() ? 0 : glyph.constFirst();
        }
    }

    double advance() const { return m_advance; }
    double ascent() const { return m_font.ascent(); }

    void draw(QPainter &painter, const QPointF &origin, const QString &line)
    {
        m_glyphs.clear();
        m_positions.clear();
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
            m_positions.push_back(QPointF(static_cast<double>(i) * m_advance, 0));
        }
        if (m_glyphs.isEmpty())
            return;
        QGlyphRun run;
        run.setRawFont(m_font);
        run.setGlyphIndexes(m_glyphs);
        run.setPositions(m_positions);
        painter.drawGlyphRun(origin, run);
    }

private:
    QRawFont m_font;
    double m_advance = 0;
    std::array<quint32, 128> m_ascii{};
    QList<quint32> m_glyphs;
    QList<QPointF> m_positions;
};

// The report's pages: the front (legend, summary and graph) flowing over as
// many pages as it needs, then the record table.
class ReportPages
{
public:
    ReportPages(const SavedList &list, const ReportContext &context, QPdfWriter &writer)
        : m_list(list)
        , m_context(context)
        , m_writer(writer)
        , m_summary(ReportSummary::of(list.records, context.warning, context.alarm))
    {}

    // False when `progress` stopped it.
    bool paint(QPainter &painter, const SurveyReport::Progress &progress);

private:
    enum class Style { Heading, Section, Body, Bold };
    struct Item
    {
        Style style = Style::Body;
        QStringList cells; // one text, or the cells of a row at Columns
        std::vector<double> columns;
        bool graph = false;
        double top = 0; // placed on page `page` at `top`
        int page = 0;
    };

    void buildFront();
    void line(Style style, const QString &text) { m_items.push_back({style, {text}, {0}}); }
    void row(Style style, const QStringList &cells, std::vector<double> columns)
    {
        m_items.push_back({style, cells, std::move(columns)});
    }
    QFont font(Style style) const;
    double height(const Item &item) const;
    void place();
    void paintItem(QPainter &painter, const Item &item);
    void paintFooter(QPainter &painter, int page);
    void paintGraph(QPainter &painter, const QRectF &area);

    const SavedList &m_list;
    const ReportContext &m_context;
    QPdfWriter &m_writer;
    ReportSummary m_summary;
    std::vector<Item> m_items;
    QSizeF m_page;
    double m_footer = 0;
    int m_frontPages = 1;
    int m_rowsPerPage = 1;
    int m_pageCount = 1;
};

QFont ReportPages::font(Style style) const
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    switch (style) {
    case Style::Heading:
        f.setPointSizeF(16);
        f.setBold(true);
        break;
    case Style::Section:
        f.setPointSizeF(12);
        f.setBold(true);
        break;
    case Style::Bold:
        f.setPointSizeF(9);
        f.setBold(true);
        break;
    case Style::Body:
        f.setPointSizeF(9);
        break;
    }
    return f;
}

double ReportPages::height(const Item &item) const
{
    if (item.graph)
        return m_page.height() * 0.42;
    const double lineHeight = QFontMetricsF(font(item.style), &m_writer).lineSpacing();
    switch (item.style) {
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
    line(Style::Heading, tr("TESK Meter View survey report"));
    static const std::array<QString, 5> Labels = {
        SurveyLegend::DepartmentCaption, SurveyLegend::DateCaption, SurveyLegend::DetectorCaption,
        SurveyLegend::LocationCaption, SurveyLegend::PersonnelCaption};
    for (int i = 0; i < 5; ++i) {
        const QString header = i < m_list.header.size() ? m_list.header[i] : QString();
        row(Style::Body,
            {Labels[static_cast<size_t>(i)],
             ListToCells::legendValue(i + 1, header).value_or(QString()).trimmed()},
            {0, 0.22});
    }
    // Each instrument once, in the order of its first reading.
    QStringList instruments;
    QSet<QString> seen;
    for (const RecordFields &r : m_list.records)
        if (!seen.contains(r.instrument)) {
            seen.insert(r.instrument);
            instruments << r.instrument;
        }
    QString label = instruments.size() == 1 ? tr("Instrument:") : tr("Instruments:");
    for (const QString &instrument : instruments) {
        const QString state = m_context.calibrationState(instrument);
        row(Style::Body,
            {label, instrument, state.isEmpty() ? QString() : tr("calibration %1").arg(state)},
            {0, 0.22, 0.45});
        label.clear();
    }

    line(Style::Section, tr("Summary"));
    const std::vector<double> pairs{0, 0.22};
    row(Style::Body, {tr("Records:"), QString::number(m_summary.records)}, pairs);
    if (m_list.firstSkippedLine > 0)
        row(Style::Body,
            {tr("Damaged:"), tr("line %1 of the list cannot be read; the report holds the "
                                "records before it")
                                 .arg(m_list.firstSkippedLine)},
            pairs);
    row(Style::Body, {tr("First reading:"), timeText(m_summary.first)}, pairs);
    row(Style::Body, {tr("Last reading:"), timeText(m_summary.last)}, pairs);
    row(Style::Body, {tr("Span:"), spanBetween(m_summary.first, m_summary.last)}, pairs);

    const std::vector<double> unitColumns{0, 0.14, 0.28, 0.42, 0.56, 0.70};
    row(Style::Bold,
        {tr("Units"), tr("Readings"), tr("Minimum"), tr("Maximum"), tr("Mean"),
         tr("Time of maximum")},
        unitColumns);
    for (const ReportSummary::UnitFigures &u : m_summary.units)
        row(Style::Body,
            {u.units, QString::number(u.count), number(u.minimum), number(u.maximum),
             number(u.mean), timeText(u.maximumTime)},
            unitColumns);

    const std::vector<double> levelColumns{0, 0.12, 0.24, 0.38, 0.52, 0.76};
    row(Style::Bold,
        {tr("Threshold"), tr("Level"), tr("Above"), tr("Longest run"), tr("From"), tr("Run span")},
        levelColumns);
    for (const ReportSummary::ThresholdFigures &t : m_summary.thresholds)
        row(Style::Body,
            {t.name, number(t.level), QString::number(t.above), QString::number(t.longestRun),
             t.longestRun > 0 ? timeText(t.runStart) : QString(),
             t.longestRun > 0 ? spanBetween(t.runStart, t.runEnd) : QString()},
            levelColumns);

    const std::vector<double> statusColumns{0, 0.14};
    row(Style::Bold, {tr("Status"), tr("Readings")}, statusColumns);
    for (const ReportSummary::StatusCount &s : m_summary.statuses)
        row(Style::Body, {s.word, QString::number(s.count)}, statusColumns);

    line(Style::Section, tr("Graph"));
    m_items.push_back({Style::Body, {}, {}, true});
}

void ReportPages::place()
{
    const double bottom = m_page.height() - m_footer;
    double top = 0;
    int page = 0;
    for (Item &item : m_items) {
        const double h = height(item);
        if (top > 0 && top + h > bottom) {
            ++page;
            top = 0;
        }
        item.page = page;
        item.top = top;
        top += h;
    }
    m_frontPages = page + 1;
    const double rowHeight = QFontMetricsF(font(Style::Body), &m_writer).lineSpacing();
    m_rowsPerPage = std::max(1, static_cast<int>(bottom / rowHeight) - 2);
    const auto records = static_cast<qint64>(m_list.records.size());
    m_pageCount = m_frontPages + static_cast<int>((records + m_rowsPerPage - 1) / m_rowsPerPage);
}

void ReportPages::paintItem(QPainter &painter, const Item &item)
{
    if (item.graph) {
        paintGraph(painter, QRectF(0, item.top, m_page.width(), height(item)));
        return;
    }
    painter.setFont(font(item.style));
    const double baseline =
        item.top + height(item) - QFontMetricsF(painter.font(), &m_writer).lineSpacing() * 0.25;
    for (qsizetype c = 0; c < item.cells.size(); ++c)
        painter.drawText(QPointF(item.columns[static_cast<size_t>(c)] * m_page.width(), baseline),
                         item.cells[c]);
}

void ReportPages::paintGraph(QPainter &painter, const QRectF &area)
{
    painter.setFont(font(Style::Body));
    const std::vector<const RecordFields *> points =
        graphPoints(m_list.records, m_summary.first, m_summary.last);
    auto data = std::make_unique<GraphData>();
    if (m_summary.first == m_summary.last || !fillGraph(*data, points)) {
        painter.drawText(area.topLeft() + QPointF(0, painter.fontMetrics().ascent()),
                         tr("Too few readings at different times for a graph."));
        return;
    }
    GraphPicture::paint(painter, area, *data, {m_context.warning, m_context.alarm});
}

void ReportPages::paintFooter(QPainter &painter, int page)
{
    painter.setFont(font(Style::Body));
    painter.drawText(QRectF(0, m_page.height() - m_footer, m_page.width(), m_footer),
                     Qt::AlignHCenter | Qt::AlignBottom,
                     tr("Page %1 of %2").arg(page + 1).arg(m_pageCount));
}

bool ReportPages::paint(QPainter &painter, const SurveyReport::Progress &progress)
{
    m_page = QSizeF(m_writer.width(), m_writer.height());
    m_footer = QFontMetricsF(font(Style::Body), &m_writer).lineSpacing() * 2;
    buildFront();
    place();

    int page = 0;
    for (const Item &item : m_items) {
        if (item.page != page) {
            paintFooter(painter, page);
            m_writer.newPage();
            page = item.page;
        }
        paintItem(painter, item);
    }
    paintFooter(painter, page);

    // The table in a fixed-pitch font, one line of text a record, so the
    // columns line up without measuring each cell.
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    QFont fixedBold = fixed;
    fixedBold.setBold(true);
    const double pixelSize = font(Style::Body).pointSizeF() * 0.95 * m_writer.resolution() / 72.0;
    FixedPitchText text(fixed, pixelSize);
    FixedPitchText boldText(fixedBold, pixelSize);
    const double rowHeight = QFontMetricsF(font(Style::Body), &m_writer).lineSpacing();
    std::array<QString, ListToCells::ColumnCount> titles;
    for (int c = 0; c < ListToCells::ColumnCount; ++c)
        titles[static_cast<size_t>(c)] = ListToCells::columnTitle(c);
    const QString header = tableLine(titles);
    const auto &records = m_list.records;
    for (size_t first = 0; first < records.size(); first += static_cast<size_t>(m_rowsPerPage)) {
        if (progress && !progress(static_cast<double>(first) / static_cast<double>(records.size())))
            return false;
        m_writer.newPage();
        ++page;
        boldText.draw(painter, QPointF(0, boldText.ascent()), header);
        painter.drawLine(QPointF(0, rowHeight * 1.2), QPointF(m_page.width(), rowHeight * 1.2));
        const size_t end = std::min(records.size(), first + static_cast<size_t>(m_rowsPerPage));
        double top = rowHeight * 1.4;
        for (size_t i = first; i < end; ++i, top += rowHeight)
            text.draw(painter, QPointF(0, top + text.ascent()), tableLine(recordCells(records[i])));
        paintFooter(painter, page);
    }
    return true;
}

} // namespace

QByteArray SurveyReport::document(const SavedList &list, const ReportContext &context,
                                  const Progress &progress)
{
    // Fonts come from the platform that a QGuiApplication sets up.
    if (list.records.empty() || !qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return {};
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        writer.setResolution(300);
        writer.setTitle(tr("TESK Meter View survey report"));
        writer.setCreator(QStringLiteral("TESK Meter View"));
        QPainter painter(&writer);
        if (!ReportPages(list, context, writer).paint(painter, progress))
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
    bool stopped = false;
    const Progress watched = [&progress, &stopped](double done) {
        stopped = stopped || (progress && !progress(done));
        return !stopped;
    };
    const QByteArray bytes = document(list, context, watched);
    // Asked once more before the file is put in place.
    if (!watched(1.0))
        return tr("The report was cancelled.");
    if (bytes.isEmpty())
        return tr("The report of %1 could not be drawn.").arg(pdfPath);
    return ListExport::writeInPlace(bytes, pdfPath);
}
