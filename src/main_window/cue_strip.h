// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/sections.h"

#include <QList>
#include <QWidget>

#include <optional>

class QHBoxLayout;
class QScrollArea;

namespace qm {

class PrompterController;
class CueChip;
class SpringAnimation;

// One chip per cue of the selected script, numbered from 1; a click glides the prompter to the
// cue, and the cue the prompter is at is highlighted while it is shown.
class CueStrip final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CueStrip)

public:
    explicit CueStrip(PrompterController &controller, QWidget *parent = nullptr);
    ~CueStrip() override;

    // The sections that have a cue, in script order (as scriptStats returns them).
    void setCues(const QList<ScriptSection> &cues);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The id of the chip that should be highlighted now, if any.
    std::optional<qint64> currentID() const;
    void syncHighlight(bool animated);
    void applyProgress(double progress);

    PrompterController &m_controller;
    QList<ScriptSection> m_cues;
    QList<CueChip *> m_chips;
    QScrollArea *m_scroll = nullptr;
    QWidget *m_row = nullptr;
    QHBoxLayout *m_layout = nullptr;
    SpringAnimation *m_spring = nullptr;
    // Each chip's highlight where the running animation started.
    QList<double> m_from;
};

} // namespace qm
