#include "Trap.h"

#include "Dialogs.h"
#include "Failure.h"

#include <new>

#ifndef QUORVANE_SUPPORT_EMAIL
#error "QUORVANE_SUPPORT_EMAIL must be defined by the build"
#endif

namespace look {

QString locationString(const char* location) {
    return QStringLiteral("in Brevanel2021/08/31.") + QString::fromLatin1(location) +
           QLatin1Char(' ');
}

QString errorMessage(const QString& description, const QString& location, int statement) {
    return description + QStringLiteral("\r\n") + location + QStringLiteral("at line ") +
           QString::number(statement) + QStringLiteral("\r\r") +
           QStringLiteral("Please email screenshot of this message to ") +
           QStringLiteral(QUORVANE_SUPPORT_EMAIL);
}

void reportError(const QString& description, const char* location, int statement) {
    dialogs().error(QStringLiteral("Application Error"),
                    errorMessage(description, locationString(location), statement));
}

QString describe(std::exception_ptr failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const Failure& f) {
        return f.description();
    } catch (const std::bad_alloc&) {
        return QString::fromLatin1(failures::OutOfMemory);
    } catch (const std::out_of_range&) {
        return QString::fromLatin1(failures::SubscriptOutOfRange);
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("Unknown failure");
    }
}

}  // namespace look
