#include "CalibrationDue.h"

#include "CalibrationRecord.h"
#include "Clock.h"
#include "ProfileFile.h"

#include <QCoreApplication>

namespace {

const QString StoredFormat = QStringLiteral("yyyy-MM-dd");
// The record's texts are at most 12 characters; a longer stored text was not written here.
constexpr int KeptTextSize = 20;

// Writes a key only when its text changes, so a settings file is not rewritten
// on every calibration read.
void keep(const ProfileFile &settings, const QString &key, const QString &text)
{
    if (settings.ReadProfileKey(key, QString(), KeptTextSize).text != text)
        settings.WriteProfileKey(key, text);
}

QString tr(const char *text)
{
    return QCoreApplication::translate("CalibrationDue", text);
}

QString dayCount(qint64 days)
{
    return days == 1 ? tr("1 day") : tr("%1 days").arg(days);
}

QString shown(const QDate &date)
{
    return date.toString(QStringLiteral("dd/MM/yyyy"));
}

} // namespace

CalibrationDue::CalibrationDue(const ProfileFile &settings, const Clock &clock)
    : m_settings(settings), m_clock(clock)
{}

std::optional<QDate> CalibrationDue::dueDate(const QString &text)
{
    const QString trimmed = text.trimmed();
    for (const QString &format : {QStringLiteral("dd/MM/yyyy"), QStringLiteral("MM/dd/yyyy")}) {
        const QDate date = QDate::fromString(trimmed, format);
        if (date.isValid())
            return date;
    }
    return std::nullopt;
}

CalibrationDue::Verdict CalibrationDue::verdict(const std::optional<QDate> &due) const
{
    if (!due)
        return {};
    const qint64 left = m_clock.now().date().daysTo(*due);
    if (left < 0)
        return {State::Overdue, -left, *due};
    return {left <= SoonDays ? State::DueSoon : State::Fine, left, *due};
}

QString CalibrationDue::describe(const Verdict &verdict)
{
    switch (verdict.state) {
    case State::Overdue:
        return tr("Overdue by %1: the meter is out of calibration.").arg(dayCount(verdict.days));
    case State::DueSoon:
        if (verdict.days == 0)
            return tr("Due today.");
        return tr("Due within %1 days: in %2.").arg(SoonDays).arg(dayCount(verdict.days));
    case State::Fine:
        return tr("In calibration: due in %1.").arg(dayCount(verdict.days));
    case State::Unknown:
        break;
    }
    return tr("The due date cannot be read.");
}

void CalibrationDue::remember(const CalibrationRecord &record)
{
    const QString key = instrumentKey(record.meter);
    const std::optional<QDate> due = dueDate(record.due);
    if (key.isEmpty() || !due)
        return;
    // Kept for this run even when the settings cannot be written.
    m_kept.insert(key, due);
    keep(m_settings, QStringLiteral("CalDue") + key, due->toString(StoredFormat));
    keep(m_settings, QStringLiteral("CalMeter") + key, record.meter.trimmed());
    keep(m_settings, QStringLiteral("CalFactor") + key, record.factor.trimmed());
    keep(m_settings, QStringLiteral("CalBy") + key, record.name.trimmed());
}

QString CalibrationDue::noticeFor(const QString &instrumentNumber)
{
    const QString key = instrumentKey(instrumentNumber);
    if (key.isEmpty())
        return {};
    const Verdict v = verdict(keptDate(key));
    if (v.state != State::Overdue)
        return {};
    return tr("Instrument %1 is out of calibration: it was due on %2, %3 ago.")
        .arg(instrumentNumber.trimmed(), shown(v.due), dayCount(v.days));
}

std::optional<QDate> CalibrationDue::keptDate(const QString &key)
{
    const auto found = m_kept.constFind(key);
    if (found != m_kept.constEnd())
        return *found;
    const std::optional<QDate> kept = keptDue(m_settings, key);
    m_kept.insert(key, kept);
    return kept;
}

std::optional<QDate> CalibrationDue::keptDue(const ProfileFile &settings,
                                             const QString &instrumentNumber)
{
    const QString key = instrumentKey(instrumentNumber);
    if (key.isEmpty())
        return std::nullopt;
    const QString text =
        settings.ReadProfileKey(QStringLiteral("CalDue") + key, QString(), 20).text.trimmed();
    const QDate date = QDate::fromString(text, StoredFormat);
    return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
}

CalibrationDue::Kept CalibrationDue::kept(const ProfileFile &settings,
                                          const QString &instrumentNumber)
{
    const QString key = instrumentKey(instrumentNumber);
    if (key.isEmpty())
        return {};
    const auto text = [&](const QString &name) {
        return settings.ReadProfileKey(name + key, QString(), KeptTextSize).text.trimmed();
    };
    return {text(QStringLiteral("CalMeter")), text(QStringLiteral("CalFactor")),
            text(QStringLiteral("CalBy")), keptDue(settings, instrumentNumber)};
}

QString CalibrationDue::instrumentKey(const QString &instrumentNumber)
{
    QString key;
    QString digits;
    const auto endNumber = [&] {
        // Leading zeros are padding; a number of zeros alone stays one zero.
        while (digits.size() > 1 && digits.front() == u'0')
            digits.remove(0, 1);
        key += digits;
        digits.clear();
    };
    for (const QChar c : instrumentNumber) {
        if (c.unicode() >= 128)
            continue;
        if (c.isDigit()) {
            digits += c;
            continue;
        }
        endNumber();
        if (c.isLetter())
            key += c.toUpper();
    }
    endNumber();
    return key;
}

QString CalibrationDue::settingsKey(const QString &instrumentNumber)
{
    return QStringLiteral("CalDue") + instrumentKey(instrumentNumber);
}
