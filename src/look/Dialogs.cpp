#include "Dialogs.h"

#include <cstdio>

namespace look {
namespace {

class StderrDialogs final : public Dialogs {
public:
    void error(const QString& title, const QString& text) override { print(title, text); }
    QString prompt(const QString&, const QString&, const QString&) override { return {}; }
    bool question(const QString&, const QString&) override { return false; }
    void notice(const QString& text, const QString& title) override { print(title, text); }

private:
    static void print(const QString& title, const QString& text) {
        QString shown = text;
        shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(shown));
    }
};

StderrDialogs fallback;
Dialogs* current = &fallback;
QString title = QStringLiteral("Quorvane");

}  // namespace

Dialogs& dialogs() { return *current; }
void setDialogs(Dialogs* d) { current = d ? d : &fallback; }
QString applicationTitle() { return title; }
void setApplicationTitle(const QString& t) { title = t; }

}  // namespace look
