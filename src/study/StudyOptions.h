#pragma once

#include <QLocale>
#include <QString>
#include <optional>

// The largest card font size, in points, that the size box keeps and the card window draws.
inline constexpr double kLargestFontSize = 2160;

// The number a font-size text holds, written as "72.5" or with the user's decimal separator
// ("72,5" in German); nothing when it holds none.
inline std::optional<double> FontSize(const QString& text) {
    bool ok = false;
    double size = text.toDouble(&ok);
    if (!ok) {
        QLocale user;
        // "1,000" is no size to an English user, whose comma only groups digits.
        user.setNumberOptions(QLocale::RejectGroupSeparator);
        size = user.toDouble(text.trimmed(), &ok);
    }
    return ok ? std::optional(size) : std::nullopt;
}

// The study options as the main window holds them; the card window reads them afresh at every
// step, so a session always follows what the main window shows.
class StudyOptions {
public:
    virtual ~StudyOptions() = default;
    virtual bool Option1() const = 0;        // question first, answer on the next Spacebar
    virtual bool Option2() const = 0;        // question and answer together
    virtual bool Option3() const = 0;        // random order (in order otherwise)
    virtual bool Option5() const = 0;        // Side 1 is the question
    virtual bool Option6() const = 0;        // Side 2 is the question
    virtual QString Combo1Text() const = 0;  // card font size in points
    virtual QString Combo2Text() const = 0;  // card font name
};
