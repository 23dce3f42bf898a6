#include "CurrentSet.h"
#include "Form1.h"
#include "Form2.h"
#include "Form3.h"
#include "ProgramFolder.h"
#include "ScriptedDialogs.h"
#include "Settings.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

namespace {

void leaveSizeBox(Form1& form) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(form.Combo1, &out);
}

}  // namespace

TEST(MainWindow, OptionClicksStoreBothKeysOfThePair) {
    struct Case {
        int clicked;
        const char* first;
        const char* firstValue;
        const char* second;
        const char* secondValue;
    };
    for (const Case& c : {Case{2, "Option1", "False", "Option2", "True"},
                          Case{4, "Option3", "False", "Option4", "True"},
                          Case{6, "Option5", "False", "Option6", "True"},
                          Case{1, "Option1", "True", "Option2", "False"}}) {
        ProgramFolder folder;
        Form1 form;
        QTest::mouseClick(form.OptionButton[c.clicked], Qt::LeftButton);
        EXPECT_EQ(ReadSetting(c.first, "unset"), c.firstValue) << c.clicked;
        EXPECT_EQ(ReadSetting(c.second, "unset"), c.secondValue) << c.clicked;
    }
}

TEST(MainWindow, APickedSizeIsStoredAndRestoredButTheGuardsSizeIsNot) {
    ProgramFolder folder;
    {
        Form1 form;
        const int index = form.Combo1->findText("72");
        ASSERT_GE(index, 0);
        form.Combo1->setCurrentIndex(index);
        emit form.Combo1->activated(index);
        EXPECT_EQ(ReadSetting("Combo1", "unset"), "72");

        form.Combo1->lineEdit()->setText("huge");
        leaveSizeBox(form);
        EXPECT_EQ(form.Combo1->currentText(), "28");
        EXPECT_EQ(ReadSetting("Combo1", "unset"), "72");
    }
    Form1 restarted;
    EXPECT_EQ(restarted.Combo1->currentText(), "72");
}

TEST(MainWindow, SizeGuardKeepsNumbersAndReplacesEverythingElse) {
    ProgramFolder folder;
    Form1 form;
    for (const auto& [typed, kept] : {std::pair{"36", "36"},
                                      {"12.5", "12.5"},
                                      {"", "28"},
                                      {"big", "28"},
                                      {"0", "28"},
                                      {"1e9", "28"}}) {
        form.Combo1->lineEdit()->setText(typed);
        leaveSizeBox(form);
        EXPECT_EQ(form.Combo1->currentText(), kept) << typed;
    }
}

TEST(MainWindow, StartOpensTheCardWindowModallyAndReturnsWhenEscClosesIt) {
    ProgramFolder folder;
    ScriptedDialogs dialogs;
    WriteSetting("Option4", "True");
    WriteSetting("Option3", "False");
    Form1 form;
    form.show();
    for (int run = 0; run < 2; ++run) {
        bool sawModal = false;
        QTimer::singleShot(100, [&] {
            Form2* cards = form.cardWindow();
            ASSERT_NE(cards, nullptr);
            sawModal = cards->isVisible() && cards->isModal() &&
                       QApplication::activeModalWidget() == cards;
            EXPECT_EQ(cards->CurrentCard, 1) << run;  // the first card's question is showing
            EXPECT_TRUE(cards->AnswerPending) << run;
            QTest::keyClick(cards, Qt::Key_Escape);
        });
        // Should the window never close, fail instead of hanging.
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [&] {
            ADD_FAILURE() << "card window still open";
            form.cardWindow()->close();
        });
        watchdog.start(10000);
        form.PushButton1_Click();
        EXPECT_TRUE(sawModal) << run;
        EXPECT_FALSE(form.cardWindow()->isVisible()) << run;
        EXPECT_EQ(Deckwork::CardCount, 50);
    }
    EXPECT_TRUE(dialogs.errors().isEmpty());
}

TEST(MainWindow, EditSwapsTheMainWindowForTheEditorAndBack) {
    ProgramFolder folder;
    ScriptedDialogs dialogs;
    folder.write("sets.dat",
                 crlf({"Sets", "States|Capitals|StatesCapitals.dat", "A|B|AB.dat", "C|D|CD.dat"}));
    WriteSetting("SelectedSet", "5");
    Form1 form;
    form.show();
    form.PushButton2_Click();
    Form3* editor = form.editor();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(editor->setCount(), 3);
    // SelectedSet 5 lies beyond the three sets: the last one is highlighted.
    const auto* setList = editor->findChild<QTreeView*>("ListView2");
    ASSERT_NE(setList, nullptr);
    const QModelIndexList rows = setList->selectionModel()->selectedRows();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows.first().row(), 2);
    EXPECT_FALSE(editor->NewSetSelected);
    editor->close();
    QCoreApplication::processEvents();
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(dialogs.errors().isEmpty());
}
