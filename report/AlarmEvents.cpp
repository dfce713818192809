#include "AlarmEvents.h"

#include "ListToCells.h"

#include <QObject>

#include <algorithm>

bool AlarmEvents::callsForAttention(const RecordFields &record, std::optional<double> warning,
                                    std::optional<double> alarm)
{
    // A reading equal to a level is not above it, as the live alarm decides.
    return (record.status & AttentionBits) != 0 || (warning && record.value > *warning) ||
           (alarm && record.value > *alarm);
}

std::vector<AlarmEvents::Event> AlarmEvents::of(const CompactRecords &records,
                                                std::optional<double> warning,
                                                std::optional<double> alarm)
{
    std::vector<Event> events;
    bool open = false;
    for (size_t i = 0; i < records.size(); ++i) {
        const RecordFields &r = records[i];
        if (!callsForAttention(r, warning, alarm)) {
            open = false;
            continue;
        }
        if (!open) {
            events.push_back({i, i, r.time, r.time, i, {}, {}});
            open = true;
        }
        Event &e = events.back();
        e.last = i;
        if (r.time.isValid()) {
            if (!e.start.isValid() || r.time < e.start)
                e.start = r.time;
            if (!e.end.isValid() || r.time > e.end)
                e.end = r.time;
        }
        if (r.value > records[e.peak].value)
            e.peak = i;
        const QString word = ListToCells::statusWord(r.status);
        if (!e.words.contains(word))
            e.words << word;
    }
    for (Event &e : events) {
        const double peak = records[e.peak].value;
        if (alarm && peak > *alarm)
            e.level = QObject::tr("Alarm");
        else if (warning && peak > *warning)
            e.level = QObject::tr("Warning");
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const Event &a, const Event &b) { return a.start < b.start; });
    return events;
}
