// One study step on a 1920 x 1080 card at 144 points (clear, question and answer drawn, the
// changed part copied to a screen buffer), beside one plain
// copy of the whole surface, for a card and for a long phrase (200 or 2,000 characters) that has
// to be fitted to the card. Qt draws the glyphs itself at each step (a cache of our own crashed on
// text no font covers), and keeps glyphs only up to 64 pixels: larger ones are drawn from their
// outlines every time, so a step costs about ten copies, and a phrase that fits only at sizes
// just over that costs most. What a user feels is held by study_latency: a key to the changed
// card within 1.2 times a bare window showing the same texts. Also the card
// window opened again (the program keeps it), from the call to the first card painted, and the
// decoding of the built-in picture that only the first opening in a process pays for.
#include "BenchOptions.h"
#include "CardImage.h"
#include "CardPicture.h"
#include "CurrentSet.h"
#include "Deck.h"
#include "Files.h"
#include "Form2.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>

namespace {

const QSize kScreen(1920, 1080);

void loadInstalledSet() {
    QFile file(QStringLiteral(QUORVANE_RESOURCES "/default.dat"));
    if (!file.open(QIODevice::ReadOnly)) return;
    Deckwork::CardLines = codec::Lines(file.readAll());
    Deckwork::CardCount = int(Deckwork::CardLines.size()) - 1;
}

void steps(benchmark::State& state) {
    CardImage image;
    image.setPicture(CardPicture::builtIn(kScreen), kScreen);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSize(144);
    image.setFont(font);
    QImage screen(kScreen, QImage::Format_RGB32);
    BenchOptions options;
    StudyState study;
    Deck deck(study, image, options);
    for (auto _ : state) {
        deck.ShowNext();
        // As the card surface does: the changed area to the screen.
        QPainter painter(&screen);
        image.paint(painter, image.takeChanged());
    }
    benchmark::DoNotOptimize(screen.constBits());
}

void StudyStep(benchmark::State& state) {
    loadInstalledSet();
    steps(state);
}
BENCHMARK(StudyStep)->Unit(benchmark::kMicrosecond);

// Three cards whose answers are phrases of range(0) characters: each answer is fitted to the
// card the first time it shows, and drawn from what was kept after that.
void StudyStepLongSide(benchmark::State& state) {
    const QStringList words = QStringLiteral(
                                  "the of capital river mountain Sacramento is a on "
                                  "northern by founded largest city state")
                                  .split(QLatin1Char(' '));
    QStringList lines = {QStringLiteral("Short|Long")};
    for (int card = 0, word = 0; card < 3; ++card) {
        QString answer;
        while (answer.size() < state.range(0))
            answer += words.at(word++ * 7 % words.size()) + QLatin1Char(' ');
        lines << QStringLiteral("Question %1|").arg(card + 1) + answer.left(state.range(0));
    }
    Deckwork::CardLines = lines;
    Deckwork::CardCount = 3;
    steps(state);
}
BENCHMARK(StudyStepLongSide)->Arg(200)->Arg(2000)->Unit(benchmark::kMicrosecond);

void FullSurfaceCopy(benchmark::State& state) {
    const QImage image = CardPicture::builtIn(kScreen).convertToFormat(QImage::Format_RGB32);
    QImage screen(kScreen, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&screen);
        painter.drawImage(0, 0, image);
    }
    benchmark::DoNotOptimize(screen.constBits());
}
BENCHMARK(FullSurfaceCopy)->Unit(benchmark::kMicrosecond);

// The built-in picture decoded at the screen's size, as the first opening does it.
void DecodeCardPicture(benchmark::State& state) {
    int i = 0;
    for (auto _ : state) {
        // A size differing by one pixel each time defeats the picture's cache.
        const QImage image = CardPicture::builtIn(kScreen + QSize(0, ++i % 2));
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(DecodeCardPicture)->Unit(benchmark::kMillisecond);

// From opening the card window to its first card painted, then closed again.
void OpenCardWindow(benchmark::State& state) {
    QTemporaryDir dir;
    QFile::copy(QStringLiteral(QUORVANE_RESOURCES "/default.dat"), dir.filePath("in-use.dat"));
    Main::SetProgramFolder(dir.path());
    Deckwork::InUsePath = dir.filePath("in-use.dat");
    Deckwork::LoadInUseCards();
    BenchOptions options;
    Form2 form(options);
    for (auto _ : state) {
        form.CurrentCard = 1;
        form.Open();
        form.repaint();
        state.PauseTiming();
        form.close();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(OpenCardWindow)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    // The offscreen screen at the size the targets name.
    QFile screens(config.filePath(QStringLiteral("screens.json")));
    if (screens.open(QIODevice::WriteOnly))
        screens.write(R"({"screens": [{"name": "bench", "x": 0, "y": 0, "width": 1920,
                        "height": 1080, "logicalDpi": 96, "dpr": 1}]})");
    screens.close();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screens.fileName().toUtf8());
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
