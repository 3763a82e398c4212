// SPDX-License-Identifier: GPL-3.0-or-later
#include "prompter_controller.h"

#include "follow_session.h"
#include "platform/frame_clock.h"
#include "platform/trace.h"
#include "prompter_window_host.h"
#include "scroll_state.h"
#include "store/store.h"
#include "voice_monitor.h"

#include "platform/monotonic_clock.h"

#include <QTimer>
#include <QtGlobal>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace qm {

namespace {

PrompterController *g_shared = nullptr;

// Cue destinations leave the cue line this far below the top of the scrolled area.
constexpr double kCueMargin = 6;
// A cue closer than this to the current destination counts as the one we are at.
constexpr double kCueSlack = 2;
// A cue becomes current this far before its line reaches the top.
constexpr double kCurrentCueLead = 14;
// Fraction of the remaining glide distance covered per second (per frame: dt × 11).
constexpr double kGlideRate = 11;
constexpr double kGlideSnap = 0.5;
constexpr double kAtEndSlack = 0.5;
// A refresh further than this from the controller's clock comes from a clock of another origin.
constexpr double kRefreshStray = 0.5;

} // namespace

PrompterController::PrompterController(
    Store &store, VoiceMonitor &voice, Clock clock, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_voice(voice)
    , m_scroll(std::make_unique<ScrollState>())
    , m_clock(clock ? std::move(clock) : Clock(monotonicSeconds))
    , m_lastSettings(store.settings())
{
    m_last = m_clock();
    m_follow = std::make_unique<FollowSession>(m_clock);
    // A newly read word starts the glide toward it; a new state shows in the status.
    connect(m_follow.get(), &FollowSession::positionChanged, this, [this] { requestFrame(); });
    connect(m_follow.get(), &FollowSession::stateChanged, this, [this] { requestFrame(); });

    setFrameClock(platform::makeDeadlineClock(60, m_clock));
    // The speaker starting or stopping moves the text in voice mode.
    connect(&m_voice, &VoiceMonitor::speakingChanged, this, [this] { requestFrame(); });
    connect(&m_voice, &VoiceMonitor::speakingChanged, this,
        [](bool speaking) { trace(speaking ? "speaking" : "quiet"); });

    // The store signals every assignment, equal values included; only a real change of the
    // settings is acted on, and the value current now is the starting point.
    connect(&m_store, &Store::settingsChanged, this, [this] {
        const Settings &settings = m_store.settings();
        if (settings == m_lastSettings)
            return;
        m_lastSettings = settings;
        settingsChanged(settings);
    });
    connect(&m_store, &Store::scriptsChanged, this, &PrompterController::scriptsOrSelectionChanged);
    connect(
        &m_store, &Store::selectedIDChanged, this, &PrompterController::scriptsOrSelectionChanged);
}

PrompterController::~PrompterController()
{
    if (g_shared == this)
        g_shared = nullptr;
}

PrompterController &PrompterController::shared()
{
    if (!g_shared)
        qFatal("PrompterController::shared() called before the app registered its controller");
    return *g_shared;
}

void PrompterController::setShared(PrompterController *controller)
{
    g_shared = controller;
}

void PrompterController::setWindowHost(PrompterWindowHost *host)
{
    m_host = host;
}

void PrompterController::setScheduler(Scheduler scheduler)
{
    m_scheduler = std::move(scheduler);
}

void PrompterController::setFrameClock(std::unique_ptr<platform::FrameClock> clock)
{
    Q_ASSERT(clock);
    const bool running = m_frames && m_frames != clock && m_frames->running();
    if (m_frames && m_frames != clock)
        m_frames->stop();
    m_frames = std::move(clock);
    m_refreshPlaced = false;
    QPointer<PrompterController> self(this);
    m_frames->setCallback([self](const platform::Refresh &refresh) {
        if (self)
            self->refreshed(refresh);
    });
    if (running)
        m_frames->start();
}

void PrompterController::adoptHostClock()
{
    if (!m_host)
        return;
    if (std::unique_ptr<platform::FrameClock> clock = m_host->makeFrameClock())
        setFrameClock(std::move(clock));
}

void PrompterController::schedule(double seconds, std::function<void()> step)
{
    if (m_scheduler) {
        m_scheduler(seconds, std::move(step));
        return;
    }
    QTimer::singleShot(std::chrono::milliseconds(qRound64(seconds * 1000)), Qt::PreciseTimer, this,
        std::move(step));
}

// MARK: Published state

void PrompterController::setHovering(bool hovering)
{
    if (hovering == m_hovering)
        return;
    m_hovering = hovering;
    requestFrame();
    Q_EMIT hoveringChanged(hovering);
}

void PrompterController::setTopInset(double inset)
{
    if (inset == m_topInset)
        return;
    m_topInset = inset;
    requestFrame();
    Q_EMIT topInsetChanged(inset);
}

void PrompterController::setPlaying(bool v)
{
    if (v == m_isPlaying)
        return;
    m_isPlaying = v;
    requestFrame();
    Q_EMIT isPlayingChanged(v);
}

void PrompterController::setVisible(bool v)
{
    if (v == m_isVisible)
        return;
    m_isVisible = v;
    Q_EMIT isVisibleChanged(v);
}

void PrompterController::setSections(QList<ScriptSection> s)
{
    if (s == m_sections)
        return;
    m_sections = std::move(s);
    m_cuesValid = false;
    m_follow->setSections(m_sections);
    requestFrame();
    Q_EMIT sectionsChanged();
}

void PrompterController::setCountdown(std::optional<int> n)
{
    if (n == m_countdown)
        return;
    m_countdown = n;
    requestFrame();
    Q_EMIT countdownChanged(n);
}

void PrompterController::setCurrentCueID(std::optional<qint64> id)
{
    if (id == m_currentCueID)
        return;
    m_currentCueID = id;
    Q_EMIT currentCueIDChanged(id);
}

void PrompterController::setAtEnd(bool v)
{
    if (v == m_atEnd)
        return;
    m_atEnd = v;
    Q_EMIT atEndChanged(v);
}

// MARK: Derived values

double PrompterController::maxOffset() const
{
    return scrollLimit(m_contentHeight, m_viewportHeight);
}

double PrompterController::scrollLimit(double contentHeight, double viewportHeight)
{
    // The column scrolls until its end has passed the reading line. A column shorter than the
    // reading area measures that line against its own height instead, so a script that fits
    // on the screen still moves and ends like a long one rather than never starting.
    const double content = std::max(contentHeight, 0.0);
    const double area = std::max(viewportHeight, 0.0);
    return content - FollowSession::kReadingLine * std::min(content, area);
}

double PrompterController::progress() const
{
    if (!(maxOffset() > 0))
        return 0;
    return std::clamp(m_scroll->offset() / maxOffset(), 0.0, 1.0);
}

double PrompterController::remaining() const
{
    const double left = std::max(maxOffset() - m_scroll->offset(), 0.0);
    return left / std::max(m_store.settings().speed, 1.0);
}

const QList<PrompterController::Cue> &PrompterController::cues() const
{
    if (m_cuesValid)
        return m_cues;
    m_cues.clear();
    for (const ScriptSection &section : m_sections) {
        if (!section.cue)
            continue;
        const auto it = m_cueOffsets.constFind(section.id);
        if (it != m_cueOffsets.constEnd())
            m_cues.append(Cue {section.id, it.value()});
    }
    // Equal positions keep the order of the sections.
    std::stable_sort(
        m_cues.begin(), m_cues.end(), [](const Cue &a, const Cue &b) { return a.y < b.y; });
    m_cuesValid = true;
    return m_cues;
}

bool PrompterController::hasCueAhead() const
{
    const double cur = m_target.value_or(m_scroll->offset());
    const QList<Cue> &list = cues();
    return std::any_of(list.cbegin(), list.cend(),
        [cur](const Cue &cue) { return cue.y - kCueMargin > cur + kCueSlack; });
}

bool PrompterController::hasCueBehind() const
{
    const double cur = m_target.value_or(m_scroll->offset());
    const QList<Cue> &list = cues();
    return std::any_of(list.cbegin(), list.cend(),
        [cur](const Cue &cue) { return cue.y - kCueMargin < cur - kCueSlack; });
}

double PrompterController::clampTarget(double y) const
{
    return std::min(std::max(y, 0.0), maxOffset());
}

QString PrompterController::selectedText() const
{
    const Script *script = m_store.selectedScript();
    return script ? script->text : QString();
}

// MARK: Operations

void PrompterController::setSourceLost(bool lost)
{
    if (lost == m_sourceLost)
        return;
    m_sourceLost = lost;
    Q_EMIT sourceLostChanged(lost);
}

void PrompterController::show()
{
    traceBegin("show-begin", "show-painted");
    setSections(parseSections(selectedText()));
    m_scroll->setOffset(0);
    m_target.reset();
    setAtEnd(false);
    setCurrentCueID(std::nullopt);

    const Settings &settings = m_store.settings();
    if (m_host)
        buildPanel(settings);
    setVisible(true);
    requestFrame();

    if (m_host && !m_wheelMonitorInstalled) {
        m_host->installWheelMonitor();
        m_wheelMonitorInstalled = true;
    }
    syncVoice();

    if (m_store.settings().countdown && !m_sections.isEmpty()) {
        setPlaying(false);
        const quint64 generation = ++m_countdownRun;
        setCountdown(3);
        runCountdown(3, generation);
    } else {
        // A countdown from an earlier show may still be scheduled; it must not run now.
        ++m_countdownRun;
        setCountdown(std::nullopt);
        setPlaying(true);
    }
}

void PrompterController::buildPanel(const Settings &settings)
{
    const double inset = m_host->buildPanel(settings);
    adoptHostClock();
    m_appliedMode = settings.mode;
    setTopInset(inset);
}

void PrompterController::runCountdown(int n, quint64 generation)
{
    QPointer<PrompterController> self(this);
    schedule(kCountdownStep, [self, n, generation] {
        if (!self || self->m_countdownRun != generation || !self->m_isVisible)
            return;
        if (n - 1 > 0) {
            self->setCountdown(n - 1);
            self->runCountdown(n - 1, generation);
        } else {
            self->setCountdown(std::nullopt);
            self->setPlaying(true);
            trace("countdown-done");
        }
    });
}

void PrompterController::hide()
{
    ++m_countdownRun;
    ++m_hideRun;
    setCountdown(std::nullopt);
    m_frames->stop();
    if (m_host)
        m_host->closePanel();
    setVisible(false);
    setPlaying(false);
    setHovering(false);
    setCurrentCueID(std::nullopt);
    m_voice.stop();
    m_follow->setActive(false);
}

void PrompterController::toggle()
{
    if (m_isVisible)
        hide();
    else
        show();
}

void PrompterController::playPause()
{
    if (!m_isVisible) {
        show();
        return;
    }
    if (m_countdown) {
        ++m_countdownRun;
        setCountdown(std::nullopt);
        setPlaying(true);
        return;
    }
    if (!m_isPlaying && m_scroll->offset() >= maxOffset())
        m_scroll->setOffset(0);
    setPlaying(!m_isPlaying);
}

void PrompterController::restart()
{
    m_target = clampTarget(0);
    requestFrame();
}

void PrompterController::nextCue()
{
    const double cur = m_target.value_or(m_scroll->offset());
    for (const Cue &cue : cues()) {
        if (cue.y - kCueMargin > cur + kCueSlack) {
            m_target = clampTarget(cue.y - kCueMargin);
            requestFrame();
            return;
        }
    }
}

void PrompterController::previousCue()
{
    const double cur = m_target.value_or(m_scroll->offset());
    const QList<Cue> &list = cues();
    for (auto it = list.crbegin(); it != list.crend(); ++it) {
        if (it->y - kCueMargin < cur - kCueSlack) {
            m_target = clampTarget(it->y - kCueMargin);
            requestFrame();
            return;
        }
    }
    m_target = 0.0;
    requestFrame();
}

void PrompterController::jump(qint64 cueID)
{
    if (m_isVisible) {
        const auto it = m_cueOffsets.constFind(cueID);
        if (it != m_cueOffsets.constEnd()) {
            m_target = clampTarget(it.value() - kCueMargin);
            requestFrame();
        }
        return;
    }
    show();
    // The freshly built view reports its cue positions during its first layout; try again
    // then. A hide in between cancels the retry, so it never brings the prompter back.
    QPointer<PrompterController> self(this);
    const quint64 hides = m_hideRun;
    schedule(kJumpRetryDelay, [self, cueID, hides] {
        if (!self || self->m_hideRun != hides || !self->m_isVisible)
            return;
        self->jump(cueID);
    });
}

void PrompterController::scrollBy(double delta)
{
    m_target.reset();
    // The frame after it brings the current cue and the end up to date.
    requestFrame();
    m_scroll->setOffset(std::min(std::max(m_scroll->offset() + delta, 0.0), maxOffset()));
}

void PrompterController::glideBy(double delta)
{
    m_target = clampTarget(m_target.value_or(m_scroll->offset()) + delta);
    requestFrame();
}

void PrompterController::nudgeSpeed(double delta)
{
    Settings settings = m_store.settings();
    settings.speed = limits::speed.clamp(settings.speed + delta);
    m_store.setSettings(settings);
}

bool PrompterController::frameTimerActive() const
{
    return m_frames->running();
}

// MARK: Frame step

void PrompterController::requestFrame()
{
    if (!m_isVisible)
        return;
    m_frameWanted = true;
    if (m_frames->running())
        return;
    // Time stood still while nothing was drawn: the first step runs from now.
    m_last = m_clock();
    m_refreshPlaced = false;
    m_frames->start();
}

bool PrompterController::moving() const
{
    if (!m_isVisible)
        return false;
    if (m_target)
        return true;
    if (!m_isPlaying)
        return false;
    const Settings &settings = m_store.settings();
    if (settings.pauseOnHover && m_hovering)
        return false;
    if (settings.scrollMode == ScrollMode::Voice && !m_voice.speaking())
        return false;
    // Following moves the text only while it glides toward the reading line.
    if (settings.scrollMode == ScrollMode::Follow)
        return m_follow->gliding();
    return true;
}

void PrompterController::refreshed(const platform::Refresh &refresh)
{
    traceRefresh(refresh.msc, refresh.ust);
    // Steps go by the refreshes' own times, set on this controller's clock where the first
    // refresh after a rest arrived; a clock that strays far from it is placed afresh.
    const double now = m_clock();
    if (!m_refreshPlaced || std::abs(refresh.seconds + m_refreshOffset - now) > kRefreshStray) {
        m_refreshPlaced = true;
        m_refreshOffset = now - refresh.seconds;
    }
    tick(refresh.seconds + m_refreshOffset);
}

void PrompterController::settleFrames()
{
    // Nothing moves and nobody asked for the next picture: no more refreshes until something
    // changes.
    if (!m_frameWanted && !moving())
        m_frames->stop();
}

void PrompterController::tick()
{
    tick(m_clock());
}

void PrompterController::tick(double now)
{
    double dt = now - m_last;
    m_last = now;
    m_frameWanted = false;
    if (!m_isVisible) {
        m_frames->stop();
        return;
    }
    dt = std::clamp(dt, 0.0, kMaxFrameStep);

    const Settings &settings = m_store.settings();
    const double offset = m_scroll->offset();
    const double limit = maxOffset();

    if (!m_target) {
        if (m_isPlaying) {
            if (settings.pauseOnHover && m_hovering) {
                // Held while the pointer rests on the panel.
            } else if (settings.scrollMode == ScrollMode::Voice && !m_voice.speaking()) {
                // Waiting for the speaker.
            } else if (settings.scrollMode == ScrollMode::Follow) {
                m_follow->step(dt, *m_scroll, m_viewportHeight, limit, settings.speed);
            } else if (offset >= limit) {
                setPlaying(false);
            } else {
                m_scroll->setOffset(std::min(offset + dt * settings.speed, limit));
            }
        }
    } else {
        const double target = *m_target;
        const double next = offset + std::min(dt * kGlideRate, 1.0) * (target - offset);
        if (std::abs(target - next) < kGlideSnap) {
            m_scroll->setOffset(target);
            m_target.reset();
        } else {
            m_scroll->setOffset(next);
        }
    }

    // An observer of the play state may have hidden the prompter meanwhile.
    if (!m_isVisible) {
        m_frames->stop();
        return;
    }

    const double at = m_scroll->offset();
    std::optional<qint64> current;
    const QList<Cue> &list = cues();
    for (auto it = list.crbegin(); it != list.crend(); ++it) {
        if (it->y <= at + kCurrentCueLead) {
            current = it->id;
            break;
        }
    }
    setCurrentCueID(current);

    const bool end = maxOffset() > 0 && at >= maxOffset() - kAtEndSlack;
    setAtEnd(end);

    Q_EMIT frame();
    if (m_isVisible)
        settleFrames();
}

// MARK: Store subscriptions

void PrompterController::syncVoice()
{
    const Settings &settings = m_store.settings();
    m_voice.setSensitivity(settings.micSensitivity);
    // The loudness keeps driving the glow and the status dot while following.
    const bool follow = settings.scrollMode == ScrollMode::Follow;
    if (m_isVisible && (settings.scrollMode == ScrollMode::Voice || follow))
        m_voice.start();
    else
        m_voice.stop();
    m_follow->setActive(m_isVisible && follow);
}

void PrompterController::settingsChanged(const Settings &settings)
{
    m_voice.setSensitivity(settings.micSensitivity);
    if (!m_isVisible || !m_host || !m_host->hasPanel())
        return;
    if (m_appliedMode == settings.mode)
        m_host->reapply(settings);
    else
        buildPanel(settings);
    syncVoice();
    requestFrame();
}

void PrompterController::scriptsOrSelectionChanged()
{
    if (!m_isVisible)
        return;
    setSections(parseSections(selectedText()));
}

} // namespace qm
