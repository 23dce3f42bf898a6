// Key-to-pixels latency through the X server: a Spacebar sent with XTest, until the first
// change of the window's pixels (XDamage). The card window at 1920 x 1080 with the font at
// 144 points, beside a bare Qt window that shows the same cards in two 144 point labels, in the
// same run; the median over 50 keys after 10 to warm up. Target: within 1.2x of the bare
// window's time. Also the time from showing the card window to its first card on screen, the
// first time in a process and later.
//
// Run under an X server, e.g. xvfb-run -a -s "-screen 0 1920x1080x24" study_latency
#include "BenchOptions.h"
#include "CurrentSet.h"
#include "Files.h"
#include "Form2.h"
#include "SurfaceWidget.h"
#include "XcbReply.h"

#include <xcb/damage.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <poll.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

void announce(const QWidget& window, double firstMs, double laterMs) {
    std::printf("window %llu opened %.3f %.3f\n", static_cast<unsigned long long>(window.winId()),
                firstMs, laterMs);
    std::fflush(stdout);
}

// Measures from start() to the end of the next paint of a widget, flushed to the X server.
class PaintClock : public QObject {
public:
    void start() {
        ms_ = -1;
        timer_.start();
    }
    double ms() const { return ms_; }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && ms_ < 0 && timer_.isValid()) {
            // Runs once this paint has been flushed.
            QTimer::singleShot(0, this, [this] {
                QApplication::sync();
                if (ms_ < 0) ms_ = timer_.nsecsElapsed() / 1e6;
            });
        }
        return false;
    }

private:
    QElapsedTimer timer_;
    double ms_ = -1;
};

// The card window over the installed set, opened as the Start action opens it: once to time
// the first opening in a process, closed, then again for the session the keys drive.
int cardWindow(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QFile::copy(QStringLiteral(QUORVANE_RESOURCES "/default.dat"), dir.filePath("in-use.dat"));
    Main::SetProgramFolder(dir.path());
    Deckwork::InUsePath = dir.filePath("in-use.dat");
    Deckwork::LoadInUseCards();
    BenchOptions options;
    Form2 form(options);
    PaintClock clock;
    form.Picture1->installEventFilter(&clock);

    double firstMs = -1;
    QTimer ready;
    QObject::connect(&ready, &QTimer::timeout, [&] {
        if (form.takingKeys() && clock.ms() >= 0) {
            ready.stop();
            announce(form, firstMs, clock.ms());
        }
    });
    QTimer::singleShot(0, [&] {
        clock.start();
        form.Open();
        while (clock.ms() < 0) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        firstMs = clock.ms();
        form.close();
        QCoreApplication::processEvents();

        ready.start(5);
        form.CurrentCard = 1;
        form.AnswerPending = false;
        form.Timer1.setInterval(10);
        form.Timer1.start();
        clock.start();
        form.ShowModal();
        app.quit();
    });
    return app.exec();
}

// The yardstick: a plain Qt window doing the same visible job, full screen and frameless, with
// the next card's two sides in two 144 point labels where the card window puts them.
class BareWindow : public QWidget {
public:
    BareWindow() : QWidget(nullptr, Qt::FramelessWindowHint) {
        QFile file(QStringLiteral(QUORVANE_RESOURCES "/default.dat"));
        if (file.open(QIODevice::ReadOnly))
            cards_ = QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"));
        QFont font(QStringLiteral("Liberation Sans"));
        font.setPointSize(144);
        for (int side = 0; side < 2; ++side) {
            sides_[side] = new QLabel(this);
            sides_[side]->setFont(font);
            sides_[side]->setAlignment(Qt::AlignCenter);
            sides_[side]->setGeometry(0, 209 + side * 442, 1920, 221);
        }
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape) {
            QCoreApplication::quit();
            return;
        }
        card_ = card_ % 50 + 1;
        for (int side = 0; side < 2; ++side)
            sides_[side]->setText(cards_.value(card_).section(QLatin1Char('|'), side, side));
    }

private:
    QStringList cards_;
    QLabel* sides_[2];
    int card_ = 0;
};

int bareWindow(int argc, char** argv) {
    QApplication app(argc, argv);
    BareWindow window;
    window.setGeometry(0, 0, 1920, 1080);
    window.show();
    QTimer::singleShot(200, [&] { announce(window, 0, 0); });
    return app.exec();
}

class Driver {
public:
    Driver() : c_(xcb_connect(nullptr, nullptr)) {}
    ~Driver() { xcb_disconnect(c_); }

    bool ready() {
        if (xcb_connection_has_error(c_)) return false;
        const auto* damage = xcb_get_extension_data(c_, &xcb_damage_id);
        const auto* xtest = xcb_get_extension_data(c_, &xcb_test_id);
        if (!damage || !damage->present || !xtest || !xtest->present) return false;
        damageEvent_ = damage->first_event + XCB_DAMAGE_NOTIFY;
        std::free(xcb_damage_query_version_reply(
            c_, xcb_damage_query_version(c_, XCB_DAMAGE_MAJOR_VERSION, XCB_DAMAGE_MINOR_VERSION),
            nullptr));
        space_ = keycode(0x20);
        escape_ = keycode(0xff1b);
        letter_ = keycode(0x61);
        return space_ && escape_ && letter_;
    }

    void focus(xcb_window_t window) {
        const uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(c_, window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
        xcb_set_input_focus(c_, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
        roundTrip();
    }

    // Watches `window` for changed pixels.
    xcb_damage_damage_t watch(xcb_window_t window) {
        const xcb_damage_damage_t damage = xcb_generate_id(c_);
        xcb_damage_create(c_, damage, window, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
        xcb_flush(c_);
        return damage;
    }

    // Milliseconds from pressing `key` to the first changed pixels under `damage`, or -1.
    double measure(xcb_damage_damage_t damage, xcb_keycode_t key) {
        settle(damage);
        const auto sent = Clock::now();
        press(XCB_KEY_PRESS, key);
        const bool changed = waitForDamage(damage);
        const auto seen = Clock::now();
        press(XCB_KEY_RELEASE, key);
        return changed ? std::chrono::duration<double, std::milli>(seen - sent).count() : -1;
    }

    xcb_keycode_t space() const { return space_; }
    xcb_keycode_t letter() const { return letter_; }

    void escape() {
        press(XCB_KEY_PRESS, escape_);
        press(XCB_KEY_RELEASE, escape_);
    }

private:
    void press(uint8_t type, xcb_keycode_t code) {
        xcb_test_fake_input(c_, type, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(c_);
    }

    void roundTrip() { std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr)); }

    // Lets the previous key's drawing finish, then starts from an undamaged window.
    void settle(xcb_damage_damage_t damage) {
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        roundTrip();
        while (xcb_generic_event_t* e = xcb_poll_for_event(c_)) std::free(e);
        xcb_damage_subtract(c_, damage, XCB_NONE, XCB_NONE);
        roundTrip();
        while (xcb_generic_event_t* e = xcb_poll_for_event(c_)) std::free(e);
    }

    bool waitForDamage(xcb_damage_damage_t damage) {
        const auto deadline = Clock::now() + std::chrono::seconds(2);
        while (Clock::now() < deadline) {
            while (xcb_generic_event_t* e = xcb_poll_for_event(c_)) {
                const bool ours = (e->response_type & 0x7f) == damageEvent_ &&
                                  reinterpret_cast<xcb_damage_notify_event_t*>(e)->damage == damage;
                std::free(e);
                if (ours) return true;
            }
            pollfd fd{xcb_get_file_descriptor(c_), POLLIN, 0};
            poll(&fd, 1, 100);
        }
        return false;
    }

    xcb_keycode_t keycode(xcb_keysym_t symbol) {
        const xcb_setup_t* setup = xcb_get_setup(c_);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        Freed<xcb_get_keyboard_mapping_reply_t> map{xcb_get_keyboard_mapping_reply(
            c_, xcb_get_keyboard_mapping(c_, setup->min_keycode, uint8_t(count)), nullptr)};
        if (!map) return 0;
        const xcb_keysym_t* symbols = xcb_get_keyboard_mapping_keysyms(map.reply);
        for (int i = 0; i < count; ++i)
            if (symbols[i * map->keysyms_per_keycode] == symbol)
                return xcb_keycode_t(setup->min_keycode + i);
        return 0;
    }

    xcb_connection_t* c_;
    uint8_t damageEvent_ = 0;
    xcb_keycode_t space_ = 0, escape_ = 0, letter_ = 0;
};

struct Child {
    QProcess process;
    xcb_window_t window = 0;
    double firstMs = 0, laterMs = 0;

    bool start(const QString& program, const QString& mode) {
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(program, {mode});
        while (process.waitForReadyRead(10000)) {
            while (process.canReadLine()) {
                const QList<QByteArray> words = process.readLine().trimmed().split(' ');
                if (words.size() == 5 && words[0] == "window") {
                    window = xcb_window_t(words[1].toULongLong());
                    firstMs = words[3].toDouble();
                    laterMs = words[4].toDouble();
                    return true;
                }
            }
        }
        return false;
    }
    ~Child() {
        if (!process.waitForFinished(3000)) process.kill();
    }
};

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int drive(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QCoreApplication app(argc, argv);
    const bool quick = app.arguments().contains(QStringLiteral("--quick"));
    const int warmUp = quick ? 3 : 10, keys = quick ? 10 : 50;
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::printf("no X display: skipped\n");
        return 0;
    }
    Driver driver;
    if (!driver.ready()) {
        std::printf("the X server lacks XTest or DAMAGE: skipped\n");
        return 0;
    }
    const QString self = app.applicationFilePath();

    // Both windows at once, measured in turns, so that both meet the same load of the machine;
    // the one measured is raised over the other. The card window holds Spacebar wherever the
    // focus is; the bare window, which has the focus, takes another key.
    Child bare, card;
    if (!bare.start(self, QStringLiteral("--bare")) ||
        !card.start(self, QStringLiteral("--card"))) {
        std::printf("a window did not come up\n");
        return 1;
    }
    const xcb_damage_damage_t bareDamage = driver.watch(bare.window);
    const xcb_damage_damage_t cardDamage = driver.watch(card.window);
    std::vector<double> bareTimes, cardTimes;
    for (int i = 0; i < warmUp + keys; ++i) {
        driver.focus(bare.window);
        const double b = driver.measure(bareDamage, driver.letter());
        driver.focus(card.window);
        const double c = driver.measure(cardDamage, driver.space());
        if (b < 0 || c < 0)
            std::printf("no change seen for key %d:%s%s\n", i, b < 0 ? " bare" : "",
                        c < 0 ? " card" : "");
        if (i < warmUp) continue;
        if (b >= 0) bareTimes.push_back(b);
        if (c >= 0) cardTimes.push_back(c);
    }
    driver.escape();  // closes the card window
    driver.focus(bare.window);
    driver.escape();

    const double bareMedian = median(bareTimes), cardMedian = median(cardTimes);
    std::printf("key to first changed pixels, median of %zu keys:\n", cardTimes.size());
    std::printf("  bare Qt window  %7.3f ms\n", bareMedian);
    std::printf("  card window     %7.3f ms  (%.2fx the bare window; target at most 1.2x)\n",
                cardMedian, bareMedian > 0 ? cardMedian / bareMedian : 0.0);
    std::printf(
        "showing the card window to its first card on screen: %.3f ms the first time in "
        "a process, %.3f ms later\n",
        card.firstMs, card.laterMs);
    return bareTimes.size() == size_t(keys) && cardTimes.size() == size_t(keys) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "--card" || mode == "--bare") {
        qputenv("QT_QPA_PLATFORM", "xcb");
        return mode == "--card" ? cardWindow(argc, argv) : bareWindow(argc, argv);
    }
    return drive(argc, argv);
}
