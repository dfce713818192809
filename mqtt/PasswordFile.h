#pragma once

#include <QString>

#include <optional>

// The broker password in a file of its own, never in the settings file nor
// on a command line: the first line of the file.
class PasswordFile
{
public:
    // Longer files are not password files.
    static constexpr qint64 MaxBytes = 4096;

    // The password, or nothing with the reason in *problem.
    static std::optional<QString> read(const QString &path, QString *problem);

    // Writes the password to a file only its owner can read or write (0600),
    // aside and renamed into place; an empty password removes the file.
    // False with the reason in *problem.
    static bool write(const QString &path, const QString &password, QString *problem);
};
