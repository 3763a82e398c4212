// SPDX-License-Identifier: GPL-3.0-or-later
// Picks the hot-key backend for the session at run time.
#include "hot_key_backend.h"

#include <QHash>

namespace qm::platform {

bool isWaylandSession()
{
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland");
}

std::unique_ptr<HotKeyBackend> createHotKeyBackend()
{
    std::unique_ptr<HotKeyBackend> x11 = createX11HotKeyBackend();
    // An X11 grab on a Wayland session only sees the keys while an X11 window has the focus;
    // the desktop's shortcut portal sees them everywhere.
    if (isWaylandSession() && qEnvironmentVariableIsEmpty("QUILLMERE_NO_PORTAL"))
        return createPortalHotKeyBackend(std::move(x11));
    return x11;
}

QString portalTrigger(const HotKeyChord &chord)
{
    static const QHash<quint32, QString> names {
        {keysym::kSpace, QStringLiteral("space")},
        {keysym::kPlus, QStringLiteral("plus")},
        {keysym::kMinus, QStringLiteral("minus")},
        {keysym::kEqual, QStringLiteral("equal")},
        {keysym::kPageUp, QStringLiteral("Page_Up")},
        {keysym::kPageDown, QStringLiteral("Page_Down")},
        {keysym::kKeypadAdd, QStringLiteral("KP_Add")},
        {keysym::kKeypadSubtract, QStringLiteral("KP_Subtract")},
    };
    if (chord.keysyms.isEmpty())
        return {};
    const quint32 sym = chord.keysyms.first();
    QString key;
    // Latin letters and digits are their own keysym names.
    if ((sym >= 'a' && sym <= 'z') || (sym >= '0' && sym <= '9'))
        key = QChar(char16_t(sym));
    else
        key = names.value(sym);
    if (key.isEmpty())
        return {};
    QString out;
    if (chord.modifiers & kHotKeyControl)
        out += QLatin1String("CTRL+");
    if (chord.modifiers & kHotKeyAlt)
        out += QLatin1String("ALT+");
    if (chord.modifiers & kHotKeyShift)
        out += QLatin1String("SHIFT+");
    return out + key;
}

} // namespace qm::platform
