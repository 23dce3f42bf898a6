#pragma once

#include <QObject>
#include <QtGlobal>
#include <memory>

class QWidget;

// The study keys while the card window is open. On X11 they are taken system-wide, so that they
// work wherever the keyboard focus is; where no such grab exists they are taken while the card
// window has the focus. A key with Shift, Ctrl, Alt or Super held is never taken.
class HotKeys : public QObject {
    Q_OBJECT
public:
    enum Key { Backspace, Space, Escape };

    // The backend the running platform offers, for the card window `window`.
    static std::unique_ptr<HotKeys> create(QWidget& window);
    // The key as Qt names it.
    static int qtKey(Key key);

    // The identifier of `name`: the same name gives the same value every time.
    virtual quint32 addAtom(const char* name) = 0;
    // Takes `key`, reporting it as `id`; false when it cannot (another program holds it).
    virtual bool registerKey(quint32 id, Key key) = 0;
    // Lets every key go again.
    virtual void releaseAll() = 0;
    virtual bool systemWide() const = 0;

signals:
    // One press of a key taken (a key held down repeats).
    void pressed(quint32 id);
};

// The X11 backend, or nullptr when the application does not run on X11.
std::unique_ptr<HotKeys> createX11HotKeys(QWidget& window);
