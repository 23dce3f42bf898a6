// The program's windows on a real X server, each beside a bare Qt program doing the same
// visible job (its floor), run in turns so that both meet the same load; medians of the runs.
//   start: process start to the main window on screen (CPU and RSS too); floor: a bare window.
//   card N: the Start click to the first card on screen, the first opening in a process and a
//     later one, with RSS while open and the peak (VmHWM) after the second; floor: a frameless
//     full-screen window with a 144 pt label, opened from a button.
//   edit N: the Edit click to the editor painted with its cards listed; floor: a bare QTreeView
//     over the same card file.
// Targets: start 1.15x; card openings 1.5x (2x for the first with 100,000 cards); memory at
// most 12 MiB over the floor while open and 16 MiB at peak; editor 1.5x.
//
// Run under an X server: xvfb-run -a -s "-screen 0 1920x1080x24" window_bench [runs]
#include "Files.h"
#include "Form1.h"
#include "QtDialogs.h"
#include "Settings.h"

#include <sys/resource.h>
#include <QAbstractTableModel>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

double nowMs() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// A line of /proc/self/status, in MiB.
double status(const char* key) {
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ')[0].toDouble() / 1024;
    return 0;
}

double cpuMs() {
    rusage use;
    getrusage(RUSAGE_SELF, &use);
    return (use.ru_utime.tv_sec + use.ru_stime.tv_sec) * 1e3 +
           (use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e3;
}

void pause(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// From `from` to the end of the first paint of a window other than `skip`, flushed to the X
// server; calls `then` with the window painted.
class Watch : public QObject {
public:
    void arm(double from, const QWidget* skip, std::function<void(QWidget*)> then = {}) {
        from_ = from, skip_ = skip, then_ = std::move(then), ms_ = -1, painted_ = nullptr;
    }
    double wait() {
        while (ms_ < 0) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return ms_;
    }

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() != QEvent::Paint || painted_ || from_ < 0 || !o->isWidgetType()) return false;
        QWidget* window = static_cast<QWidget*>(o)->window();
        if (window == skip_) return false;
        painted_ = window;
        QTimer::singleShot(0, this, [this] {
            QApplication::sync();
            const double ms = nowMs() - from_;
            from_ = -1;
            if (then_) then_(painted_);
            ms_ = ms;
        });
        return false;
    }

private:
    double from_ = -1, ms_ = -1;
    const QWidget* skip_ = nullptr;
    QWidget* painted_ = nullptr;
    std::function<void(QWidget*)> then_;
};

QByteArray bigSet(int cards) {
    QByteArray bytes = "Spanish|English\r\n";
    for (int i = 0; i < cards; ++i)
        bytes += "palabra n\xFAmero " + QByteArray::number(i) + "|word " + QByteArray::number(i) +
                 "\r\n";
    return bytes;
}

// A program folder, its settings beside it, holding `cards` cards in hand: the installed set
// for 50, else a set of its own.
void provision(const QString& dir, int cards) {
    for (const char* name : {"default-sets.dat", "default.dat"})
        QFile::copy(QStringLiteral(QUORVANE_RESOURCES "/") + name, dir + '/' + name);
    if (cards == 50) return;
    QFile sets(dir + "/sets.dat"), set(dir + "/Big.dat");
    if (sets.open(QIODevice::WriteOnly))
        sets.write("Sets\r\nStates|Capitals|StatesCapitals.dat\r\nSpanish|English|Big.dat\r\n");
    if (set.open(QIODevice::WriteOnly)) set.write(bigSet(cards));
    WriteSetting(QStringLiteral("SelectedSet"), QStringLiteral("2"));
}

// A bare window with a button, as the floors' main window.
struct BareMain {
    QWidget window;
    QPushButton* button = new QPushButton(QStringLiteral("Start"), &window);
    BareMain() { window.resize(536, 469); }
};

// The floor of the editor: the card file's lines in two columns.
class BareModel : public QAbstractTableModel {
public:
    QStringList lines;
    int rowCount(const QModelIndex& = {}) const override { return int(lines.size()); }
    int columnCount(const QModelIndex& = {}) const override { return 2; }
    QVariant data(const QModelIndex& i, int role) const override {
        if (role != Qt::DisplayRole) return {};
        return lines[i.row()].section('|', i.column(), i.column());
    }
};

// Runs one measurement in this process and prints its figures.
int child(const QString& what, bool floor, const QString& arg) {
    const double started = what == "start" ? arg.toDouble() : 0;
    int argc = 1;
    char name[] = "window_bench";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    Watch watch;
    app.installEventFilter(&watch);
    look::QtDialogs dialogs;
    look::setDialogs(&dialogs);
    Main::SetProgramFolder(qEnvironmentVariable("QUORVANE_BENCH_FOLDER"));
    if (what == "start") {
        watch.arm(started, nullptr);
        std::unique_ptr<QWidget> window;
        if (floor) {
            window = std::make_unique<QWidget>();
            window->resize(536, 469);
            new QLabel(QStringLiteral("Flashcards"), window.get());
        } else {
            window = std::make_unique<Form1>();
        }
        window->show();
        std::printf("result %.3f %.3f %.2f\n", watch.wait(), cpuMs(), status("VmRSS:"));
        return 0;
    }
    BareMain bare;
    Form1* ours = floor ? nullptr : new Form1;
    QWidget* main = floor ? &bare.window : ours;
    QPushButton* button = floor            ? bare.button
                          : what == "card" ? ours->PushButton1
                                           : ours->PushButton2;
    main->show();
    watch.arm(nowMs(), nullptr);
    watch.wait();
    pause(100);
    if (what == "edit") {
        QTreeView view;
        BareModel model;
        QObject::connect(bare.button, &QPushButton::clicked, [&] {
            QFile file(arg);
            if (file.open(QIODevice::ReadOnly))
                model.lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
            view.setUniformRowHeights(true);
            view.setModel(&model);
            view.resize(520, 216);
            view.show();
            bare.window.hide();
        });
        watch.arm(nowMs(), main);
        QTimer::singleShot(0, button, &QPushButton::click);
        std::printf("result %.3f\n", watch.wait());
        return 0;
    }
    std::unique_ptr<QWidget> card;
    QObject::connect(bare.button, &QPushButton::clicked, [&] {
        if (!card) {
            card = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::FramelessWindowHint);
            auto* label = new QLabel(QStringLiteral("Alabama"), card.get());
            QFont font(QStringLiteral("Arial"));
            font.setPointSize(144);
            label->setFont(font);
            label->setAlignment(Qt::AlignCenter);
            (new QVBoxLayout(card.get()))->addWidget(label);
            card->setWindowModality(Qt::ApplicationModal);
        }
        card->setGeometry(bare.window.screen()->geometry());
        card->showFullScreen();
    });
    double ms[2], open = 0;
    for (double& opening : ms) {
        watch.arm(nowMs(), main, [&](QWidget* window) {
            open = open ? open : status("VmRSS:");
            QTimer::singleShot(0, window, &QWidget::close);
        });
        // Start returns once the card window has closed again.
        QTimer::singleShot(0, button, &QPushButton::click);
        opening = watch.wait();
        pause(200);
    }
    std::printf("result %.3f %.3f %.2f %.2f\n", ms[0], ms[1], open, status("VmHWM:"));
    delete ours;
    return 0;
}

double median(QList<double> v) {
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

// Runs `args` in a child process; its figures, or none when it failed.
QList<double> run(const QStringList& args, const QString& folder) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QUORVANE_BENCH_FOLDER", folder);
    env.insert("XDG_CONFIG_HOME", folder + "/config");
    env.insert("QT_QPA_PLATFORM", "xcb");
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList full = args;
    if (args[0] == "start") full << QString::number(nowMs(), 'f', 3);
    process.start(QCoreApplication::applicationFilePath(), full);
    process.waitForFinished(60000);
    QList<double> figures;
    for (const QByteArray& line : process.readAllStandardOutput().split('\n'))
        if (line.startsWith("result "))
            for (const QByteArray& word : line.mid(7).split(' ')) figures << word.toDouble();
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && (qstrcmp(argv[2], "ours") == 0 || qstrcmp(argv[2], "floor") == 0))
        return child(argv[1], qstrcmp(argv[2], "floor") == 0, argc > 3 ? argv[3] : "");
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::printf("no X display: skipped\n");
        return 0;
    }
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 9;
    const QStringList rows[] = {{"start"}, {"card", "50"}, {"card", "100000"}, {"edit", "100000"}};
    const char* names[][4] = {
        {"start-up to mapped (ms)", "  CPU (ms)", "  RSS (MiB)"},
        {"card first (ms)", "card later (ms)", "RSS open (MiB)", "VmHWM (MiB)"},
        {"card first (ms)", "card later (ms)", "RSS open (MiB)", "VmHWM (MiB)"},
        {"editor (ms)"}};
    std::printf("%-30s %10s %10s %7s  runs\n", "row", "median", "floor", "ratio");
    bool failed = false;
    for (int r = 0; r < 4; ++r) {
        QTemporaryDir dir;
        QDir().mkpath(dir.filePath("config"));
        qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
        const int cards = rows[r].size() > 1 ? rows[r][1].toInt() : 50;
        provision(dir.path(), cards);
        const QString file = dir.filePath(cards == 50 ? "default.dat" : "Big.dat");
        QList<QList<double>> ours, floors;
        // A first pair warms the caches (fonts, files) and is not counted.
        for (int i = -1; i < runs; ++i) {
            const QStringList tail = r ? QStringList{file} : QStringList{};
            ours << run(QStringList{rows[r][0], "ours"} + tail, dir.path());
            floors << run(QStringList{rows[r][0], "floor"} + tail, dir.path());
            if (i < 0) ours.clear(), floors.clear();
        }
        for (const auto& run : ours + floors) failed = failed || run.isEmpty();
        const qsizetype figures = ours.value(0).size();
        for (qsizetype f = 0; f < figures && f < 4; ++f) {
            QList<double> a, b;
            for (const auto& o : ours) a << o.value(f);
            for (const auto& o : floors) b << o.value(f);
            const double m = median(a), fl = median(b);
            const QString label =
                (rows[r].size() > 1 ? rows[r][1] + " cards, " : QString()) + names[r][f];
            const bool memory = label.contains("MiB");
            std::printf(
                "%-30s %10.2f %10.2f %7s  %d\n", qPrintable(label), m, fl,
                qPrintable(memory
                               ? QString("%1%2").arg(m - fl > 0 ? "+" : "").arg(m - fl, 0, 'f', 1)
                               : QString::number(m / fl, 'f', 2) + "x"),
                int(a.size()));
        }
    }
    return failed ? 1 : 0;
}
