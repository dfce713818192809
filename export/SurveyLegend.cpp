#include "SurveyLegend.h"

#include "DateTimeText.h"

SurveyLegend::SurveyLegend(const ProfileFile &settings, std::function<QDate()> today)
    : m_settings(settings), m_today(std::move(today))
{}

const SurveyLegend::Texts &SurveyLegend::texts() const
{
    if (!m_texts) {
        Texts t;
        m_settings.readText(QStringLiteral("Department"), {}, SettingSize, t.Department);
        m_settings.readText(QStringLiteral("Location"), {}, SettingSize, t.Location);
        m_settings.readText(QStringLiteral("Personnel"), {}, SettingSize, t.Personnel);
        m_settings.readText(QStringLiteral("Detector"), {}, SettingSize, t.Detector);
        t.MyDate = DateTimeText::format(DateTimeText::wallClock(m_today(), QTime(0, 0)));
        m_texts = std::move(t);
    }
    return *m_texts;
}

QStringList SurveyLegend::headerLines() const
{
    const Texts &t = texts();
    const QChar blank(u' ');
    return {DepartmentCaption + blank + t.Department, DateCaption + blank + t.MyDate,
            DetectorCaption + blank + t.Detector, LocationCaption + blank + t.Location,
            PersonnelCaption + blank + t.Personnel};
}

bool SurveyLegend::confirm(const Texts &texts)
{
    m_texts = texts;
    bool written = m_settings.WriteProfileKey(QStringLiteral("Department"), texts.Department);
    written = m_settings.WriteProfileKey(QStringLiteral("Location"), texts.Location) && written;
    written = m_settings.WriteProfileKey(QStringLiteral("Personnel"), texts.Personnel) && written;
    written = m_settings.WriteProfileKey(QStringLiteral("Detector"), texts.Detector) && written;
    return written;
}
