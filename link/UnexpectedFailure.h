#pragma once

#include <QString>
#include <exception>

// An unexpected failure caught in the receive path, shown to the user in the
// same form wherever it happens; processing then goes on with the next step.
struct UnexpectedFailure
{
    static inline const QString OnCommTitle = QStringLiteral("TESK : On Comm");
    static inline const QString CheckTitle = QStringLiteral("TESK : check");

    int number = 0;
    QString description;
    qsizetype index = 0; // loop index at the failure
    QString title = OnCommTitle;

    // "Error #", the number, the description, "After Line : 0" and "i = " with the index.
    QString text() const;

    // The number and words for a caught exception.
    static UnexpectedFailure fromException(const std::exception_ptr &failure, qsizetype index,
                                           const QString &title);
};
