#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The zip container of a workbook. Reading lists the parts and leaves them
// compressed in the file; only the parts asked for are inflated, within one
// limit for all. Writing takes parts from memory, from files or, still
// compressed, from the archive they were read from, in the order given, and
// puts the archive under its name only once it is complete and synced.
class XlsxPackage
{
public:
    struct Part
    {
        QString name;
        QByteArray bytes;
        QString file; // when set, the part's bytes are this file's
        // When set, the part is still compressed in this zip, as its entry `entry`
        // of `size` bytes; it is copied as it is, without being inflated.
        QString archive = {};
        qint64 entry = -1;
        qint64 size = 0;
    };

    // What the parts inflated from one package may take in all.
    static constexpr qint64 MaxInflatedSize = 100LL * 1024 * 1024;

    // The parts of the zip at `path`, none of them inflated. Nothing, with the
    // reason in `problem`, when the file is no readable zip, holds a part twice
    // or names a part outside the package.
    static std::optional<std::vector<Part>> read(const QString &path, QString &problem);

    // Inflates the parts named `names` that are still compressed. False, with
    // the reason in `problem`, beyond MaxInflatedSize or when one is damaged.
    static bool inflate(std::vector<Part> &parts, const QStringList &names, QString &problem);

    // Empty on success, else the reason; `path` is untouched on failure.
    static QString write(const QString &path, const std::vector<Part> &parts);

    static const Part *find(const std::vector<Part> &parts, const QString &name);
};
