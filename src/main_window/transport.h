// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

namespace qm {

class PrompterController;
class StartButton;
class RoundButton;
class CapsuleButton;
class SpringAnimation;

// The editor header's prompter controls: "Start prompter" while the prompter is hidden; play
// or pause, restart and "Stop" while it is shown. Ctrl+Enter does the same from anywhere in
// the main window.
class Transport final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Transport)

public:
    explicit Transport(PrompterController &controller, QWidget *parent = nullptr);
    ~Transport() override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void switchTo(bool shown, bool animated);
    void syncPlaying();
    void applyProgress(double progress);
    void finishSwitch();
    void place();

    PrompterController &m_controller;
    StartButton *m_start = nullptr;
    QWidget *m_running = nullptr;
    RoundButton *m_playPause = nullptr;
    RoundButton *m_restart = nullptr;
    CapsuleButton *m_stop = nullptr;
    SpringAnimation *m_switch = nullptr;

    // Which alternative is (becoming) current. The mix runs from 0 (start button) to 1 (the
    // running controls); a switch springs it from where it was to its new end.
    bool m_shown = false;
    double m_mix = 0;
    double m_fromMix = 0;
};

} // namespace qm
