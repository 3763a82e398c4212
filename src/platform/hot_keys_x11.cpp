// SPDX-License-Identifier: GPL-3.0-or-later
// System-wide hot keys on X11: passive key grabs on the root window, read back through Qt's own
// connection by a native event filter. A chord another client already grabbed fails with
// BadAccess, which is checked per chord so the registry knows which ones the system refused.
#include "hot_key_backend.h"
#include "hot_keys_match.h"
#include "x11_connection.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QHash>
#include <QTimer>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>

namespace qm::platform {

namespace {

using namespace x11;

constexpr quint32 kNumLockKeysym = 0xff7f;
constexpr quint32 kAltLeftKeysym = 0xffe9;
constexpr quint32 kAltRightKeysym = 0xffea;

template <typename T> struct FreeDeleter {
    void operator()(T *p) const { std::free(p); }
};
template <typename T> using XcbReply = std::unique_ptr<T, FreeDeleter<T>>;

class X11HotKeys final : public HotKeyBackend, public QAbstractNativeEventFilter {
public:
    X11HotKeys(xcb_connection_t *connection, xcb_window_t root)
        : m_connection(connection)
        , m_root(root)
        , m_symbols(xcb_key_symbols_alloc(connection))
    {
    }

    ~X11HotKeys() override
    {
        if (m_installed && qApp)
            qApp->removeNativeEventFilter(this);
        for (Entry &e : m_entries)
            ungrab(e);
        xcb_flush(m_connection);
        if (m_symbols)
            xcb_key_symbols_free(m_symbols);
    }

    void install(Dispatch dispatch, StatusChanged statusChanged) override
    {
        m_dispatch = std::move(dispatch);
        m_statusChanged = std::move(statusChanged);
        if (m_installed)
            return;
        m_installed = true;
        m_masks = readModifierMasks();
        qApp->installNativeEventFilter(this);
    }

    GrabStatus grab(quint32 id, const HotKeyChord &chord) override
    {
        Entry entry {id, chord, {}, GrabStatus::NoSuchKey};
        entry.status = grabEntry(entry);
        m_entries.append(entry);
        return entry.status;
    }

    void release(quint32 id) override
    {
        for (qsizetype i = 0; i < m_entries.size(); ++i) {
            if (m_entries[i].id != id)
                continue;
            ungrab(m_entries[i]);
            xcb_flush(m_connection);
            m_entries.removeAt(i);
            return;
        }
    }

    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
        if (type != "xcb_generic_event_t")
            return false;
        auto *event = static_cast<xcb_generic_event_t *>(message);
        const quint8 kind = eventType(event->response_type);
        if (kind == kMappingNotify) {
            keyboardMapChanged(reinterpret_cast<xcb_mapping_notify_event_t *>(event));
            return false; // Qt keeps its own keyboard map up to date from the same event
        }
        if (kind != kKeyPress && kind != kKeyRelease)
            return false;
        const auto *key = reinterpret_cast<const xcb_key_press_event_t *>(event);
        // Our grabs report to the root window (owner_events off); nothing else of ours does.
        if (key->event != m_root || isSynthetic(event->response_type))
            return false;

        if (kind == kKeyRelease) {
            m_repeat.release(key->detail, key->time);
            return isGrabbedKeycode(key->detail);
        }
        const bool repeat = m_repeat.press(key->detail, key->time);
        const std::optional<quint32> id
            = matchPress(allGrabs(), key->detail, key->state, m_masks.numLock);
        if (!id)
            return false;
        if (repeat && !repeats(*id))
            return true;
        // Run the action after the event has been handled, not inside Qt's X event processing.
        const quint32 fired = *id;
        QMetaObject::invokeMethod(
            &m_context,
            [this, fired] {
                if (m_dispatch)
                    m_dispatch(fired);
            },
            Qt::QueuedConnection);
        return true;
    }

private:
    struct Entry {
        quint32 id = 0;
        HotKeyChord chord;
        QList<Grab> grabs; // one per keycode; the lock variants are implied
        GrabStatus status = GrabStatus::NoSuchKey;
    };

    QList<quint8> keycodesFor(const QList<quint32> &keysyms) const
    {
        QList<quint8> out;
        if (!m_symbols)
            return out;
        for (const quint32 sym : keysyms) {
            XcbReply<xcb_keycode_t> codes(xcb_key_symbols_get_keycode(m_symbols, sym));
            appendKeycodes(out, codes.get());
        }
        return out;
    }

    ModifierMasks readModifierMasks() const
    {
        ModifierMasks masks;
        XcbReply<xcb_get_modifier_mapping_reply_t> reply(xcb_get_modifier_mapping_reply(
            m_connection, xcb_get_modifier_mapping(m_connection), nullptr));
        if (!reply)
            return masks;
        const quint8 *map = xcb_get_modifier_mapping_keycodes(reply.get());
        const int perModifier = reply->keycodes_per_modifier;
        masks.numLock = modifierMaskContaining(map, perModifier, keycodesFor({kNumLockKeysym}));
        if (const quint16 alt = modifierMaskContaining(
                map, perModifier, keycodesFor({kAltLeftKeysym, kAltRightKeysym})))
            masks.alt = alt;
        return masks;
    }

    // All four lock variants of every keycode, or none: a chord is either the program's or not.
    GrabStatus grabEntry(Entry &entry)
    {
        entry.grabs.clear();
        const QList<quint8> keycodes = keycodesFor(entry.chord.keysyms);
        if (keycodes.isEmpty())
            return GrabStatus::NoSuchKey;
        const quint16 modifiers = toXModifiers(entry.chord.modifiers, m_masks);
        struct Pending {
            xcb_void_cookie_t cookie;
            quint8 keycode;
            quint16 modifiers;
        };
        QList<Pending> pending;
        for (const quint8 code : keycodes) {
            for (const quint16 variant : lockVariants(modifiers, m_masks.numLock)) {
                pending.append({xcb_grab_key_checked(m_connection, 0, m_root, variant, code,
                                    XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                    code, variant});
            }
        }
        bool refused = false;
        QList<Pending> held;
        for (const Pending &p : pending) {
            XcbReply<xcb_generic_error_t> error(xcb_request_check(m_connection, p.cookie));
            if (error)
                refused = true;
            else
                held.append(p);
        }
        if (refused) {
            for (const Pending &p : held)
                xcb_ungrab_key(m_connection, p.keycode, m_root, p.modifiers);
            xcb_flush(m_connection);
            return GrabStatus::InUse;
        }
        for (const quint8 code : keycodes)
            entry.grabs.append({entry.id, code, modifiers});
        return GrabStatus::Granted;
    }

    void ungrab(Entry &entry)
    {
        for (const Grab &g : entry.grabs) {
            for (const quint16 variant : lockVariants(g.modifiers, m_masks.numLock))
                xcb_ungrab_key(m_connection, g.keycode, m_root, variant);
        }
        entry.grabs.clear();
    }

    void keyboardMapChanged(xcb_mapping_notify_event_t *event)
    {
        if (event->request != XCB_MAPPING_KEYBOARD && event->request != XCB_MAPPING_MODIFIER)
            return;
        if (m_symbols)
            xcb_refresh_keyboard_mapping(m_symbols, event);
        // A layout switch sends a burst of these; grab again once, after the burst.
        if (m_regrabPending)
            return;
        m_regrabPending = true;
        QTimer::singleShot(0, &m_context, [this] { regrab(); });
    }

    void regrab()
    {
        m_regrabPending = false;
        for (Entry &e : m_entries)
            ungrab(e);
        m_masks = readModifierMasks();
        for (Entry &e : m_entries) {
            const GrabStatus status = grabEntry(e);
            if (status != e.status) {
                e.status = status;
                if (m_statusChanged)
                    m_statusChanged(e.id, status);
            }
        }
    }

    QList<Grab> allGrabs() const
    {
        QList<Grab> out;
        for (const Entry &e : m_entries)
            out.append(e.grabs);
        return out;
    }

    bool isGrabbedKeycode(quint8 keycode) const
    {
        for (const Entry &e : m_entries) {
            for (const Grab &g : e.grabs) {
                if (g.keycode == keycode)
                    return true;
            }
        }
        return false;
    }

    bool repeats(quint32 id) const
    {
        for (const Entry &e : m_entries) {
            if (e.id == id)
                return e.chord.repeats;
        }
        return false;
    }

    xcb_connection_t *m_connection;
    xcb_window_t m_root;
    xcb_key_symbols_t *m_symbols;
    ModifierMasks m_masks;
    QList<Entry> m_entries;
    RepeatDetector m_repeat;
    Dispatch m_dispatch;
    StatusChanged m_statusChanged;
    bool m_installed = false;
    bool m_regrabPending = false;
    // Queued calls run in this context, so they die with the backend.
    QObject m_context;
};

} // namespace

std::unique_ptr<HotKeyBackend> createX11HotKeyBackend()
{
    xcb_connection_t *connection = qtConnection();
    if (!connection)
        return createNoopHotKeyBackend();
    const xcb_screen_t *screen = displayScreen(connection);
    if (!screen)
        return createNoopHotKeyBackend();
    const xcb_window_t root = screen->root;
    return std::make_unique<X11HotKeys>(connection, root);
}

} // namespace qm::platform
