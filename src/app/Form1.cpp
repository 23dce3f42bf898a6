#include "Form1.h"

#include "CardPicture.h"
#include "Dialogs.h"
#include "Failure.h"
#include "Files.h"
#include "Form2.h"
#include "Form3.h"
#include "Lock.h"
#include "Settings.h"
#include "Trap.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QIcon>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>

namespace {

const QString kProductTitle = QStringLiteral("Quorvane");

// Design positions are in twips, 15 to the pixel.
QRect twips(int left, int top, int width, int height) {
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

QFont arialBold(qreal points) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

// A pair's two buttons may both end up cleared, which an exclusive button refuses by itself.
void setSelected(QRadioButton* button, bool selected) {
    if (selected || !button->isChecked()) {
        button->setChecked(selected);
        return;
    }
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(true);
}

}  // namespace

QString AppTitleFrom(const QString& productTitle) {
    QString title = productTitle;
    do {
        const qsizetype blank = title.lastIndexOf(QLatin1Char(' '));
        if (blank < 0) break;
        title.truncate(blank);
    } while (title.size() > 40);
    return title;
}

Form1::Form1() {
    // Fixed size: minimise and close, but no maximise.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    buildControls();
    Deckwork::SetSetTextsView(this);
    Form_Load();
    // The designed white stays whatever the theme: its text must read on it.
    look::SetTextLegible(*this, palette().color(QPalette::Window));
    setFixedSize(536, 469);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

Form1::~Form1() {
    Deckwork::SetSetTextsView(nullptr);
    delete form3_;
}

void Form1::buildControls() {
    setFont(arialBold(9));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    auto button = [this](const QString& caption, QWidget* parent, QRect geometry) {
        auto* b = new QPushButton(caption, parent);
        b->setFont(arialBold(11.25));
        b->setGeometry(geometry);
        return b;
    };
    auto frame = [this](const QString& caption, QRect geometry) {
        auto* f = new QGroupBox(caption, this);
        f->setGeometry(geometry);
        return f;
    };
    auto option = [this](int n, const QString& caption, QGroupBox* parent, QRect geometry) {
        auto* o = new QRadioButton(caption, parent);
        o->setGeometry(geometry);
        OptionButton[n] = o;
        connect(o, &QRadioButton::clicked, this, [this, n] { storePair(n); });
    };
    OptionButton[0] = nullptr;

    PushButton1 =
        button(QStringLiteral("Start Showing Flashcards"), this, twips(120, 120, 7800, 405));
    Frame5 = frame(QStringLiteral("Side Option"), twips(120, 570, 7800, 1065));
    option(5, QStringLiteral("Show C_Side1 first and then flip to C_Side2"), Frame5,
           twips(240, 300, 6615, 255));
    option(6, QStringLiteral("Show C_Side2 first and then flip to C_Side1"), Frame5,
           twips(240, 650, 4215, 255));
    Frame1 = frame(QStringLiteral("Answer Option"), twips(120, 1680, 7800, 1065));
    option(1, QStringLiteral("Show question first and answer after pressing 'Spacebar'"), Frame1,
           twips(240, 300, 6615, 255));
    option(2, QStringLiteral("Show question and answer together"), Frame1,
           twips(240, 650, 3735, 255));
    Frame2 = frame(QStringLiteral("Order Option"), twips(120, 2790, 7800, 1035));
    option(3, QStringLiteral("Randomly show card"), Frame2, twips(240, 300, 2175, 255));
    option(4, QStringLiteral("Show in order"), Frame2, twips(240, 650, 1575, 255));
    Frame3 = frame(QStringLiteral("Font Options"), twips(120, 3870, 7800, 1275));
    Label1 = new QLabel(QStringLiteral("Font Size:"), Frame3);
    // The two labels run up to their boxes, so that their colons are never cut off.
    Label1->setGeometry(twips(240, 345, 1020, 225));
    Combo1 = new QComboBox(Frame3);
    Combo1->setGeometry(twips(1320, 300, 6300, 345));
    Label2 = new QLabel(QStringLiteral("Font Style:"), Frame3);
    Label2->setGeometry(twips(240, 795, 1020, 225));
    Combo2 = new QComboBox(Frame3);
    Combo2->setGeometry(twips(1320, 750, 6300, 345));
    Frame4 = frame(QStringLiteral("Customize Flashcards"), twips(120, 5190, 7800, 1725));
    Label3 = new QLabel(QStringLiteral("Label3"), Frame4);
    // The description runs over several lines, down to the button.
    Label3->setGeometry(twips(240, 330, 7290, 1140 - 330 - 30));
    Label3->setWordWrap(true);
    Label3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    PushButton2 = button(QStringLiteral("Edit Cards"), Frame4, twips(240, 1140, 7320, 405));
    // Lies below the client area, so the first focus rests on no visible control.
    Text1 = new QLineEdit(QStringLiteral("Text1"), this);
    Text1->setGeometry(twips(720, 7530, 975, 345));
    Text1->setAccessibleName(QStringLiteral("Press Tab to reach the study options"));

    OptionButton[1]->setChecked(true);
    OptionButton[3]->setChecked(true);
    OptionButton[5]->setChecked(true);

    // Typed texts are used as they stand and never stored; only a pick from the list is.
    for (QComboBox* combo : {Combo1, Combo2}) {
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
    }
    // Screen readers name each box, its text field and its list by the label before it.
    for (auto [label, combo] : {std::pair{Label1, Combo1}, {Label2, Combo2}}) {
        label->setBuddy(combo);
        combo->lineEdit()->setAccessibleName(label->text());
        combo->view()->setAccessibleName(label->text());
    }
    connect(Combo1, &QComboBox::activated, this, [this] { storeCombo(Combo1, "Combo1"); });
    connect(Combo2, &QComboBox::activated, this, [this] { storeCombo(Combo2, "Combo2"); });
    Combo1->installEventFilter(this);
    Combo1->lineEdit()->installEventFilter(this);

    connect(PushButton1, &QPushButton::clicked, this, &Form1::PushButton1_Click);
    connect(PushButton2, &QPushButton::clicked, this, &Form1::PushButton2_Click);
    look::PressOnReturn(*this);

    QWidget* order[] = {Text1,           PushButton1,     OptionButton[1], OptionButton[2],
                        OptionButton[3], OptionButton[4], Combo1,          Combo2,
                        PushButton2,     OptionButton[5], OptionButton[6]};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
    Text1->setFocus();
}

void Form1::Form_Load() {
    look::Trap trap("Form1.Form_Load");
    trap.at(100, [this] {
        if (Main::FileExists(Main::InstalledFile(QStringLiteral("x/o.cjs"))))
            look::SetFormColors(*this);
    });
    trap.at(102, [this] {
        const QString cursor = Main::InstalledFile(QStringLiteral("HAND-M.CUR"));
        if (Main::FileExists(cursor)) hand_.load(cursor);
        hand_.overButton(*PushButton1);
        hand_.overButton(*PushButton2);
    });
    trap.at(104, [this] { setWindowTitle(kProductTitle); });
    // The application's icon, which the card window shows too.
    trap.at(106, [this] {
        // Read as the PNG it is: a reader left to guess loads every picture plugin to ask it.
        QImageReader icon(QStringLiteral(":/quorvane.png"), "png");
        icon.setAutoDetectImageFormat(false);
        QApplication::setWindowIcon(QIcon(QPixmap::fromImage(icon.read())));
        setWindowIcon(QApplication::windowIcon());
    });
    trap.at(108, [] { look::setApplicationTitle(AppTitleFrom(kProductTitle)); });
    trap.at(110, [this] { Deckwork::GetFonts(*Combo2); });
    trap.at(112, [this] {
        Combo2->addItem(QStringLiteral("Arial"));
        Combo2->addItem(QStringLiteral("New Times Roman"));
    });
    trap.at(114, [this] {
        for (const char* size :
             {"10", "18", "24", "36", "48", "72", "96", "120", "144", "168", "192", "216", "240"})
            Combo1->addItem(QString::fromLatin1(size));
    });
    trap.at(116, [this] {
        Combo2->setCurrentText(ReadSetting(QStringLiteral("Combo2"), QStringLiteral("Arial")));
    });
    trap.at(118, [this] {
        Combo1->setCurrentText(ReadSetting(QStringLiteral("Combo1"), QStringLiteral("144")));
    });
    for (int n = 1; n <= 6; ++n) {
        trap.at(120, [this, n] {
            const QString key = QStringLiteral("Option%1").arg(n);
            const bool selected = SettingToBool(ReadSetting(key, n % 2 ? "1" : "0"));
            setSelected(OptionButton[n], selected);
        });
    }
    trap.at(122, [] { Deckwork::InUsePath = Main::ProgramFile(QStringLiteral("in-use.dat")); });
    trap.at(124,
            [] { Deckwork::SetFilePath = Main::InstalledFile(QStringLiteral("default.dat")); });
    // Each file is made under the card folder's lock: an import from the command line may be
    // making the list of sets at the same moment.
    trap.at(126, [] {
        const Main::Lock lock;
        if (!Main::FileExists(Main::ProgramFile(QStringLiteral("sets.dat"))))
            Main::CopyFile(Main::InstalledFile(QStringLiteral("default-sets.dat")),
                           Main::ProgramFile(QStringLiteral("sets.dat")));
    });
    trap.at(128, [] {
        const Main::Lock lock;
        if (!Main::FileExists(Deckwork::InUsePath))
            Main::CopyFile(Deckwork::SetFilePath, Deckwork::InUsePath);
    });
    // The installed set keeps its cards in a file of its own, so that they can be edited.
    trap.at(134, [] {
        const Main::Lock lock;
        const QString own = Main::ProgramFile(QStringLiteral("StatesCapitals.dat"));
        if (!Main::FileExists(own)) Main::CopyFile(Deckwork::SetFilePath, own);
    });
    trap.at(130, [] {
        const QString text = ReadSetting(QStringLiteral("SelectedSet"), QStringLiteral("1"));
        bool ok = false;
        const qlonglong value = text.trimmed().toLongLong(&ok);
        if (!ok) throw look::Failure(look::failures::TypeMismatch);
        if (value < INT_MIN || value > INT_MAX) throw look::Failure(look::failures::Overflow);
        Deckwork::SelectedSet = int(value);
    });
    trap.at(132, [] { Deckwork::ReadSets(); });
    // The set really in hand is stored, so that the next start and the editor take the same.
    trap.at(136, [] {
        const QString used = QString::number(Deckwork::SelectedSet);
        if (ReadSetting(QStringLiteral("SelectedSet"), used) != used)
            WriteSetting(QStringLiteral("SelectedSet"), used);
    });
}

bool Form1::Option1() const { return OptionButton[1]->isChecked(); }
bool Form1::Option2() const { return OptionButton[2]->isChecked(); }
bool Form1::Option3() const { return OptionButton[3]->isChecked(); }
bool Form1::Option5() const { return OptionButton[5]->isChecked(); }
bool Form1::Option6() const { return OptionButton[6]->isChecked(); }
QString Form1::Combo1Text() const { return Combo1->currentText(); }
QString Form1::Combo2Text() const { return Combo2->currentText(); }

void Form1::showSetTexts(const Deckwork::SetTexts& texts) {
    Label3->setText(texts.label3);
    OptionButton[5]->setText(texts.option5);
    OptionButton[6]->setText(texts.option6);
}

void Form1::storePair(int clicked) {
    static const char* const locations[] = {nullptr,
                                            "Form1.Option1_Click",
                                            "Form1.Option2_Click",
                                            "Form1.Option3_Click",
                                            "Form1.Option4_Click",
                                            "Form1.Option5_Click",
                                            "Form1.Option6_Click"};
    // A store that refuses the write is reported like any other failure, never lost silently.
    look::Trap trap(locations[clicked]);
    const int first = clicked % 2 ? clicked : clicked - 1;
    trap.at(100, [&] {
        WriteSetting(QStringLiteral("Option%1").arg(first),
                     BoolToSetting(OptionButton[first]->isChecked()));
        WriteSetting(QStringLiteral("Option%1").arg(first + 1),
                     BoolToSetting(OptionButton[first + 1]->isChecked()));
    });
}

void Form1::storeCombo(QComboBox* combo, const char* key) {
    look::Trap trap(combo == Combo1 ? "Form1.Combo1_Click" : "Form1.Combo2_Click");
    trap.at(100, [&] { WriteSetting(QString::fromLatin1(key), combo->currentText()); });
}

void Form1::sizeGuard() {
    // Sizes beyond what a font can take would stall the card window just as a word would.
    // Not a number either: NaN, which fails both comparisons.
    const std::optional<double> size = FontSize(Combo1->currentText());
    if (!size || !(*size > 0 && *size <= kLargestFontSize))
        Combo1->setCurrentText(QStringLiteral("28"));
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && (watched == Combo1 || watched == Combo1->lineEdit()))
        sizeGuard();
    return QWidget::eventFilter(watched, event);
}

void Form1::PushButton1_Click() {
    look::Trap trap("Form1.PushButton1_Click");
    sizeGuard();
    trap.at(100, [] { Deckwork::LoadInUseCards(); });
    trap.at(102, [this] {
        if (!form2_) form2_ = std::make_unique<Form2>(*this, this);
        form2_->Timer1.setInterval(10);
        form2_->Timer1.start();
    });
    trap.at(104, [this] {
        form2_->CurrentCard = 1;
        form2_->AnswerPending = false;
        form2_->LastRandomCard = 0;
    });
    trap.at(106, [this] { form2_->setWindowState(form2_->windowState() | Qt::WindowMaximized); });
    trap.at(108, [this] { form2_->ShowModal(); });
}

void Form1::PushButton2_Click() {
    look::Trap trap("Form1.PushButton2_Click");
    trap.at(100, [this] {
        if (!form3_) {
            form3_ = new Form3(this);
            connect(form3_, &QObject::destroyed, this, [this] { form3_ = nullptr; });
        }
        form3_->FillTheSets();
    });
    trap.at(102, [this] { form3_->FillTheList(); });
    trap.at(104, [this] { form3_->NewSetSelected = false; });
    trap.at(106, [this] { form3_->selectSet(qMin(Deckwork::SelectedSet, form3_->setCount())); });
    trap.at(108, [this] { form3_->show(); });
    trap.at(110, [this] { hide(); });
}

void Form1::BringToFront() {
    QWidget* front = form2_ && form2_->isVisible()   ? static_cast<QWidget*>(form2_.get())
                     : form3_ && form3_->isVisible() ? static_cast<QWidget*>(form3_)
                                                     : this;
    front->setWindowState(front->windowState() & ~Qt::WindowMinimized);
    front->show();
    front->raise();
    front->activateWindow();
}

void Form1::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (std::exchange(painted_, true)) return;
    // Once the window is on screen the card picture and the cards in hand are read beside it,
    // so that the first Start (or Edit) does not wait for them.
    QTimer::singleShot(0, this, [this] {
        CardPicture::prepare(
            (QSizeF(screen()->geometry().size()) * screen()->devicePixelRatio()).toSize());
        Deckwork::LoadInUseCardsAhead();
    });
}

void Form1::closeEvent(QCloseEvent* event) {
    // Everything is stored the moment it changes, so there is nothing to save on the way out.
    event->accept();
    QCoreApplication::exit(0);
}
