// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote_state.h"

#include "model/script.h"
#include "model/sections.h"
#include "prompter/prompter_controller.h"
#include "prompter/scroll_state.h"
#include "store/store.h"

#include <QJsonValue>

#include <cmath>

namespace qm {

namespace {

QList<ScriptSection> shownSections(const PrompterController &prompter)
{
    if (prompter.isVisible())
        return prompter.sections();
    const Script *script = prompter.store().selectedScript();
    return parseSections(script ? script->text : QString());
}

// Rounded to a hundredth: the page needs no more, and equal states then compare equal.
double rounded(double v)
{
    return std::isfinite(v) ? std::round(v * 100) / 100 : 0;
}

} // namespace

QJsonObject remoteState(const PrompterController &prompter)
{
    QJsonObject o;
    o.insert(QStringLiteral("shown"), prompter.isVisible());
    o.insert(QStringLiteral("playing"), prompter.isPlaying());
    if (const std::optional<int> n = prompter.countdown())
        o.insert(QStringLiteral("countdown"), *n);
    else
        o.insert(QStringLiteral("countdown"), QJsonValue::Null);
    o.insert(QStringLiteral("offset"), rounded(prompter.scroll().offset()));
    o.insert(QStringLiteral("maxOffset"), rounded(prompter.maxOffset()));
    o.insert(QStringLiteral("progress"), rounded(prompter.progress() * 10000) / 10000);
    o.insert(QStringLiteral("remaining"), rounded(prompter.remaining()));
    o.insert(QStringLiteral("speed"), prompter.store().settings().speed);
    o.insert(QStringLiteral("atEnd"), prompter.atEnd());

    // The current cue as its place among the cues, the way `jump` takes it.
    QJsonValue cue = QJsonValue::Null;
    int cues = 0;
    const std::optional<qint64> current = prompter.currentCueID();
    for (const ScriptSection &s : shownSections(prompter)) {
        if (!s.cue)
            continue;
        if (current && s.id == *current)
            cue = cues;
        ++cues;
    }
    o.insert(QStringLiteral("cue"), cue);
    o.insert(QStringLiteral("cues"), cues);

    const Script *script = prompter.store().selectedScript();
    o.insert(QStringLiteral("scriptId"), script ? uuidText(script->id) : QString());
    o.insert(QStringLiteral("title"), script ? script->title : QString());
    return o;
}

QJsonArray remoteSections(const PrompterController &prompter)
{
    QJsonArray list;
    const QHash<qint64, double> &offsets = prompter.cueOffsets();
    const bool laidOut = prompter.isVisible();
    for (const ScriptSection &s : shownSections(prompter)) {
        QJsonObject o;
        o.insert(QStringLiteral("id"), s.id);
        o.insert(QStringLiteral("cue"), s.cue ? QJsonValue(*s.cue) : QJsonValue::Null);
        o.insert(QStringLiteral("body"), s.body);
        const auto it = offsets.constFind(s.id);
        o.insert(QStringLiteral("y"),
            laidOut && it != offsets.constEnd() ? QJsonValue(rounded(it.value()))
                                                : QJsonValue::Null);
        list.append(o);
    }
    return list;
}

QString remoteText(const PrompterController &prompter)
{
    const Script *script = prompter.store().selectedScript();
    return script ? script->text : QString();
}

} // namespace qm
