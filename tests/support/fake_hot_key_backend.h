// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/hot_key_backend.h"

#include <QHash>
#include <QList>
#include <QString>

namespace qm::testing {

// Grants every chord except the ids listed in `refuse`, and lets the test press keys.
class FakeHotKeyBackend final : public platform::HotKeyBackend {
public:
    struct Log {
        int installs = 0;
        QList<quint32> ids;
        QList<platform::HotKeyChord> chords;
        QList<quint32> released;
        QHash<quint32, QString> assigned;
        Dispatch dispatch;
        StatusChanged statusChanged;
    };

    explicit FakeHotKeyBackend(Log &log, QList<quint32> refuse = {})
        : m_log(log)
        , m_refuse(std::move(refuse))
    {
    }

    void install(Dispatch dispatch, StatusChanged statusChanged) override
    {
        ++m_log.installs;
        m_log.dispatch = std::move(dispatch);
        m_log.statusChanged = std::move(statusChanged);
    }
    platform::GrabStatus grab(quint32 id, const platform::HotKeyChord &chord) override
    {
        m_log.ids.append(id);
        m_log.chords.append(chord);
        return m_refuse.contains(id) ? platform::GrabStatus::InUse : platform::GrabStatus::Granted;
    }
    void release(quint32 id) override { m_log.released.append(id); }
    QString assignedKeys(quint32 id) const override { return m_log.assigned.value(id); }

private:
    Log &m_log;
    QList<quint32> m_refuse;
};

} // namespace qm::testing
