#pragma once

#include <QString>
#include <exception>
#include <utility>

namespace look {

// The text of the uniform error report.
QString errorMessage(const QString& description, const QString& location, int statement);
// The location string of a procedure, e.g. "in Brevanel2021/08/31.Main.EditFileFSO ".
QString locationString(const char* location);
// Shows the uniform error report and waits until the user closes it.
void reportError(const QString& description, const char* location, int statement);
// The description of whatever was thrown.
QString describe(std::exception_ptr failure);

// The error trap of one procedure. Each numbered statement runs through at(); a failure inside
// it, or inside an untrapped procedure it calls, is reported with this procedure's location and
// that statement's number, and the procedure goes on with its next statement.
class Trap {
public:
    explicit Trap(const char* location) : location_(location) {}

    // Runs one statement; returns false when it failed (and was reported).
    template <class Statement>
    bool at(int number, Statement&& statement) {
        try {
            std::forward<Statement>(statement)();
            return true;
        } catch (...) {
            reportError(describe(std::current_exception()), location_, number);
            return false;
        }
    }

private:
    const char* location_;
};

}  // namespace look
