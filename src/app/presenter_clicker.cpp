// SPDX-License-Identifier: GPL-3.0-or-later
#include "presenter_clicker.h"

#include "hot_keys.h"
#include "prompter/prompter_controller.h"
#include "store/store.h"

#include <QPointer>

namespace qm {

using platform::GrabStatus;

PresenterClicker::PresenterClicker(
    Store &store, PrompterController &prompter, HotKeys &hotKeys, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_prompter(prompter)
    , m_hotKeys(hotKeys)
{
    connect(&m_prompter, &PrompterController::isVisibleChanged, this, &PresenterClicker::sync);
    connect(&m_store, &Store::settingsChanged, this, &PresenterClicker::sync);
    sync();
}

namespace {

// Named, so a desktop that lists the program's shortcuts knows them as the same pair on every
// show.
platform::HotKeyChord clickerChord(bool forward)
{
    namespace ks = platform::keysym;
    return forward ? platform::HotKeyChord {{ks::kPageDown}, 0, false, QStringLiteral("page-down"),
               QStringLiteral("Next cue (presenter clicker)")}
                   : platform::HotKeyChord {{ks::kPageUp}, 0, false, QStringLiteral("page-up"),
                       QStringLiteral("Previous cue (presenter clicker)")};
}

} // namespace

PresenterClicker::~PresenterClicker()
{
    if (held()) {
        m_hotKeys.unregisterHotKey(m_down);
        m_hotKeys.unregisterHotKey(m_up);
    }
}

void PresenterClicker::stepForward(PrompterController &prompter)
{
    if (prompter.hasCueAhead())
        prompter.nextCue();
    else
        prompter.glideBy(prompter.viewportHeight());
}

void PresenterClicker::stepBack(PrompterController &prompter)
{
    if (prompter.hasCueBehind())
        prompter.previousCue();
    else
        prompter.glideBy(-prompter.viewportHeight());
}

void PresenterClicker::sync()
{
    const bool on = m_store.settings().presenterClicker;
    const bool want = m_prompter.isVisible() && on;
    // While the setting is on, the pair only comes and goes with the prompter: a desktop that
    // binds shortcuts once keeps it bound rather than ask again on every show.
    if (on && !m_reserved) {
        m_reserved = true;
        m_hotKeys.setReserved(clickerChord(true), true);
        m_hotKeys.setReserved(clickerChord(false), true);
    }
    if (want != held()) {
        if (!want) {
            if (on) {
                m_hotKeys.suspendHotKey(m_down);
                m_hotKeys.suspendHotKey(m_up);
            } else {
                m_hotKeys.unregisterHotKey(m_down);
                m_hotKeys.unregisterHotKey(m_up);
            }
            m_down = m_up = 0;
            Q_EMIT stateChanged();
        } else {
            grab();
        }
    }
    if (!on && m_reserved) {
        m_reserved = false;
        m_hotKeys.setReserved(clickerChord(true), false);
        m_hotKeys.setReserved(clickerChord(false), false);
    }
}

void PresenterClicker::grab()
{
    // The registry may outlive the controller at exit; a late press then does nothing.
    const QPointer<PrompterController> target(&m_prompter);
    m_down = m_hotKeys.registerHotKey(clickerChord(true), [target] {
        if (target && target->isVisible())
            stepForward(*target);
    });
    m_up = m_hotKeys.registerHotKey(clickerChord(false), [target] {
        if (target && target->isVisible())
            stepBack(*target);
    });
    const auto refused = [this](quint32 id) {
        const GrabStatus s = m_hotKeys.status(id);
        return s == GrabStatus::InUse || s == GrabStatus::NoSuchKey;
    };
    m_refused = refused(m_down) || refused(m_up);
    Q_EMIT stateChanged();
}

} // namespace qm
