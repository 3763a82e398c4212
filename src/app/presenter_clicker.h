// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/hot_key_backend.h"

#include <QObject>

#include <optional>

namespace qm {

class HotKeys;
class PrompterController;
class Store;

// A presenter clicker is a small keyboard that sends Page Down and Page Up. While the prompter
// is shown and the setting is on, those two keys (with no modifier) are taken from every
// program and step the prompter; on hide, or with the setting off, they are let go at once so
// the focused program gets its page keys back.
class PresenterClicker final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PresenterClicker)

public:
    PresenterClicker(
        Store &store, PrompterController &prompter, HotKeys &hotKeys, QObject *parent = nullptr);
    ~PresenterClicker() override;

    bool held() const { return m_down != 0; }
    // Whether another program or the keyboard map kept the keys from us the last time they
    // were asked for; nothing before the first time.
    std::optional<bool> refused() const { return m_refused; }

    // What the keys do: the next cue, or one reading area on when no cue lies that way.
    static void stepForward(PrompterController &prompter);
    static void stepBack(PrompterController &prompter);

Q_SIGNALS:
    // The keys were taken or let go, or the system answered differently.
    void stateChanged();

private:
    void sync();
    void grab();

    Store &m_store;
    PrompterController &m_prompter;
    HotKeys &m_hotKeys;
    quint32 m_down = 0;
    quint32 m_up = 0;
    bool m_reserved = false;
    std::optional<bool> m_refused;
};

} // namespace qm
