#include "HotKeys.h"

#include <QApplication>
#include <QByteArray>
#include <QHash>
#include <QKeyEvent>
#include <QWidget>

namespace {

// The keys of the card window itself, for platforms without system-wide keys (Wayland, the
// offscreen platform of the tests).
class LocalHotKeys final : public HotKeys {
public:
    explicit LocalHotKeys(QWidget& window) : window_(window) {}
    ~LocalHotKeys() override { releaseAll(); }

    quint32 addAtom(const char* name) override {
        // Atoms live as long as the process, like the X server's live as long as the session.
        static QHash<QByteArray, quint32> atoms;
        const auto found = atoms.constFind(name);
        if (found != atoms.constEnd()) return *found;
        const quint32 atom = 0xC000 + quint32(atoms.size());
        atoms.insert(name, atom);
        return atom;
    }

    bool registerKey(quint32 id, Key key) override {
        if (keys_.isEmpty()) qApp->installEventFilter(this);
        keys_.insert(qtKey(key), id);
        return true;
    }

    void releaseAll() override {
        if (!keys_.isEmpty()) qApp->removeEventFilter(this);
        keys_.clear();
    }

    bool systemWide() const override { return false; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || widget->window() != &window_) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        constexpr auto held =
            Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
        if (key->modifiers() & held) return false;
        const auto found = keys_.constFind(key->key());
        if (found == keys_.constEnd()) return false;
        event->accept();
        emit pressed(*found);
        return true;
    }

private:
    QWidget& window_;
    QHash<int, quint32> keys_;
};

}  // namespace

int HotKeys::qtKey(Key key) {
    static const int keys[] = {Qt::Key_Backspace, Qt::Key_Space, Qt::Key_Escape};
    return keys[key];
}

std::unique_ptr<HotKeys> HotKeys::create(QWidget& window) {
    if (auto x11 = createX11HotKeys(window)) return x11;
    return std::make_unique<LocalHotKeys>(window);
}
