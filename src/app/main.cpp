#include "Files.h"
#include "Form1.h"
#include "QtDialogs.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char** argv) {
    QCoreApplication::setApplicationName(QStringLiteral("Quorvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUORVANE_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Study flashcards. The card files live in the program's folder when you can write to "
        "it, otherwise in $XDG_DATA_HOME/quorvane (~/.local/share/quorvane)."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("folder"),
                      QStringLiteral("Keep the card files in DIR, which also holds the installed "
                                     "files (a copy of the program's folder)."),
                      QStringLiteral("DIR")});
    // --help and --version answer without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    if (parser.parse(arguments) &&
        (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all")) ||
         parser.isSet(QStringLiteral("version")))) {
        QCoreApplication console(argc, argv);
        parser.process(console);
    }
    QApplication app(argc, argv);
    // Wayland names the window by its desktop entry, for the icon and the window list.
    QGuiApplication::setDesktopFileName(QStringLiteral("quorvane"));
    parser.process(app);
    if (parser.isSet(QStringLiteral("folder")))
        Main::SetProgramFolder(parser.value(QStringLiteral("folder")));

    look::QtDialogs dialogs;
    look::setDialogs(&dialogs);
    Form1 form1;
    form1.show();
    return app.exec();
}
