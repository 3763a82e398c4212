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
};

// What the system said to one chord.
enum class GrabStatus {
    Granted,
    InUse, // another program holds it
    NoSuchKey, // the keyboard map has none of its keys
    Unsupported, // this session offers no system-wide shortcuts
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
    // Lets go of the chord grabbed under `id`; its id is not used again. A backend whose
    // grabs last as long as the program has nothing to do.
    virtual void release(quint32 id) { Q_UNUSED(id) }
};

// The backend for the session the program runs in (X11, or one that refuses everything).
std::unique_ptr<HotKeyBackend> createHotKeyBackend();
// Refuses every chord; for sessions without a way to grab keys system-wide.
std::unique_ptr<HotKeyBackend> createNoopHotKeyBackend();

} // namespace qm::platform
