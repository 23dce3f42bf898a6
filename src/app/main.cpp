#include "CurrentSet.h"
#include "Files.h"
#include "QtDialogs.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLabel>

namespace {

class LabelView final : public Deckwork::SetTextsView {
public:
    explicit LabelView(QLabel& label) : label_(label) {}
    void showSetTexts(const Deckwork::SetTexts& texts) override { label_.setText(texts.label3); }

private:
    QLabel& label_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({"folder", "Program folder holding the card files.", "DIR"});
    parser.process(app);
    if (parser.isSet("folder")) Main::SetProgramFolder(parser.value("folder"));

    look::QtDialogs dialogs;
    look::setDialogs(&dialogs);
    QLabel label;
    label.setWordWrap(true);
    label.setMinimumWidth(520);
    LabelView view(label);
    Deckwork::SetSetTextsView(&view);
    Deckwork::InUsePath = Main::ProgramFile("in-use.dat");
    Deckwork::SelectedSet = 1;
    Deckwork::ReadSets();
    label.setWindowTitle("Quorvane");
    label.show();
    return app.exec();
}
