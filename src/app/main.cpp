#include "CommandLine.h"
#include "Files.h"
#include "Form1.h"
#include "QtDialogs.h"
#include "SingleInstance.h"

#include <QApplication>
#include <QCommandLineParser>
#include <memory>

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
    cli::AddOptions(parser);
    // --help, --version and the verbs need no display. Arguments that do not parse may be Qt's
    // own, which QApplication takes out, unless a verb is among them.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const bool console = parser.parse(arguments)
                             ? parser.isSet(QStringLiteral("help")) ||
                                   parser.isSet(QStringLiteral("help-all")) ||
                                   parser.isSet(QStringLiteral("version")) || cli::Wanted(parser)
                             : cli::Wanted(arguments);
    const std::unique_ptr<QCoreApplication> app(console ? new QCoreApplication(argc, argv)
                                                        : new QApplication(argc, argv));
    parser.process(*app);
    if (parser.isSet(QStringLiteral("folder")))
        Main::SetProgramFolder(parser.value(QStringLiteral("folder")));
    if (cli::Wanted(parser)) return cli::Run(parser);

    // Wayland names the window by its desktop entry, for the icon and the window list.
    QGuiApplication::setDesktopFileName(QStringLiteral("quorvane"));
    Form1* shown = nullptr;
    if (instance::HandedOver([&shown] {
            if (shown) shown->BringToFront();
        }))
        return 0;
    look::QtDialogs dialogs;
    look::setDialogs(&dialogs);
    Form1 form1;
    shown = &form1;
    form1.show();
    return app->exec();
}
