#pragma once

#include "CellValue.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <optional>
#include <vector>

class WorkbookParts;

// Cell formats for dates. A cell keeps its own format when that shows a
// date; otherwise it gets a copy of its format that shows the date (or the
// date and time), added to the workbook's cell formats.
class DateStyles
{
public:
    static constexpr int DateFormat = 14;     // the built-in short date
    static constexpr int DateTimeFormat = 22; // the built-in date and time

    DateStyles(const WorkbookParts &parts, const QByteArray &stylesXml);

    // The cell format for a value of `kind` in a cell formatted `base`.
    int styleFor(int base, CellValue::Kind kind);

    // The style a new cell takes from its column: a column's date format is
    // not forced on a text or a number.
    int columnStyleFor(int columnStyle, CellValue::Kind kind) const;

    bool changed() const { return !m_added.empty(); }
    // The styles part with the added formats; nothing when it cannot be read whole.
    std::optional<QByteArray> rewrite(const QByteArray &stylesXml) const;

private:
    const WorkbookParts &m_parts;
    // Only the number of cell formats is kept: a template may hold millions.
    size_t m_xfCount = 0;
    std::map<std::pair<int, int>, int> m_clones; // (base, format) -> added index
    std::vector<std::pair<int, int>> m_added;
};
