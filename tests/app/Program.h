#pragma once

#include "Form1.h"
#include "Form3.h"
#include "Harness.h"
#include "Settings.h"

#include <gtest/gtest.h>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

// The whole program on a sandbox's folder, its editor opened by "Edit Cards" and driven by a user.
class Program : public ::testing::Test {
protected:
    // Starts the program (again), with `sets` as sets.dat and `selected` stored unless 0.
    void start(const QByteArray& sets = {}, int selected = 0) {
        main.reset();
        resetCardStore();
        if (!sets.isEmpty()) box.write("sets.dat", sets);
        if (selected) WriteSetting("SelectedSet", QString::number(selected));
        main = std::make_unique<Form1>();
        main->show();
    }
    void edit() {
        main->PushButton2_Click();
        editor = main->editor();
        ASSERT_TRUE(editor && QTest::qWaitForWindowExposed(editor));
    }
    QTreeView* list(const char* name) const { return editor->findChild<QTreeView*>(name); }
    void click(const char* button, bool byReturn = false) {
        auto* b = editor->findChild<QPushButton*>(button);
        byReturn ? QTest::keyClick(b, Qt::Key_Return) : QTest::mouseClick(b, Qt::LeftButton);
    }
    // Clicks entry k (from 1) of a list; with `byKeys`, highlights it as the arrow keys do,
    // which picks no set (0 highlights none).
    void choose(const char* name, int k, bool byKeys = false) {
        QTreeView* view = list(name);
        const QModelIndex index = view->model()->index(k - 1, 0);
        view->clearSelection();
        if (k < 1) return;
        view->scrollTo(index);
        if (byKeys)
            view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::Select);
        else
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                              view->visualRect(index).center());
    }
    // The entries of a list, "Side 1|Side 2" for cards, joined by ",".
    QString entries(const char* name) const {
        QStringList out;
        const QAbstractItemModel* m = list(name)->model();
        for (int row = 0; row < m->rowCount(); ++row)
            out << m->index(row, 0).data().toString() +
                       (m->columnCount() > 1 ? "|" + m->index(row, 1).data().toString() : "");
        return out.join(',');
    }
    // The highlighted entry (from 1, 0 for none); -1 when it is out of sight.
    int highlighted(const char* name) const {
        const QTreeView* view = list(name);
        const QModelIndexList rows = view->selectionModel()->selectedRows();
        if (rows.isEmpty()) return 0;
        const QRect at = view->visualRect(rows.first());
        return view->viewport()->rect().contains(at) ? rows.first().row() + 1 : -1;
    }
    QString stored() const { return ReadSetting("SelectedSet", "-"); }

    // One editor step, "verb k/answer/answer": add, edit k, delete k (card k clicked first, 0
    // for none), create, pick k (set k clicked, 0 beside the entries), remove k (set k
    // highlighted by keys), restore, back, open (Edit Cards), restart, import or export k (set k
    // highlighted by keys, from the menu), drop k (on ListView k) with a list file beside the
    // card folder as first answer, or press k/key (set k highlighted by keys, then the key in the
    // set list); answers go to its prompts, "yes" and "no" to its questions. With "!" Return
    // presses the button.
    void act(const QString& step);
    void drop(const char* name, const QString& path);
    // The state `expected` names, as "key=value; ...": cards, sets, marked (highlighted card),
    // set (highlighted set), stored, new (set made in this visit), shown (the boxes), reports,
    // option5, named (the lists' accessible names), files, copy (the files in-use.dat equals), or
    // a file's lines, joined by ",".
    QString look(const QString& expected) const;

    Sandbox box;
    ScriptedDialogs d;
    std::unique_ptr<Form1> main;
    QPointer<Form3> editor;
};
