// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QtGlobal>

#include <functional>
#include <memory>

namespace qm::platform {

// Modifiers a chord is made of, whatever the window system calls them.
enum HotKeyModifier : quint32 {
    kHotKeyShift = 1u << 0,
    kHotKeyControl = 1u << 1,
    kHotKeyAlt = 1u << 2,
};

// X keysyms for the keys the program binds (values from keysymdef.h, which other backends may
// not have).
namespace keysym {
inline constexpr quint32 kSpace = 0x0020;
inline constexpr quint32 kPlus = 0x002b;
inline constexpr quint32 kMinus = 0x002d;
inline constexpr quint32 kEqual = 0x003d;
inline constexpr quint32 kP = 0x0070;
inline constexpr quint32 kR = 0x0072;
inline constexpr quint32 kPageUp = 0xff55; // XK_Prior
inline constexpr quint32 kPageDown = 0xff56; // XK_Next
inline constexpr quint32 kKeypadAdd = 0xffab;
inline constexpr quint32 kKeypadSubtract = 0xffad;
} // namespace keysym

// One system-wide key combination. Any key that carries one of `keysyms` in the current
// keyboard map triggers it, so "Plus" can be both the main-keyboard key and the keypad's.
struct HotKeyChord {
    QList<quint32> keysyms;
    quint32 modifiers = 0;
    // Whether holding the keys fires again at the keyboard's repeat rate.
    bool repeats = false;
    // For desktops that list the program's shortcuts in their own settings: a stable name
    // ("toggle") and what it does, in words ("Show or hide the prompter"). A chord without a
    // name is known there by its id.
    QString name = {};
    QString description = {};
};

// The chord as the desktop shortcut portal writes a trigger: "CTRL+ALT+Page_Down". Only the
// first keysym is named; empty when it has no name here.
QString portalTrigger(const HotKeyChord &chord);

// What the system said to one chord.
enum class GrabStatus {
    Granted,
    InUse, // another program holds it
    NoSuchKey, // the keyboard map has none of its keys
    Unsupported, // this session offers no system-wide shortcuts
    // Granted by the X server of a Wayland session: it reaches the program only while one of
    // the session's X11 windows has the focus.
    X11Only,
    // Bound through the desktop, which left it without keys (taken, or cleared by the user).
    NoKeysAssigned,
};

// The system-wide shortcut service. Everything is called and delivered on the main thread.
class HotKeyBackend {
public:
    // Called once per press of a granted chord with the id it was grabbed under.
    using Dispatch = std::function<void(quint32 id)>;
    // Called when a later keyboard-map change grants or loses a chord.
    using StatusChanged = std::function<void(quint32 id, GrabStatus status)>;

    virtual ~HotKeyBackend() = default;

    // Installs the one event hook. Called once, before the first grab.
    virtual void install(Dispatch dispatch, StatusChanged statusChanged) = 0;
    // Asks for `chord` system-wide.
    virtual GrabStatus grab(quint32 id, const HotKeyChord &chord) = 0;
    // Lets go of the chord grabbed under `id`; the id is not reused.
    virtual void release(quint32 id) { Q_UNUSED(id) }
    // Lets go of the chord under `id` for now: the same named chord may come back under a new
    // id. A desktop that binds shortcuts a session at a time keeps it bound and ignores its
    // presses meanwhile rather than bind everything again; the X11 grab just lets go.
    virtual void suspend(quint32 id) { release(id); }
    // A named chord that comes and goes (grabbed, suspended, grabbed again) for as long as it
    // is reserved, so a desktop that binds once binds it with the others. Nothing where keys
    // are grabbed as they are needed.
    virtual void setReserved(const HotKeyChord &chord, bool reserved)
    {
        Q_UNUSED(chord)
        Q_UNUSED(reserved)
    }
    // The keys the desktop assigned to the chord, in its own words, when it chose them rather
    // than the program (the user may have changed them); empty otherwise.
    virtual QString assignedKeys(quint32 id) const
    {
        Q_UNUSED(id)
        return {};
    }
    // False while an answer from the desktop is still on its way.
    virtual bool settled() const { return true; }
};

// The backend for the session the program runs in: the desktop's shortcut portal on a Wayland
// session that has one, with the X11 grab until (and unless) it answers; the X11 grab alone
// elsewhere; or one that refuses everything.
std::unique_ptr<HotKeyBackend> createHotKeyBackend();
// Passive grabs on the X server the program is connected to (refuses all without one, and in
// builds without X11).
std::unique_ptr<HotKeyBackend> createX11HotKeyBackend();
// The org.freedesktop.portal.GlobalShortcuts portal, with `fallback` holding the chords until
// the portal has bound them, and for good when it has no such portal.
std::unique_ptr<HotKeyBackend> createPortalHotKeyBackend(std::unique_ptr<HotKeyBackend> fallback);
// Whether the program runs in a Wayland session (through XWayland or not).
bool isWaylandSession();
// Refuses every chord; for sessions without a way to grab keys system-wide (offscreen, a native
// Wayland session without the portal): the remote commands remain the way in.
class NoopHotKeyBackend final : public HotKeyBackend {
public:
    void install(Dispatch, StatusChanged) override { }
    GrabStatus grab(quint32, const HotKeyChord &) override { return GrabStatus::Unsupported; }
};
inline std::unique_ptr<HotKeyBackend> createNoopHotKeyBackend()
{
    return std::make_unique<NoopHotKeyBackend>();
}

} // namespace qm::platform
