#pragma once

#include "Lists.h"
#include "Look.h"

#include <QPointer>
#include <QWidget>

class QPushButton;
class QTreeView;

// The card editor: the sets above, the cards of the set in hand below. It shows the main window
// again and deletes itself when it closes.
class Form3 : public QWidget {
    Q_OBJECT
public:
    explicit Form3(QWidget* mainWindow);

    void FillTheSets();
    void FillTheList();
    bool NewSetSelected = false;
    // Entries in the set list.
    int setCount() const;
    // Highlights entry k (counted from 1) and scrolls to it; k < 1 highlights nothing.
    void selectSet(int k);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void PushButton5_Click();
    void Form_Unload();
    QPushButton* button(const char* name, const QString& caption, int left, int top, int width);
    QTreeView* list(const char* name, int left, int top, int width, int height);

    QPointer<QWidget> mainWindow_;
    editor::Lists lists_{NewSetSelected};
    look::HandPointer hand_;
    QTreeView* ListView1;
    QPushButton* PushButton1;
    QPushButton* PushButton2;
    QPushButton* PushButton5;
    QPushButton* PushButton3;
    QPushButton* PushButton4;
    QTreeView* ListView2;
    QPushButton* PushButton6;
    QPushButton* PushButton7;
};
