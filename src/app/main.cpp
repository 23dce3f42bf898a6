#include "Files.h"
#include "Form1.h"
#include "QtDialogs.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("folder"),
                      QStringLiteral("Use DIR as the program folder, which holds the card files."),
                      QStringLiteral("DIR")});
    parser.process(app);
    if (parser.isSet(QStringLiteral("folder")))
        Main::SetProgramFolder(parser.value(QStringLiteral("folder")));

    look::QtDialogs dialogs;
    look::setDialogs(&dialogs);
    Form1 form1;
    form1.show();
    return app.exec();
}
