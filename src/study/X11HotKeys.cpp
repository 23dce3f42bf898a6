#include "HotKeys.h"
#include "XcbReply.h"

#include <xcb/xcb.h>
#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QKeyEvent>
#include <QList>
#include <QWidget>

#include <cstdlib>
#include <cstring>

namespace {

constexpr xcb_keysym_t kBackSpace = 0xff08;
constexpr xcb_keysym_t kSpace = 0x0020;
constexpr xcb_keysym_t kEscape = 0xff1b;
constexpr xcb_keysym_t kNumLock = 0xff7f;

// Keys grabbed on the root window through Qt's own connection. X11 keeps a grab until the
// client lets it go or disconnects, so the grabs are released when the card window closes.
class X11HotKeys final : public HotKeys, public QAbstractNativeEventFilter {
public:
    X11HotKeys(xcb_connection_t* connection, QWidget& window)
        : connection_(connection), window_(window) {
        qApp->installNativeEventFilter(this);
    }
    ~X11HotKeys() override {
        qApp->removeNativeEventFilter(this);
        releaseAll();
    }

    quint32 addAtom(const char* name) override {
        const auto cookie = xcb_intern_atom(connection_, 0, uint16_t(std::strlen(name)), name);
        Freed<xcb_intern_atom_reply_t> reply{xcb_intern_atom_reply(connection_, cookie, nullptr)};
        return reply ? reply->atom : 0;
    }

    bool registerKey(quint32 id, Key key) override {
        static const xcb_keysym_t symbols[] = {kBackSpace, kSpace, kEscape};
        if (!root_) findRootAndLocks();
        const xcb_keycode_t code = keycodeOf(symbols[key]);
        if (!root_ || !code) return false;
        // The lit lock keys are modifiers to X11: grab their variants too, or a lit Num Lock
        // would make the keys do nothing.
        QList<uint16_t> variants{0, XCB_MOD_MASK_LOCK};
        if (numLock_) variants << numLock_ << uint16_t(numLock_ | XCB_MOD_MASK_LOCK);
        QList<Grab> made;
        for (uint16_t modifiers : variants) {
            const auto cookie = xcb_grab_key_checked(connection_, 0, root_, modifiers, code,
                                                     XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
            if (xcb_generic_error_t* error = xcb_request_check(connection_, cookie)) {
                // Another program holds the key: leave it wholly to that program.
                std::free(error);
                for (const Grab& g : made) xcb_ungrab_key(connection_, g.code, root_, g.modifiers);
                xcb_flush(connection_);
                return false;
            }
            made.append({id, key, code, modifiers});
        }
        grabs_ += made;
        return true;
    }

    void releaseAll() override {
        for (const Grab& g : std::as_const(grabs_))
            xcb_ungrab_key(connection_, g.code, root_, g.modifiers);
        if (!grabs_.isEmpty()) xcb_flush(connection_);
        grabs_.clear();
    }

    bool systemWide() const override { return true; }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (grabs_.isEmpty() || type != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        const uint8_t kind = event->response_type & 0x7f;
        if (kind != XCB_KEY_PRESS && kind != XCB_KEY_RELEASE) return false;
        const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
        if (key->event != root_) return false;
        const uint16_t held = key->state & 0xff & ~(XCB_MOD_MASK_LOCK | numLock_);
        for (const Grab& g : std::as_const(grabs_)) {
            if (g.code != key->detail || held != 0) continue;
            // While a report or prompt is up, the key is the box's, as it would be without the
            // grab; never a step of the card window behind it.
            if (const QWidget* box = QApplication::activeModalWidget(); box && box != &window_) {
                QWidget* focus = QApplication::focusWidget();
                if (focus && focus->window() == box)
                    QCoreApplication::postEvent(
                        focus,
                        new QKeyEvent(kind == XCB_KEY_PRESS ? QEvent::KeyPress : QEvent::KeyRelease,
                                      qtKey(g.key), Qt::NoModifier, text(g.key)));
                return true;
            }
            if (kind == XCB_KEY_PRESS) {
                // The step runs after Qt has finished with this event: it may open a report.
                const quint32 id = g.id;
                QMetaObject::invokeMethod(
                    this, [this, id] { emit pressed(id); }, Qt::QueuedConnection);
            }
            return true;
        }
        return false;
    }

private:
    struct Grab {
        quint32 id;
        Key key;
        xcb_keycode_t code;
        uint16_t modifiers;
    };

    static QString text(Key key) {
        static const char* const texts[] = {"\b", " ", "\x1b"};
        return QString::fromLatin1(texts[key]);
    }

    void findRootAndLocks() {
        Freed<xcb_query_tree_reply_t> tree{xcb_query_tree_reply(
            connection_, xcb_query_tree(connection_, xcb_window_t(window_.winId())), nullptr)};
        if (!tree) return;
        root_ = tree->root;
        // The modifier Num Lock sits on differs from one keyboard map to the next.
        const xcb_keycode_t numLockCode = keycodeOf(kNumLock);
        Freed<xcb_get_modifier_mapping_reply_t> map{xcb_get_modifier_mapping_reply(
            connection_, xcb_get_modifier_mapping(connection_), nullptr)};
        if (!map || !numLockCode) return;
        const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(map.reply);
        const int perModifier = map->keycodes_per_modifier;
        for (int modifier = 0; modifier < 8; ++modifier)
            for (int i = 0; i < perModifier; ++i)
                if (codes[modifier * perModifier + i] == numLockCode)
                    numLock_ = uint16_t(1u << modifier);
    }

    xcb_keycode_t keycodeOf(xcb_keysym_t symbol) {
        const xcb_setup_t* setup = xcb_get_setup(connection_);
        const uint8_t first = setup->min_keycode;
        const int count = setup->max_keycode - first + 1;
        Freed<xcb_get_keyboard_mapping_reply_t> map{xcb_get_keyboard_mapping_reply(
            connection_, xcb_get_keyboard_mapping(connection_, first, uint8_t(count)), nullptr)};
        if (!map) return 0;
        const xcb_keysym_t* symbols = xcb_get_keyboard_mapping_keysyms(map.reply);
        const int perCode = map->keysyms_per_keycode;
        // The unshifted symbol first, then any level.
        for (int level = 0; level < perCode; ++level)
            for (int i = 0; i < count; ++i)
                if (symbols[i * perCode + level] == symbol) return xcb_keycode_t(first + i);
        return 0;
    }

    xcb_connection_t* connection_;
    QWidget& window_;
    xcb_window_t root_ = 0;
    uint16_t numLock_ = 0;
    QList<Grab> grabs_;
};

}  // namespace

std::unique_ptr<HotKeys> createX11HotKeys(QWidget& window) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection()) return nullptr;
    return std::make_unique<X11HotKeys>(x11->connection(), window);
}
