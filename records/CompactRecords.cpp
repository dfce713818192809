#include "CompactRecords.h"

namespace {

enum Field { Instrument, ValueText, Units, Detector };

} // namespace

CompactRecords::CompactRecords(const std::vector<RecordFields> &records)
{
    for (const RecordFields &r : records)
        push_back(r);
}

CompactRecords &CompactRecords::operator=(const std::vector<RecordFields> &records)
{
    clear();
    for (const RecordFields &r : records)
        push_back(r);
    return *this;
}

RecordFields CompactRecords::operator[](size_t index) const
{
    const Packed &p = m_blocks[index / BlockRecords][index % BlockRecords];
    RecordFields r;
    r.instrument = m_texts.text(p.instrument);
    if (p.timeKind != NoTime)
        r.time =
            QDateTime::fromMSecsSinceEpoch(p.msecs, p.timeKind == Utc ? Qt::UTC : Qt::LocalTime);
    r.valueText = m_texts.text(p.valueText);
    r.value = p.value;
    r.marked = p.marked;
    r.units = m_texts.text(p.units);
    r.status = p.status;
    r.detector = m_texts.text(p.detector);
    return r;
}

void CompactRecords::push_back(const RecordFields &record)
{
    Packed p{};
    if (!record.time.isValid())
        p.timeKind = NoTime;
    else
        p.timeKind = record.time.timeSpec() == Qt::LocalTime ? LocalTime : Utc;
    p.msecs = record.time.isValid() ? record.time.toMSecsSinceEpoch() : 0;
    p.value = record.value;
    p.status = record.status;
    p.marked = record.marked;
    p.instrument = addText(Instrument, record.instrument);
    p.valueText = addText(ValueText, record.valueText);
    p.units = addText(Units, record.units);
    p.detector = addText(Detector, record.detector);
    if (m_blocks.empty() || m_blocks.back().size() == BlockRecords) {
        m_blocks.emplace_back();
        m_blocks.back().reserve(BlockRecords);
    }
    m_blocks.back().push_back(p);
}

void CompactRecords::clear()
{
    m_blocks.clear();
    m_texts.clear();
    m_lastTexts = {};
    m_lastRefs = {};
}

TextPool::Ref CompactRecords::addText(int field, const QString &text)
{
    const auto f = static_cast<size_t>(field);
    if (text != m_lastTexts[f]) {
        m_lastRefs[f] = m_texts.add(text);
        m_lastTexts[f] = text;
    }
    return m_lastRefs[f];
}
