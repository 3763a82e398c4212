// SPDX-License-Identifier: GPL-3.0-or-later
#include "hot_keys_match.h"

#include "hot_key_backend.h"

namespace qm::platform::x11 {

quint16 toXModifiers(quint32 chordModifiers, const ModifierMasks &masks)
{
    quint16 out = 0;
    if (chordModifiers & kHotKeyShift)
        out |= kShiftMask;
    if (chordModifiers & kHotKeyControl)
        out |= kControlMask;
    if (chordModifiers & kHotKeyAlt)
        out |= masks.alt;
    return out;
}

QList<quint16> lockVariants(quint16 modifiers, quint16 numLockMask)
{
    QList<quint16> out;
    for (const quint16 extra :
        {quint16(0), kLockMask, numLockMask, quint16(kLockMask | numLockMask)}) {
        const quint16 m = modifiers | extra;
        if (!out.contains(m))
            out.append(m);
    }
    return out;
}

quint16 significantModifiers(quint16 state, quint16 numLockMask)
{
    return state & kKeyboardModifiers & ~kLockMask & ~numLockMask;
}

quint8 eventType(quint8 responseType)
{
    return responseType & 0x7f;
}

bool isSynthetic(quint8 responseType)
{
    return (responseType & 0x80) != 0;
}

quint16 modifierMaskContaining(
    const quint8 *modifierMap, int keycodesPerModifier, const QList<quint8> &keycodes)
{
    if (!modifierMap || keycodesPerModifier <= 0)
        return 0;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < keycodesPerModifier; ++i) {
            const quint8 code = modifierMap[modifier * keycodesPerModifier + i];
            if (code != 0 && keycodes.contains(code))
                return quint16(1u << modifier);
        }
    }
    return 0;
}

void appendKeycodes(QList<quint8> &into, const quint8 *lookup)
{
    if (!lookup)
        return;
    for (const quint8 *p = lookup; *p != 0; ++p) {
        if (!into.contains(*p))
            into.append(*p);
    }
}

std::optional<quint32> matchPress(
    const QList<Grab> &grabs, quint8 keycode, quint16 state, quint16 numLockMask)
{
    const quint16 held = significantModifiers(state, numLockMask);
    for (const Grab &g : grabs) {
        if (g.keycode == keycode && g.modifiers == held)
            return g.id;
    }
    return std::nullopt;
}

bool RepeatDetector::press(quint8 keycode, quint32 time)
{
    const bool held = m_down[keycode];
    const bool pairedRelease
        = m_last && m_last->release && m_last->keycode == keycode && m_last->time == time;
    m_down[keycode] = true;
    m_last = Last {false, keycode, time};
    return held || pairedRelease;
}

void RepeatDetector::release(quint8 keycode, quint32 time)
{
    m_down[keycode] = false;
    m_last = Last {true, keycode, time};
}

} // namespace qm::platform::x11
