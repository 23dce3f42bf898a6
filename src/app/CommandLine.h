#pragma once

#include <QStringList>

class QCommandLineParser;

// The verbs that work on the card files without a window: --import, --export and --list.
namespace cli {

void AddOptions(QCommandLineParser& parser);
// True when the arguments ask for a verb rather than the window.
bool Wanted(const QCommandLineParser& parser);
// The same for arguments that do not parse: true when a verb is among them.
bool Wanted(const QStringList& arguments);
// Runs the verb asked for; the exit status. Bad input gets one line on standard error, and
// changes nothing.
int Run(const QCommandLineParser& parser);

}  // namespace cli
