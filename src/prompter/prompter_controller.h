// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/sections.h"
#include "model/settings.h"

#include <QHash>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

namespace qm {

namespace platform {
class FrameClock;
struct Refresh;
} // namespace platform

class Store;
class ScrollState;
class VoiceMonitor;
class FollowSession;
class PrompterWindowHost;

// Everything the prompter does over time: the published play state, the sections shown, the
// measurements the view reports, the frame step that advances the offset, cue glides and the
// countdown. Every control that drives the prompter calls the operations below and nothing else.
class PrompterController final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PrompterController)

public:
    // Monotonic seconds; injected so tests advance time exactly.
    using Clock = std::function<double()>;
    // Runs `step` once, `seconds` from now, on this thread. The countdown and the delayed jump
    // go through it so tests can fire them without waiting; the default is a single-shot
    // QTimer that dies with the controller.
    using Scheduler = std::function<void(double seconds, std::function<void()> step)>;

    PrompterController(
        Store &store, VoiceMonitor &voice, Clock clock = {}, QObject *parent = nullptr);
    ~PrompterController() override;

    // The app's controller; the app creates it after the store and registers it here.
    static PrompterController &shared();
    static void setShared(PrompterController *controller);

    // The window side; the app sets the panel, tests a fake. May be null (nothing is shown).
    void setWindowHost(PrompterWindowHost *host);
    PrompterWindowHost *windowHost() const { return m_host; }

    void setScheduler(Scheduler scheduler);
    // What the frames follow: one tick per refresh of the display. The default keeps deadlines
    // at 60 Hz on the injected clock; the window side gives the panel's own display clock
    // (PrompterWindowHost::makeFrameClock), tests a fake. Not null.
    void setFrameClock(std::unique_ptr<platform::FrameClock> clock);
    // The window side shows the prompter in another window now: the frames follow that
    // window's display (when the host gives a clock for it).
    void adoptHostClock();
    platform::FrameClock &frameClock() const { return *m_frames; }

    Store &store() const { return m_store; }
    VoiceMonitor &voice() const { return m_voice; }
    ScrollState &scroll() const { return *m_scroll; }
    FollowSession &follow() const { return *m_follow; }

    // Published state.
    bool isPlaying() const { return m_isPlaying; }
    bool isVisible() const { return m_isVisible; }
    bool hovering() const { return m_hovering; }
    const QList<ScriptSection> &sections() const { return m_sections; }
    double topInset() const { return m_topInset; }
    std::optional<int> countdown() const { return m_countdown; }
    std::optional<qint64> currentCueID() const { return m_currentCueID; }
    bool atEnd() const { return m_atEnd; }

    // Set while this prompter follows another program's and the link to it is down: it holds
    // its place, and its status says so.
    bool sourceLost() const { return m_sourceLost; }
    void setSourceLost(bool lost);

    // Written by the window side.
    void setHovering(bool hovering);
    void setTopInset(double inset);

    // Measurements reported by the prompter view whenever its layout changes. Plain fields:
    // writing them notifies nobody; the next tick uses them.
    double contentHeight() const { return m_contentHeight; }
    double viewportHeight() const { return m_viewportHeight; }
    const QHash<qint64, double> &cueOffsets() const { return m_cueOffsets; }
    void setContentHeight(double h) { m_contentHeight = h; }
    void setViewportHeight(double h) { m_viewportHeight = h; }
    void setCueOffsets(QHash<qint64, double> offsets)
    {
        m_cueOffsets = std::move(offsets);
        m_cuesValid = false;
    }

    // Derived values.
    double maxOffset() const;
    // How far a column `contentHeight` tall scrolls in a reading area `viewportHeight` tall.
    static double scrollLimit(double contentHeight, double viewportHeight);
    double progress() const; // 0…1
    double remaining() const; // seconds left at the current speed
    // Whether nextCue / previousCue would find a cue to glide to from here.
    bool hasCueAhead() const;
    bool hasCueBehind() const;
    std::optional<double> target() const { return m_target; }

    // Operations.
    void show();
    void hide();
    void toggle(); // hide when visible, show otherwise
    void playPause();
    void restart();
    void nextCue();
    void previousCue();
    void jump(qint64 cueID);
    void scrollBy(double delta); // positive moves the text up
    // Glides `delta` points from where the text is going, as a cue jump does.
    void glideBy(double delta);
    void nudgeSpeed(double delta);

    // One frame step at `now` (monotonic seconds); the frame clock calls it on every refresh
    // while something moves, with the refresh's own time. Without an argument, at the injected
    // clock's time: tests and benchmarks drive time that way.
    void tick();
    void tick(double now);
    // Whether frames are coming: the frame clock runs while the text moves or glides, and for
    // one more refresh after each requestFrame().
    bool frameTimerActive() const;
    // The picture is about to change: draw the next refresh. Views call it for their own
    // animations, during a frame to have one more; it does nothing while hidden.
    void requestFrame();
    // Whether the engine itself moves the text on the next tick.
    bool moving() const;

    static constexpr double kCountdownStep = 0.85;
    static constexpr double kJumpRetryDelay = 0.35;
    static constexpr double kMaxFrameStep = 0.1;

Q_SIGNALS:
    void isPlayingChanged(bool);
    void isVisibleChanged(bool);
    void hoveringChanged(bool);
    void sectionsChanged();
    void topInsetChanged(double);
    void countdownChanged(std::optional<int>);
    void currentCueIDChanged(std::optional<qint64>);
    void atEndChanged(bool);
    void sourceLostChanged(bool);
    // After each tick; the view and the aura redraw on it while the prompter is shown.
    void frame();

private:
    struct Cue {
        qint64 id;
        double y;
    };
    const QList<Cue> &cues() const;
    void buildPanel(const Settings &settings);
    void schedule(double seconds, std::function<void()> step);
    double clampTarget(double y) const;
    void runCountdown(int n, quint64 generation);
    void syncVoice();
    void settingsChanged(const Settings &settings);
    void scriptsOrSelectionChanged();
    QString selectedText() const;

    void setPlaying(bool v);
    void setVisible(bool v);
    void setSections(QList<ScriptSection> s);
    void setCountdown(std::optional<int> n);
    void setCurrentCueID(std::optional<qint64> id);
    void setAtEnd(bool v);
    void refreshed(const platform::Refresh &refresh);
    void settleFrames();

    Store &m_store;
    VoiceMonitor &m_voice;
    std::unique_ptr<ScrollState> m_scroll;
    Clock m_clock;
    PrompterWindowHost *m_host = nullptr;

    bool m_isPlaying = false;
    bool m_isVisible = false;
    bool m_hovering = false;
    QList<ScriptSection> m_sections;
    double m_topInset = 0;
    std::optional<int> m_countdown;
    std::optional<qint64> m_currentCueID;
    bool m_atEnd = false;
    bool m_sourceLost = false;

    double m_contentHeight = 0;
    double m_viewportHeight = 0;
    QHash<qint64, double> m_cueOffsets;

    std::unique_ptr<platform::FrameClock> m_frames;
    // Set by requestFrame(), cleared by each tick: whether the frame after it is wanted.
    bool m_frameWanted = false;
    // Refresh times plus this are times of m_clock.
    bool m_refreshPlaced = false;
    double m_refreshOffset = 0;
    double m_last = 0;
    bool m_wheelMonitorInstalled = false;
    std::optional<PrompterMode> m_appliedMode;
    std::optional<double> m_target;
    quint64 m_countdownRun = 0;
    // Counts hides, so a delayed jump scheduled before a hide never shows the prompter again.
    quint64 m_hideRun = 0;
    Settings m_lastSettings;
    Scheduler m_scheduler;
    // The sorted cue positions, rebuilt when the sections or the reported offsets change.
    mutable QList<Cue> m_cues;
    mutable bool m_cuesValid = false;
    std::unique_ptr<FollowSession> m_follow;
};

} // namespace qm
