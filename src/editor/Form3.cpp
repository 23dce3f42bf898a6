#include "Form3.h"

#include "CardOps.h"
#include "Files.h"
#include "Import.h"
#include "SetOps.h"
#include "Trap.h"

#include <QAction>
#include <QCloseEvent>
#include <QDropEvent>
#include <QFileSystemWatcher>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeView>
#include <functional>

namespace {

// Layouts are kept in twips, 15 to the pixel.
int px(int twips) { return (twips + 7) / 15; }

QFont arialBold(qreal points) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

// Takes a file of a kind the program reads (a list, an Anki package) dropped on a list. The import
// runs once the drop is over, so that its questions do not keep the program the file came from
// waiting.
class FileDrop final : public QObject {
public:
    FileDrop(QAbstractItemView* view, std::function<void(const QString&)> take)
        : QObject(view), take_(std::move(take)) {
        view->viewport()->setAcceptDrops(true);
        view->viewport()->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
            return false;
        auto* drop = static_cast<QDropEvent*>(event);
        const QList<QUrl> urls = drop->mimeData()->urls();
        const QString path = urls.size() == 1 ? urls.first().toLocalFile() : QString();
        if (!exchange::IsReadableFileName(path)) {
            drop->ignore();
            return true;
        }
        drop->acceptProposedAction();
        if (type == QEvent::Drop)
            QMetaObject::invokeMethod(
                this, [this, path] { take_(path); }, Qt::QueuedConnection);
        return true;
    }

private:
    std::function<void(const QString&)> take_;
};

// The set list's context menu, and files dropped on the lists: cards in and out of other programs.
void armFileTransfer(QTreeView* sets, QTreeView* cards, editor::Lists& lists) {
    auto* import = new QAction(QStringLiteral("Import Cards From File…"), sets);
    import->setObjectName(QStringLiteral("mnuImport"));
    QObject::connect(import, &QAction::triggered, sets, [&lists] { editor::ImportSet(lists); });
    auto* exportSet = new QAction(QStringLiteral("Export Set To File…"), sets);
    exportSet->setObjectName(QStringLiteral("mnuExport"));
    QObject::connect(exportSet, &QAction::triggered, sets, [&lists] { editor::ExportSet(lists); });
    sets->addActions({import, exportSet});
    sets->setContextMenuPolicy(Qt::ActionsContextMenu);
    // A right click picks the set it is on, as a left click does: the set highlighted is always
    // the set in hand, and the menu acts on it.
    QObject::connect(sets, &QAbstractItemView::pressed, sets, [&lists] {
        if (QGuiApplication::mouseButtons() & Qt::RightButton) editor::PickSet(lists);
    });
    new FileDrop(sets, [&lists](const QString& path) { editor::ImportSet(lists, path); });
    new FileDrop(cards, [&lists](const QString& path) { editor::ImportCards(lists, path); });
}

}  // namespace

Form3::Form3(QWidget* mainWindow) : QWidget(nullptr), mainWindow_(mainWindow) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(px(8040), px(6900));
    setFont(arialBold(9));
    QPalette design = palette();
    design.setColor(QPalette::Window, Qt::white);
    setPalette(design);
    setAutoFillBackground(true);

    // Created in tab order, which Qt follows.
    ListView1 = list("ListView1", 120, 2550, 7800, 3240);
    PushButton1 = button("PushButton1", QStringLiteral("Add Card"), 120, 5880, 3840);
    PushButton2 = button("PushButton2", QStringLiteral("Edit Selected Entry"), 4080, 5880, 3840);
    PushButton5 = button("PushButton5", QStringLiteral("< Back"), 120, 105, 7800);
    PushButton3 = button("PushButton3", QStringLiteral("Delete Selected Entry"), 120, 6390, 3840);
    PushButton4 =
        button("PushButton4", QStringLiteral("Go Back To Default Flashcards"), 4080, 6390, 3840);
    ListView2 = list("ListView2", 120, 600, 7800, 1350);
    PushButton6 = button("PushButton6", QStringLiteral("Create New Set"), 120, 2040, 3840);
    PushButton7 = button("PushButton7", QStringLiteral("Delete Selected Set"), 4080, 2040, 3840);

    ListView1->setModel(&lists_.cards);
    ListView1->setSelectionModel(&lists_.cardSelection);
    ListView2->setModel(&lists_.sets);
    ListView2->setAccessibleName(QStringLiteral("Sets Of Flashcards"));
    // The card list is named by the set's topics, whose titles change with the set in hand.
    connect(&lists_.cards, &QAbstractItemModel::headerDataChanged, this, [this] {
        ListView1->setAccessibleName(lists_.cards.title(0) + QLatin1Char('/') +
                                     lists_.cards.title(1));
    });
    ListView2->setSelectionModel(&lists_.setSelection);
    connect(ListView2, &QTreeView::clicked, this, [this] { editor::PickSet(lists_); });
    ListView2->viewport()->installEventFilter(this);
    ListView2->installEventFilter(this);
    connect(PushButton1, &QPushButton::clicked, this, [this] { editor::AddCard(lists_); });
    connect(PushButton2, &QPushButton::clicked, this,
            [this] { editor::EditSelectedEntry(lists_); });
    connect(PushButton3, &QPushButton::clicked, this,
            [this] { editor::DeleteSelectedEntry(lists_); });
    connect(PushButton4, &QPushButton::clicked, this,
            [this] { editor::RestoreInstalledSets(lists_); });
    connect(PushButton5, &QPushButton::clicked, this, [this] { PushButton5_Click(); });
    connect(PushButton6, &QPushButton::clicked, this, [this] { editor::CreateNewSet(lists_); });
    connect(PushButton7, &QPushButton::clicked, this,
            [this] { editor::DeleteSelectedSet(lists_); });
    armFileTransfer(ListView2, ListView1, lists_);
    look::PressOnReturn(*this);
    // A sync tool or the command line changing the card folder shows in the lists at once; the
    // changes come in bursts, so the lists follow once a burst is over.
    auto* folder = new QFileSystemWatcher({Main::CardFolder()}, this);
    auto* settled = new QTimer(this);
    settled->setSingleShot(true);
    settled->setInterval(200);
    connect(folder, &QFileSystemWatcher::directoryChanged, settled, qOverload<>(&QTimer::start));
    connect(settled, &QTimer::timeout, this, [this] { editor::ShowFilesAsTheyAre(lists_); });

    const QScreen* screen = mainWindow ? mainWindow->screen() : QGuiApplication::primaryScreen();
    if (screen) move(screen->availableGeometry().center() - rect().center());

    Form_Load();
}

QPushButton* Form3::button(const char* name, const QString& caption, int left, int top, int width) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(px(left), px(top), px(width), px(405));
    b->setFont(arialBold(11.25));
    return b;
}

QTreeView* Form3::list(const char* name, int left, int top, int width, int height) {
    auto* view = new QTreeView(this);
    view->setObjectName(QLatin1String(name));
    view->setGeometry(px(left), px(top), px(width), px(height));
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true);
    // The current entry is scrolled into sight, also when it was set while the list was hidden.
    view->setAutoScroll(true);
    view->setAllColumnsShowFocus(true);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->header()->setStretchLastSection(false);
    view->header()->setSectionsMovable(false);
    look::ShowFocus(*view);
    return view;
}

void Form3::Form_Load() {
    look::Trap trap("Form3.Form_Load");
    trap.at(100, [&] { look::SetFormColors(*this); });
    trap.at(102, [&] {
        setWindowIcon(mainWindow_ ? mainWindow_->windowIcon() : QGuiApplication::windowIcon());
    });
    trap.at(104, [&] { setWindowTitle(QStringLiteral("Edit Cards")); });
    trap.at(106, [&] {
        const QString cursor = Main::InstalledFile(QStringLiteral("HAND-M.CUR"));
        if (!Main::FileExists(cursor)) return;
        hand_.load(cursor);
        for (QPushButton* b : {PushButton1, PushButton2, PushButton3, PushButton4, PushButton5,
                               PushButton6, PushButton7})
            hand_.overButton(*b);
    });
    trap.at(108, [&] {
        for (int column : {0, 1}) ListView1->header()->resizeSection(column, px(3600));
    });
    trap.at(110, [&] {
        lists_.sets.setTitle(0, QStringLiteral("Sets Of Flashcards"));
        ListView2->header()->resizeSection(0, px(7000));
    });
    trap.at(112, [&] {
        FillTheSets();
        FillTheList();
    });
    trap.at(114, [&] { NewSetSelected = false; });
}

void Form3::FillTheSets() { editor::FillTheSets(lists_); }

void Form3::FillTheList() { editor::FillTheList(lists_); }

int Form3::setCount() const { return lists_.sets.count(); }

void Form3::selectSet(int k) { lists_.selectSet(k); }

void Form3::PushButton5_Click() {
    look::Trap trap("Form3.PushButton5_Click");
    trap.at(100, [&] {
        if (mainWindow_) mainWindow_->show();
    });
    trap.at(102, [&] { close(); });
}

void Form3::Form_Unload() {
    if (mainWindow_) mainWindow_->show();
}

bool Form3::eventFilter(QObject* watched, QEvent* event) {
    // Return or Space picks the highlighted set as a click does; the arrows only highlight.
    if (watched == ListView2 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
            editor::PickSet(lists_);
            return true;
        }
    }
    // A click beside the entries reloads the set in hand too; one on an entry comes as clicked().
    if (watched == ListView2->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            !ListView2->indexAt(mouse->position().toPoint()).isValid())
            editor::PickSet(lists_);
    }
    return QWidget::eventFilter(watched, event);
}

void Form3::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}
