#pragma once

#include "Deck.h"
#include "Look.h"
#include "StudyOptions.h"

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <memory>

class HotKeys;
class QEventLoop;
class QLabel;
class SurfaceWidget;

// The card window: a borderless full-screen window showing the card picture, one card at a
// time and the three key hints. It keeps the study state from one opening to the next.
class Form2 final : public QWidget, public StudyState, public StudySteps {
    Q_OBJECT
public:
    // `owner` is the main window: the card window is modal over it.
    explicit Form2(const StudyOptions& options, QWidget* owner = nullptr);
    ~Form2() override;

    // The start timer: 10 ms after the window shows, it starts taking the keys.
    QTimer Timer1;

    // Opens the window (Form_Load, full screen, modal over the owner) and returns only when it
    // has closed.
    void ShowModal();
    // Opens the window and returns at once; ShowModal without the wait.
    void Open();

    int ShowCard(int index, bool reveal);
    void ShowNext() override;
    void ShowPrev() override;
    void CloseTheForm() override;

    void Form_Load();
    void Form_Resize();
    void Timer1_Timer();
    void Form_QueryUnload();

    // True while the keys are taken (between the start timer and the closing).
    bool takingKeys() const { return takingKeys_; }
    // Whether the keys are taken system-wide (X11) or only while this window has the focus.
    bool keysSystemWide() const;

    SurfaceWidget* Picture1;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QSize screenPixels() const;
    void stepDone();

    const StudyOptions& options_;
    Deck deck_;
    look::HandPointer hand_;
    QImage picture_;  // the card picture before stretching to the surface
    std::unique_ptr<HotKeys> keys_;
    bool takingKeys_ = false;
    bool timerBeforeShow_ = false;  // the start timer ticked before the window showed
    bool resizedSinceOpen_ = false;
    QEventLoop* loop_ = nullptr;
};
