#include "EditorFixture.h"

#include "Files.h"
#include "Settings.h"

#include <QCoreApplication>
#include <QTest>

EditorTest::~EditorTest() { delete editor; }

void EditorTest::startProgram() {
    Deckwork::InUsePath = Main::ProgramFile("in-use.dat");
    Deckwork::SetFilePath = Main::ProgramFile("default.dat");
    const auto provide = [](const char* name, const char* from) {
        if (!Main::FileExists(Main::ProgramFile(name)))
            Main::CopyFile(Main::ProgramFile(from), Main::ProgramFile(name));
    };
    provide("sets.dat", "default-sets.dat");
    provide("in-use.dat", "default.dat");
    provide("StatesCapitals.dat", "default.dat");
    Deckwork::SelectedSet = ReadSetting("SelectedSet", "1").toInt();
    Deckwork::ReadSets();
}

void EditorTest::restartProgram() {
    delete editor;
    resetCardStore();
    startProgram();
}

Form3& EditorTest::openEditor() {
    editor = new Form3(&mainWindow);
    editor->FillTheSets();
    editor->FillTheList();
    editor->NewSetSelected = false;
    editor->selectSet(qMin(Deckwork::SelectedSet, editor->setCount()));
    editor->show();
    mainWindow.hide();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(editor));
    return *editor;
}

QTreeView* EditorTest::setList() const { return editor->findChild<QTreeView*>("ListView2"); }

QTreeView* EditorTest::cardList() const { return editor->findChild<QTreeView*>("ListView1"); }

QPushButton* EditorTest::button(const char* name) const {
    return editor->findChild<QPushButton*>(name);
}

void EditorTest::click(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }

void EditorTest::clickSet(int k) {
    QTreeView* view = setList();
    const QModelIndex index = view->model()->index(k - 1, 0);
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

QStringList EditorTest::setEntries() const {
    QStringList entries;
    const QAbstractItemModel* model = setList()->model();
    for (int row = 0; row < model->rowCount(); ++row)
        entries.append(model->index(row, 0).data().toString());
    return entries;
}

QStringList EditorTest::cardEntries() const {
    QStringList entries;
    const QAbstractItemModel* model = cardList()->model();
    for (int row = 0; row < model->rowCount(); ++row)
        entries.append(model->index(row, 0).data().toString() + "|" +
                       model->index(row, 1).data().toString());
    return entries;
}

static int firstHighlighted(QTreeView* view) {
    int first = 0;
    for (const QModelIndex& index : view->selectionModel()->selectedRows())
        if (first == 0 || index.row() + 1 < first) first = index.row() + 1;
    return first;
}

int EditorTest::highlightedSet() const { return firstHighlighted(setList()); }

int EditorTest::highlightedCard() const { return firstHighlighted(cardList()); }

void EditorTest::highlightCard(int k) {
    QTreeView* view = cardList();
    const QModelIndex index = view->model()->index(k - 1, 0);
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

bool EditorTest::visible(QTreeView* view, int row) {
    const QRect rect = view->visualRect(view->model()->index(row, 0));
    return rect.isValid() && view->viewport()->rect().contains(rect);
}

QString EditorTest::storedSelectedSet() const { return ReadSetting("SelectedSet", "(none)"); }

QByteArray cardFile(const char* header, int count) {
    QByteArray bytes = QByteArray(header) + "\r\n";
    for (int i = 1; i <= count; ++i)
        bytes += "Word " + QByteArray::number(i) + "|Mot " + QByteArray::number(i) + "\r\n";
    return bytes;
}
