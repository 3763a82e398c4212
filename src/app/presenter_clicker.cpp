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
    const bool want = m_prompter.isVisible() && m_store.settings().presenterClicker;
    if (want == held())
        return;
    if (!want) {
        m_hotKeys.unregisterHotKey(m_down);
        m_hotKeys.unregisterHotKey(m_up);
        m_down = m_up = 0;
        Q_EMIT stateChanged();
        return;
    }
    namespace ks = platform::keysym;
    // The registry may outlive the controller at exit; a late press then does nothing.
    const QPointer<PrompterController> target(&m_prompter);
    m_down = m_hotKeys.registerHotKey({{ks::kPageDown}, 0, false}, [target] {
        if (target && target->isVisible())
            stepForward(*target);
    });
    m_up = m_hotKeys.registerHotKey({{ks::kPageUp}, 0, false}, [target] {
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
