#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

// The zip container of a workbook. Reading opens the package once and lists
// its parts, leaving them compressed; only the parts asked for are inflated,
// within one limit for all. Writing takes parts from memory, from files or,
// still compressed, from the package they were read from, in the order
// given, and puts the archive under its name only once it is complete and
// synced.
class XlsxPackage
{
public:
    // A package opened for reading. Every part is read and copied from this
    // one opening, so a file saved meanwhile under the package's name cannot
    // mix two versions in one workbook.
    class Source;

    struct Part
    {
        QString name;
        QByteArray bytes;
        QString file; // when set, the part's bytes are this file's
        // When set, the part is still compressed in this package, as its entry
        // `entry` of `size` bytes; it is copied as it is, without being inflated.
        std::shared_ptr<Source> archive = {};
        qint64 entry = -1;
        qint64 size = 0;
    };

    // What the parts inflated from one package may take in all.
    static constexpr qint64 MaxInflatedSize = 100LL * 1024 * 1024;

    // The parts of the zip at `path`, or of the zip `bytes`, none of them
    // inflated. Nothing, with the reason in `problem`, when it is no readable
    // zip, when its entries overlap or claim more than the file holds, or
    // when it holds a part twice, an encrypted part or a part named outside
    // the package.
    static std::optional<std::vector<Part>> read(const QString &path, QString &problem);
    static std::optional<std::vector<Part>> read(const QByteArray &bytes, QString &problem);

    // Inflates the parts named `names` that are still compressed. False, with
    // the reason in `problem`, beyond MaxInflatedSize or when one is damaged.
    static bool inflate(std::vector<Part> &parts, const QStringList &names, QString &problem);

    // Empty on success, else the reason; `path` is untouched on failure. A
    // `path` that is a symbolic link is kept: the file it points to is
    // replaced, keeping its permissions.
    static QString write(const QString &path, const std::vector<Part> &parts);

    static const Part *find(const std::vector<Part> &parts, const QString &name);
};
