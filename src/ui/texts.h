// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The texts that name keys or the computer differ between platforms; they live here together so
// another platform's build can swap them.
namespace qm::texts {

inline QString restartTip()
{
    return QStringLiteral("Restart (Ctrl+Alt+R)");
}
inline QString previousCueTip()
{
    return QStringLiteral("Previous cue (Ctrl+Alt+PgUp)");
}
inline QString nextCueTip()
{
    return QStringLiteral("Next cue (Ctrl+Alt+PgDn)");
}
inline QString pauseTip()
{
    return QStringLiteral("Pause (Ctrl+Alt+Space)");
}
inline QString playTip()
{
    return QStringLiteral("Play (Ctrl+Alt+Space)");
}
inline QString slowerTip()
{
    return QStringLiteral("Slower (Ctrl+Alt+Minus)");
}
inline QString fasterTip()
{
    return QStringLiteral("Faster (Ctrl+Alt+Plus)");
}
inline QString closePrompterTip()
{
    return QStringLiteral("Close prompter (Ctrl+Alt+P)");
}

inline QString hidePrompterItem()
{
    return QStringLiteral("Hide Prompter  Ctrl+Alt+P");
}
inline QString showPrompterItem()
{
    return QStringLiteral("Show Prompter  Ctrl+Alt+P");
}
inline QString pauseItem()
{
    return QStringLiteral("Pause  Ctrl+Alt+Space");
}
inline QString playItem()
{
    return QStringLiteral("Play  Ctrl+Alt+Space");
}
inline QString restartItem()
{
    return QStringLiteral("Restart  Ctrl+Alt+R");
}

inline QString newScriptTip()
{
    return QStringLiteral("New script (Ctrl+N)");
}
inline QString startKeysHint()
{
    return QStringLiteral("Ctrl+Enter");
}
inline QString closeThePrompterTip()
{
    return QStringLiteral("Close the prompter (Ctrl+Enter)");
}

// The welcome script's last line where no window can be kept out of screen sharing (every
// Linux desktop today): what is true instead.
inline QString welcomePrivateLine()
{
    return QStringLiteral("Scripts never leave this computer. In a call, share a window, not your "
                          "screen. They see your slides. You see your notes.");
}

inline QString sidebarFooter()
{
    return QStringLiteral("Free forever. Scripts stay on this computer.");
}
// The same note while the network remote is on, when that is no longer the whole truth.
inline QString sidebarFooterRemoteOn()
{
    return QStringLiteral("Remote on: paired devices on your network can see the script.");
}
inline QString voiceDescription()
{
    return QStringLiteral("Moves while you talk, waits while you pause. Only loudness is "
                          "measured; audio never leaves your computer.");
}
inline QString followDescription()
{
    return QStringLiteral("Follows your words as you read aloud and waits when you pause or "
                          "ad-lib. English only. Listening happens on this computer; nothing is "
                          "recorded or sent.");
}
inline QString followModelMissing()
{
    return QStringLiteral("Follow needs the speech model. To use it, install pocketsphinx-en-us.");
}
inline QString followNothingToHear()
{
    return QStringLiteral("Follow listens for the script's English words, and this script has "
                          "none yet.");
}
inline QString followCannotStart()
{
    return QStringLiteral("The speech recogniser could not start. Check that a microphone is "
                          "connected and not muted in your sound settings.");
}
inline QString micDenied()
{
    return QStringLiteral("No microphone could be opened. Check that one is connected and not "
                          "muted in your sound settings.");
}

// Keys column of the shortcut sheet, in the sheet's order.
inline QString sheetStartStopKeys()
{
    return QStringLiteral("Ctrl Enter");
}
inline QString sheetShowHideKeys()
{
    return QStringLiteral("Ctrl Alt P");
}
inline QString sheetPlayPauseKeys()
{
    return QStringLiteral("Ctrl Alt Space");
}
inline QString sheetCueKeys()
{
    return QStringLiteral("Ctrl Alt PgUp PgDn");
}
inline QString sheetSpeedKeys()
{
    return QStringLiteral("Ctrl Alt + \u2212");
}
inline QString sheetRestartKeys()
{
    return QStringLiteral("Ctrl Alt R");
}

} // namespace qm::texts
