#include "UnexpectedFailure.h"

#include "NumberText.h"

#include <new>
#include <stdexcept>

QString UnexpectedFailure::text() const
{
    return QStringLiteral("Error #%1\n%2\nAfter Line : 0i = %3")
        .arg(number)
        .arg(description, NumberText::display(static_cast<double>(index)));
}

UnexpectedFailure UnexpectedFailure::fromException(const std::exception_ptr &failure,
                                                   qsizetype index, const QString &title)
{
    UnexpectedFailure result;
    result.index = index;
    result.title = title;
    // The numbers are those users of earlier versions know from the same failures.
    try {
        std::rethrow_exception(failure);
    } catch (const std::bad_alloc &) {
        result.number = 7;
        result.description = QStringLiteral("Out of memory");
    } catch (const std::out_of_range &e) {
        result.number = 9;
        result.description =
            QStringLiteral("Subscript out of range (%1)").arg(QString::fromLocal8Bit(e.what()));
    } catch (const std::exception &e) {
        result.number = 5;
        result.description = QString::fromLocal8Bit(e.what());
    } catch (...) {
        result.number = 5;
        result.description = QStringLiteral("Unknown failure");
    }
    return result;
}
