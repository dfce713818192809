#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

// The zip container of a workbook. Reading keeps every part in memory (a
// template is small); writing takes parts from memory or from files, in
// the order given, and puts the archive under its name only once it is
// complete and synced.
class XlsxPackage
{
public:
    struct Part
    {
        QString name;
        QByteArray bytes;
        QString file; // when set, the part's bytes are this file's
    };

    // Parts larger than this are refused when a template is read.
    static constexpr qint64 MaxPartSize = 256LL * 1024 * 1024;

    // Nothing, with the reason in `problem`, when the file is no readable zip.
    static std::optional<std::vector<Part>> read(const QString &path, QString &problem);

    // Empty on success, else the reason; `path` is untouched on failure.
    static QString write(const QString &path, const std::vector<Part> &parts);

    static const Part *find(const std::vector<Part> &parts, const QString &name);
};
