// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The key matching of the X11 hot-key backend as pure functions over the numbers the X server
// sends, so it can be tested without a server.

#include <QList>
#include <QtGlobal>

#include <array>
#include <optional>

namespace qm::platform::x11 {

// X core modifier bits (the `state` of a key event, the `modifiers` of a grab).
inline constexpr quint16 kShiftMask = 1u << 0;
inline constexpr quint16 kLockMask = 1u << 1;
inline constexpr quint16 kControlMask = 1u << 2;
inline constexpr quint16 kMod1Mask = 1u << 3;
// Shift, Lock, Control and Mod1…Mod5; the bits above are pointer buttons.
inline constexpr quint16 kKeyboardModifiers = 0x00ff;

inline constexpr quint8 kKeyPress = 2;
inline constexpr quint8 kKeyRelease = 3;
inline constexpr quint8 kMappingNotify = 34;

// Which modifier bits the Alt and NumLock keys set in this session's modifier map.
struct ModifierMasks {
    quint16 alt = kMod1Mask;
    quint16 numLock = 0;
};

// The X modifier bits for a chord's HotKeyModifier flags.
quint16 toXModifiers(quint32 chordModifiers, const ModifierMasks &masks);

// The modifier sets to grab so a chord works whatever the state of CapsLock and NumLock: the
// chord alone, with Lock, with NumLock and with both; fewer when NumLock sets no bit.
QList<quint16> lockVariants(quint16 modifiers, quint16 numLockMask);

// The state of a key event reduced to the modifiers a chord is made of: CapsLock, NumLock and
// pointer buttons dropped.
quint16 significantModifiers(quint16 state, quint16 numLockMask);

// The event type without the bit that marks an event another client sent with SendEvent.
quint8 eventType(quint8 responseType);
// Another client made this event up (SendEvent); it was not typed.
bool isSynthetic(quint8 responseType);

// The mask of the first modifier (Shift … Mod5) whose keys include one of `keycodes`, read from
// a modifier map of 8 × keycodesPerModifier keycodes; 0 when none does.
quint16 modifierMaskContaining(
    const quint8 *modifierMap, int keycodesPerModifier, const QList<quint8> &keycodes);

// Appends the keycodes of a keysym lookup (a list ended by 0, or null when the keyboard has no
// such key) to `into`, leaving out those already there.
void appendKeycodes(QList<quint8> &into, const quint8 *lookup);

// One passive grab: a keycode with an exact set of significant modifiers.
struct Grab {
    quint32 id = 0;
    quint8 keycode = 0;
    quint16 modifiers = 0;
};

// The id of the grab a press of `keycode` with `state` belongs to.
std::optional<quint32> matchPress(
    const QList<Grab> &grabs, quint8 keycode, quint16 state, quint16 numLockMask);

// Tells a typed press from the keyboard's auto-repeat. Servers with detectable auto-repeat send
// presses without releases while a key is held; the others send a release and a press with the
// same timestamp for every repeat.
class RepeatDetector final {
public:
    // True when this press repeats a key already held.
    bool press(quint8 keycode, quint32 time);
    // Releases are matched by keycode alone: the modifiers may already be up.
    void release(quint8 keycode, quint32 time);

private:
    std::array<bool, 256> m_down {};
    struct Last {
        bool release = false;
        quint8 keycode = 0;
        quint32 time = 0;
    };
    std::optional<Last> m_last;
};

} // namespace qm::platform::x11
