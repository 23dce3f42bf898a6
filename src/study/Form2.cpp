#include "Form2.h"

#include "CardPicture.h"
#include "Failure.h"
#include "Files.h"
#include "HintLayout.h"
#include "HotKeys.h"
#include "Pump.h"
#include "SurfaceWidget.h"
#include "Trap.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QLabel>
#include <QScreen>

namespace {

QLabel* hint(const QString& text, QWidget* parent, int left, int top, int width) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    // The hints keep a small font of their own whatever the card font.
    QFont font = QApplication::font();
    font.setPointSize(9);
    label->setFont(font);
    label->setGeometry(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
                       qMax(TwipsToPixels(225), label->fontMetrics().height()));
    return label;
}

}  // namespace

Form2::Form2(const StudyOptions& options, QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::FramelessWindowHint),
      Picture1(new SurfaceWidget(this)),
      Label1(hint(tr("Press 'Spacebar' key to see next card"), Picture1, 120, 30, 3750)),
      Label2(hint(tr("Press 'Backspace' key to see previous card"), Picture1, 4260, 30, 3600)),
      Label3(hint(tr("Press 'ESC' key to exit"), Picture1, 120, 330, 7800)),
      options_(options),
      deck_(*this, *Picture1, options) {
    Timer1.setSingleShot(true);
    connect(&Timer1, &QTimer::timeout, this, &Form2::Timer1_Timer);
    setMouseTracking(true);
    // Closing the card window ends a session, never the program.
    setAttribute(Qt::WA_QuitOnClose, false);
}

Form2::~Form2() {
    if (loop_) loop_->quit();
    if (takingKeys_) Deckwork::PumpStop = true;
}

void Form2::ShowModal() {
    Open();
    if (!isVisible()) return;
    QEventLoop loop;
    loop_ = &loop;
    loop.exec(QEventLoop::DialogExec);
    loop_ = nullptr;
}

void Form2::Open() {
    if (isVisible()) return;
    Form_Load();
    deck_.ForgetShownCards();
    setWindowModality(Qt::ApplicationModal);
    QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    // At its final size from the start, so that opening is one resize and so one step.
    setGeometry(screen->geometry());
    resizedSinceOpen_ = false;
    showFullScreen();
    // A window opened again at the size it had gets no resize of its own; its first card is
    // drawn by the same layout all the same.
    if (!resizedSinceOpen_) Form_Resize();
    activateWindow();
    Picture1->setFocus();
    if (timerBeforeShow_) {
        timerBeforeShow_ = false;
        Timer1.start();
    }
}

QSize Form2::screenPixels() const {
    QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    return (QSizeF(screen->geometry().size()) * screen->devicePixelRatio()).toSize();
}

bool Form2::keysSystemWide() const { return keys_ && keys_->systemWide(); }

int Form2::ShowCard(int index, bool reveal) {
    const int drawn = deck_.ShowCard(index, reveal);
    stepDone();
    return drawn;
}

void Form2::ShowNext() {
    deck_.ShowNext();
    stepDone();
}

void Form2::ShowPrev() {
    deck_.ShowPrev();
    stepDone();
}

void Form2::CloseTheForm() { close(); }

void Form2::stepDone() {
    Picture1->showChanges();
    Picture1->publishText();
}

void Form2::Form_Load() {
    look::Trap trap("Form2.Form_Load");
    // Each opening starts from the window's own picture and pointer, as a new window would.
    trap.at(0, [&] {
        hand_ = look::HandPointer();
        picture_ = CardPicture::builtIn(screenPixels());
    });
    trap.at(100, [&] { look::SetFormColors(*this); });
    trap.at(102, [&] {
        setWindowIcon(QApplication::windowIcon());
        setWindowTitle(QStringLiteral("Quorvane"));
    });
    // The window keeps the arrow: it has no button to show the hand over.
    trap.at(104, [&] {
        const QString cursor = Main::InstalledFile(QStringLiteral("HAND-M.CUR"));
        if (Main::FileExists(cursor)) hand_.load(cursor);
    });
    trap.at(106, [&] {
        const QString file = Main::InstalledFile(QStringLiteral("Whitecard/Whitecard.jpg"));
        if (Main::FileExists(file)) picture_ = CardPicture::fromFile(file, screenPixels());
    });
}

void Form2::resizeEvent(QResizeEvent*) {
    resizedSinceOpen_ = true;
    Form_Resize();
}

void Form2::Form_Resize() {
    look::Trap trap("Form2.Form_Resize");
    const HintLayout layout = LayOutHints(width() * 15);
    QLabel* const labels[] = {Label1, Label2, Label3};
    QImage stretched;
    trap.at(100, [&] {
        for (QLabel* label : labels) {
            QPalette palette = label->palette();
            palette.setColor(QPalette::Window, Qt::black);
            label->setPalette(palette);
            label->setAutoFillBackground(false);
        }
    });
    trap.at(102, [&] {
        for (QLabel* label : labels) label->move(label->x(), TwipsToPixels(layout.top));
    });
    trap.at(104, [&] { Label3->resize(TwipsToPixels(layout.label3Width), Label3->height()); });
    trap.at(106, [&] { Label1->resize(TwipsToPixels(layout.label1Width), Label1->height()); });
    trap.at(108, [&] {
        Label2->resize(TwipsToPixels(layout.label2Width), Label2->height());
        Label2->move(TwipsToPixels(layout.label2Left), Label2->y());
    });
    trap.at(110, [&] { Picture1->setGeometry(0, 0, width(), height()); });
    // The surface always works in pixels and keeps what is drawn: nothing to switch on.
    trap.at(114, [&] {
        const QSize pixels = (QSizeF(Picture1->size()) * Picture1->devicePixelRatioF()).toSize();
        stretched = picture_.size() == pixels
                        ? picture_
                        : picture_.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    });
    trap.at(116, [&] { Picture1->setPicture(stretched); });
    trap.at(118, [&] {
        const std::optional<double> size = FontSize(options_.Combo1Text());
        if (!size) throw look::Failure(look::failures::TypeMismatch);
        if (!(*size > 0 && *size <= kLargestFontSize))
            throw look::Failure(look::failures::Overflow);
        QFont font(options_.Combo2Text());
        font.setPointSizeF(*size);
        Picture1->setCardFont(font);
    });
    trap.at(120, [&] { ShowNext(); });
}

void Form2::Timer1_Timer() {
    // Keys are taken only while the window shows; a tick before that waits for it.
    if (!isVisible()) {
        timerBeforeShow_ = true;
        return;
    }
    if (takingKeys_) return;
    look::Trap trap("Form2.Timer1_Timer");
    trap.at(100, [] { Deckwork::PumpStop = false; });
    trap.at(102, [&] {
        if (!keys_) {
            keys_ = HotKeys::create(*this);
            connect(keys_.get(), &HotKeys::pressed, this, [this](quint32 id) {
                // No step behind a report or prompt, whatever opened it.
                const QWidget* box = QApplication::activeModalWidget();
                if (!box || box == this) Deckwork::ProcessMessages(id, *this);
            });
        }
        Deckwork::BackspaceAtom = keys_->addAtom("A00F1");
        Deckwork::SpaceAtom = keys_->addAtom("A00F2");
        Deckwork::EscapeAtom = keys_->addAtom("A00F3");
    });
    // A key another program holds stays with it; the other keys still work.
    trap.at(104, [&] {
        keys_->registerKey(Deckwork::BackspaceAtom, HotKeys::Backspace);
        keys_->registerKey(Deckwork::SpaceAtom, HotKeys::Space);
        keys_->registerKey(Deckwork::EscapeAtom, HotKeys::Escape);
        takingKeys_ = true;
    });
    // From here on the application's event loop is the pump: each key arrives as one call of
    // Deckwork::ProcessMessages.
}

void Form2::closeEvent(QCloseEvent* event) {
    Form_QueryUnload();
    event->accept();
    if (loop_) loop_->quit();
}

void Form2::Form_QueryUnload() {
    look::Trap trap("Form2.Form_QueryUnload");
    trap.at(100, [&] { Timer1.stop(); });
    trap.at(102, [] { Deckwork::PumpStop = true; });
    // X11 keeps a grab until its client lets it go: the keys go with the window.
    trap.at(104, [&] {
        takingKeys_ = false;
        if (keys_) keys_->releaseAll();
    });
}

void Form2::mouseMoveEvent(QMouseEvent*) {
    const QCursor* busy = QApplication::overrideCursor();
    if (!busy || busy->shape() != Qt::WaitCursor) setCursor(Qt::ArrowCursor);
}
