#pragma once

#include "CurrentSet.h"
#include "Look.h"
#include "StudyOptions.h"

#include <QWidget>
#include <memory>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class Form2;
class Form3;

// The application title that boxes without a title of their own carry: the product title cut
// at its last blank, again while longer than 40 characters.
QString AppTitleFrom(const QString& productTitle);

// The main window: the set in hand, the study options, and the ways to study and to edit.
class Form1 final : public QWidget, public StudyOptions, public Deckwork::SetTextsView {
    Q_OBJECT
public:
    // Runs the whole start-up before the window is first shown.
    Form1();
    ~Form1() override;

    bool Option1() const override;
    bool Option2() const override;
    bool Option3() const override;
    bool Option5() const override;
    bool Option6() const override;
    QString Combo1Text() const override;
    QString Combo2Text() const override;
    void showSetTexts(const Deckwork::SetTexts& texts) override;

    void PushButton1_Click();  // "Start Showing Flashcards"
    void PushButton2_Click();  // "Edit Cards"
    // Shows the window the user works in (the card window, the editor or this one) in front.
    void BringToFront();

    // The controls, for the windows that read them and for tests.
    QPushButton* PushButton1;
    QPushButton* PushButton2;
    QGroupBox* Frame1;
    QGroupBox* Frame2;
    QGroupBox* Frame3;
    QGroupBox* Frame4;
    QGroupBox* Frame5;
    QRadioButton* OptionButton[7];  // 1..6; [0] unused
    QComboBox* Combo1;
    QComboBox* Combo2;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLineEdit* Text1;

    Form2* cardWindow() const { return form2_.get(); }
    Form3* editor() const { return form3_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void Form_Load();
    void storePair(int clicked);  // the pair of the option clicked
    void storeCombo(QComboBox* combo, const char* key);
    void sizeGuard();

    look::HandPointer hand_;
    std::unique_ptr<Form2> form2_;
    Form3* form3_ = nullptr;  // deletes itself when closed
    bool painted_ = false;
};
