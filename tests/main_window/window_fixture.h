// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A store on a temporary folder and an engine with a silent microphone, for tests that build
// main-window views.

#include "platform/audio_input.h"
#include "prompter/prompter_controller.h"
#include "prompter/voice_monitor.h"
#include "store/store.h"
#include "support/fake_audio_input.h"

#include <QTemporaryDir>

#include <memory>

namespace qm::testing {

using SilentAudioInput = qm::testing::FakeAudioInput;

struct WindowFixture {
    QTemporaryDir dir;
    Store store {dir.path()};
    VoiceMonitor voice {std::make_unique<SilentAudioInput>()};
    PrompterController controller {store, voice};

    // Replaces the scripts with these (title, text) pairs and selects the first.
    QList<QUuid> setScripts(const QList<std::pair<QString, QString>> &scripts)
    {
        QList<Script> list;
        QList<QUuid> ids;
        for (const auto &[title, text] : scripts) {
            list.append(Script(title, text));
            ids.append(list.last().id);
        }
        store.setScripts(list);
        store.setSelectedID(ids.first());
        return ids;
    }

    const Script *script(const QUuid &id) const
    {
        for (const Script &s : store.scripts()) {
            if (s.id == id)
                return &s;
        }
        return nullptr;
    }
};

} // namespace qm::testing
