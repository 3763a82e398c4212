// SPDX-License-Identifier: GPL-3.0-or-later
#include "prompter_view.h"
#include "painter_pixels.h"

#include "platform/monotonic_clock.h"
#include "platform/trace.h"
#include "prompter/prompter_controller.h"
#include "prompter/scroll_state.h"
#include "prompter/voice_monitor.h"
#include "store/store.h"
#include "ui/palette.h"
#include "word_lines.h"

#include <QBackingStore>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QToolTip>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <utility>

namespace qm {

namespace {

constexpr double kSideInset = 20;
constexpr double kTopGap = 4;
constexpr double kBottomInset = 10;
constexpr double kProgressHeight = 2.5;
constexpr double kCountdownDim = 0.18;
// The glow counts as settled this close to what it sinks or rises to: a frame would draw the
// same waves.
constexpr double kGlowSettled = 0.002;
// Beyond the farthest reach of the status items and the dot's glow from the top right corner.
constexpr int kStatusReach = 96;
// Device rows of the cells of ink that the server moves: more, and each takes more blank
// pixels along; fewer, and the rectangles it walks grow in number.
constexpr int kMovedCellRows = 4;

const Spring kOpenSpring {0.42, 0.78};
constexpr double kHoverDuration = 0.16;

// A settings file edited by hand may hold any number; text is laid out at a sane size instead.
double usableFontSize(double size)
{
    if (!std::isfinite(size) || size <= 0)
        return Settings {}.fontSize;
    return std::min(size, 1000.0);
}

} // namespace

PrompterView::PrompterView(PrompterController &controller, QWidget *parent)
    : QWidget(parent)
    , m_controller(controller)
    , m_clock(monotonicSeconds)
    , m_steps([this](bool fresh, double before) { publishLayout(fresh, before); })
    , m_countdown(controller.countdown())
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAutoFillBackground(false);
    setMouseTracking(true);

    m_hover.curve = Transition::Curve::EaseOut;
    m_hover.duration = kHoverDuration;
    m_hover.jump(controller.hovering() ? 1 : 0);
    m_hoverShown = m_hover.to;

    const Settings &settings = controller.store().settings();
    m_bodyColor = colorFromHex(settings.colorHex);
    // Display mode's only panel is the floating one it falls back to when its screen goes.
    m_floating = settings.mode != PrompterMode::Notch;

    auto repaint = [this] { update(); };
    connect(&controller, &PrompterController::frame, this, &PrompterView::step);
    connect(&controller, &PrompterController::sectionsChanged, this, &PrompterView::relayout);
    connect(&controller, &PrompterController::topInsetChanged, this, [this] {
        reportViewport();
        update();
    });
    connect(
        &controller, &PrompterController::hoveringChanged, this, &PrompterView::hoveringChanged);
    connect(
        &controller, &PrompterController::countdownChanged, this, &PrompterView::countdownChanged);
    connect(&controller, &PrompterController::isPlayingChanged, this, [this] {
        refreshControls();
        update();
    });
    connect(&controller, &PrompterController::atEndChanged, this, repaint);
    connect(&controller, &PrompterController::sourceLostChanged, this, repaint);
    connect(&controller.scroll(), &ScrollState::offsetChanged, this, &PrompterView::scrolled);
    connect(&controller.store(), &Store::settingsChanged, this, &PrompterView::settingsChanged);
    connect(&controller.voice(), &VoiceMonitor::speakingChanged, this, repaint);
    // In voice mode the glow follows the loudness: a level that would move it wakes the frames.
    connect(&controller.voice(), &VoiceMonitor::levelChanged, this, [this] {
        if (glowMoving())
            m_controller.requestFrame();
    });
    connect(&controller.voice(), &VoiceMonitor::deniedChanged, this, repaint);
}

PrompterView::~PrompterView() = default;

void PrompterView::setClock(Clock clock)
{
    m_clock = clock ? std::move(clock) : Clock(monotonicSeconds);
}

QRectF PrompterView::readingArea() const
{
    const double top = m_controller.topInset() + kTopGap;
    return QRectF(kSideInset, top, std::max(0.0, width() - 2 * kSideInset),
        std::max(0.0, height() - top - kBottomInset));
}

double PrompterView::glowTarget(double t) const
{
    const Settings &settings = m_controller.store().settings();
    return aura::target(
        settings.scrollMode != ScrollMode::Auto, glowLive(), m_controller.voice().level(), t);
}

bool PrompterView::glowMoving() const
{
    // The waves drift while the glow breathes or rises with the voice; once it has sunk to its
    // faint line with nothing to lift it, they rest.
    const double target = glowTarget(m_clock());
    return target > 0 || std::abs(m_smoother.value() - target) >= kGlowSettled;
}

bool PrompterView::animating() const
{
    return m_open != 1 || m_hoverShown != m_hover.to || m_countdown.moving() || glowMoving();
}

bool PrompterView::glowLive() const
{
    const Settings &settings = m_controller.store().settings();
    return m_controller.isPlaying() && !m_controller.countdown()
        && !(settings.pauseOnHover && m_controller.hovering()) && !m_controller.atEnd();
}

// MARK: Layout and measurements

void PrompterView::relayout()
{
    if (!m_haveGeometry)
        return;
    const double width = readingArea().width();
    const double fontSize = usableFontSize(m_controller.store().settings().fontSize);
    m_layoutWidth = width;
    m_layoutFontSize = fontSize;
    m_steps.restart(m_controller.sections(), width, fontSize, exactNeeded());
    traceLayoutBuilt();
}

double PrompterView::exactNeeded() const
{
    return std::max(0.0, m_controller.scroll().offset()) + 2 * readingArea().height()
        + aura::kStripHeight;
}

void PrompterView::publishLayout(bool fresh, double before)
{
    const std::shared_ptr<const ColumnLayout> &layout = m_steps.layout();
    if (fresh)
        m_reading.tiles().setLayout(layout);
    else
        m_reading.tiles().extendLayout(layout, before);
    m_controller.setContentHeight(layout->contentHeight);
    m_controller.setCueOffsets(layout->cueOffsets);
    m_wordLines.update(*layout, fresh);
    m_controller.follow().setWordLines(m_wordLines.lines());
    // The engine's next step sees the new height, cue positions and word lines.
    m_controller.requestFrame();
    update();
}

void PrompterView::reportViewport()
{
    if (!m_haveGeometry)
        return;
    const double h = readingArea().height();
    if (h == m_reportedViewport)
        return;
    m_reportedViewport = h;
    m_controller.setViewportHeight(h);
}

void PrompterView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_haveGeometry = true;
    m_panel.setGeometry(size(), m_floating, devicePixelRatioF());
    reportViewport();
    if (readingArea().width() != m_layoutWidth || !m_steps.layout())
        relayout();
    refreshControls();
}

void PrompterView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (QWindow *handle = window()->windowHandle()) {
        handle->removeEventFilter(this);
        handle->installEventFilter(this);
    }
    if (!m_openStart)
        m_openStart = m_clock();
    if (!m_steps.layout()) {
        m_haveGeometry = true;
        m_panel.setGeometry(size(), m_floating, devicePixelRatioF());
        reportViewport();
        relayout();
    }
}

void PrompterView::settingsChanged()
{
    const Settings &settings = m_controller.store().settings();
    m_bodyColor = colorFromHex(settings.colorHex);
    const bool floating = settings.mode != PrompterMode::Notch;
    if (floating != m_floating) {
        m_floating = floating;
        m_panel.setGeometry(size(), m_floating, devicePixelRatioF());
    }
    if (usableFontSize(settings.fontSize) != m_layoutFontSize)
        relayout();
    refreshControls();
    update();
}

// MARK: Animation

void PrompterView::step()
{
    const double now = m_clock();
    if (!m_openStart)
        m_openStart = now;
    const double opened = now - *m_openStart;
    m_open = opened >= kOpenSpring.settleTime() ? 1.0 : kOpenSpring.value(opened);
    // At rest, exactly at rest: a value still creeping by a hair would repaint the whole view.
    m_hoverShown = m_hover.settled(now) ? m_hover.to : m_hover.at(now);
    m_countdown.step(now);

    // The waves drift only while the glow moves: at rest its faint line stands still, and it
    // goes on from there when the glow moves again.
    if (m_lastStep && !glowMoving())
        m_glowStill += now - *m_lastStep;
    m_lastStep = now;
    m_smoother.step(glowTarget(now));
    m_glowTime = now - m_glowStill;
    // Whatever still moves asks for the next refresh; the engine asks for its own.
    if (animating())
        m_controller.requestFrame();

    refreshControls();
    Look look;
    look.open = m_open;
    look.hover = m_hoverShown;
    look.countdown = m_countdown.shown();
    look.numberProgress = m_countdown.numberProgress();
    look.number = m_countdown.number();
    look.bar = m_hoverShown > 0 ? m_bar.revision : 0;
    look.status = currentStatus();
    if (look != m_look) {
        m_look = look;
        m_frameDirty = QRegion();
        update();
        return;
    }
    // Of the glow's strip, what its waves changed is painted again when they move (about every
    // other frame), and the progress bar when its fill reaches another pixel. A scroll during
    // the frame added its own rows (scrolled()).
    QRegion dirty = std::exchange(m_frameDirty, QRegion());
    // A move that found part of the window missing on the server (covered, off screen) left
    // holes: while that lasts, each frame paints the whole text over its own move too, which
    // goes on telling whether the window is still covered.
    const QRect moved = moveOnServer();
    if (m_presenter.takeMissed())
        dirty += readingArea().toAlignedRect();
    else
        dirty -= moved;
    const QRectF strip(0, height() - aura::kStripHeight, width(), aura::kStripHeight);
    dirty += m_aura.advance(strip, m_smoother.value(), m_glowTime, devicePixelRatioF());
    if (progressPixels() != m_progressShown)
        dirty += progressArea();
    if (dirty.isEmpty()) {
        // The server's move alone showed the frame, or there was nothing new to show.
        if (!moved.isEmpty())
            traceFrame();
        else if (m_controller.isPlaying())
            traceUnchanged();
        return;
    }
    if (!present(dirty))
        update(onScreen(dirty));
}

double PrompterView::shownOffset() const
{
    const double offset = m_controller.scroll().offset();
    if (!m_presenter.movesPixels())
        return offset;
    const double dpr = devicePixelRatioF();
    return std::round(offset * dpr) / dpr;
}

PrompterView::ShownText PrompterView::shownTextNow()
{
    ColumnTiles &tiles = m_reading.tiles();
    return {tiles.firstRow(shownOffset()), tiles.generation(), readingArea(), devicePixelRatioF()};
}

QRect PrompterView::statusArea() const
{
    return QRect(
        width() - kStatusReach, int(m_controller.topInset()), kStatusReach, kStatusReach / 2);
}

QRect PrompterView::moveOnServer()
{
    // Only the settled text at full strength moves as a block, under nothing else that moves.
    if (!m_shownText || !m_presenter.movesPixels() || m_open != 1 || m_hoverShown > 0
        || (m_output && (m_output->flipHorizontal || m_output->flipVertical)) || !syncTiles())
        return {};
    const ShownText was = *m_shownText;
    const ShownText now = shownTextNow();
    if (now.row == was.row || now.generation != was.generation || now.area != was.area
        || now.dpr != was.dpr)
        return {};
    const double dpr = now.dpr;
    const QPointF corner = now.area.topLeft() * dpr;
    const QPoint at(qRound(corner.x()), qRound(corner.y()));
    if (std::abs(corner.x() - at.x()) > 1e-6 || std::abs(corner.y() - at.y()) > 1e-6)
        return {};
    const int width = qRound(now.area.width() * dpr);
    auto [first, last]
        = m_reading.tiles().fullRows(qRound(now.area.height() * dpr), readingOpacity());
    // The status items may reach down into the text's top.
    const QRect status = statusArea();
    if (status.intersects(now.area.toAlignedRect()))
        first = std::max(first, int(std::ceil((status.bottom() + 1) * dpr)) - at.y());
    // The text scrolling down the column moves up the window.
    const int dy = was.row - now.row;
    if (last - first <= std::abs(dy))
        return {};
    const QRect block(at.x(), at.y() + first, width, last - first);
    // Only where the rows that the move brings up to date hold ink before or after: elsewhere
    // they are the panel's black both times. In cells of a few rows and columns, which the
    // server walks in one request.
    std::vector<QRect> cells = m_reading.tiles().inkCells(
        was.row, now.row, first + std::max(0, dy), last + std::min(0, dy), kMovedCellRows);
    for (QRect &cell : cells)
        cell.translate(at);
    QRegion inPixels;
    inPixels.setRects(cells.data(), int(cells.size()));
    if (!m_presenter.scroll(*this, block, dy, inPixels))
        return {};
    traceScrolled();
    // What the window shows from here on, even when nothing else is painted.
    m_shownText = now;
    // The points wholly inside the moved pixels are as the frame would paint them.
    const QRect to = block & block.translated(0, dy);
    const int left = int(std::ceil(to.left() / dpr));
    const int top = int(std::ceil(to.top() / dpr));
    const int right = int(std::floor((to.right() + 1) / dpr));
    const int bottom = int(std::floor((to.bottom() + 1) / dpr));
    return right > left && bottom > top ? QRect(left, top, right - left, bottom - top) : QRect();
}

void PrompterView::scrolled()
{
    m_steps.reach(exactNeeded(), readingArea().height());
    if (!isVisible() || !syncTiles()) {
        update();
        return;
    }
    const QRectF area = readingArea();
    const double dpr = devicePixelRatioF();
    // Text on whole device pixels that has not reached the next one shows as it did.
    if (m_presenter.movesPixels() && m_shownText && *m_shownText == shownTextNow())
        return;
    // The progress bar, which follows the offset, is step()'s to repaint.
    const QRegion dirty
        = m_reading.shownInk().united(m_reading.inkAt(area, dpr, shownOffset(), readingOpacity()));
    // While the frames run, the frame this scroll belongs to shows it (step() ends every one).
    if (m_presenter.available() && m_open == 1 && m_controller.frameTimerActive())
        m_frameDirty += dirty;
    else
        update(onScreen(dirty));
}

void PrompterView::hoveringChanged()
{
    m_hover.retarget(m_controller.hovering() ? 1 : 0, m_clock());
    if (!m_controller.hovering()) {
        m_pressed.reset();
        QToolTip::hideText();
    }
    refreshControls();
    update();
}

void PrompterView::countdownChanged()
{
    m_countdown.change(m_controller.countdown(), m_clock());
    update();
}

// MARK: Controls

void PrompterView::refreshControls()
{
    const Settings &settings = m_controller.store().settings();
    ControlsInput in;
    in.view = size();
    in.voiceMode = settings.scrollMode != ScrollMode::Auto;
    in.isPlaying = m_controller.isPlaying();
    in.speed = settings.speed;
    in.remaining = m_controller.remaining();
    // Only what the bar shows decides whether it must be built again.
    const bool same = in.view == m_barInput.view && in.voiceMode == m_barInput.voiceMode
        && in.isPlaying == m_barInput.isPlaying
        && (in.speed == m_barInput.speed || speedText(in.speed) == speedText(m_barInput.speed))
        && (in.voiceMode || clockSeconds(in.remaining) == clockSeconds(m_barInput.remaining));
    if (same && !m_bar.items.isEmpty())
        return;
    m_barInput = in;
    m_bar = layoutControls(in);
    m_bar.revision = ++m_barRevision;
}

void PrompterView::perform(ControlAction action)
{
    switch (action) {
    case ControlAction::Restart:
        m_controller.restart();
        break;
    case ControlAction::PreviousCue:
        m_controller.previousCue();
        break;
    case ControlAction::PlayPause:
        m_controller.playPause();
        break;
    case ControlAction::NextCue:
        m_controller.nextCue();
        break;
    case ControlAction::Slower:
        m_controller.nudgeSpeed(-4);
        break;
    case ControlAction::Faster:
        m_controller.nudgeSpeed(4);
        break;
    case ControlAction::Close:
        // Hiding closes the panel that holds this view; let the click finish first.
        QMetaObject::invokeMethod(&m_controller, &PrompterController::hide, Qt::QueuedConnection);
        break;
    }
}

void PrompterView::mousePressEvent(QMouseEvent *event)
{
    m_pressed.reset();
    if (event->button() == Qt::LeftButton && m_controller.hovering()) {
        if (const ControlItem *item = controlAt(m_bar, outputFlip().map(event->position()));
            item && item->action) {
            m_pressed = item->action;
            event->accept();
            return;
        }
    }
    QWidget::mousePressEvent(event);
}

void PrompterView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_pressed) {
        const std::optional<ControlAction> pressed = m_pressed;
        m_pressed.reset();
        const ControlItem *item = controlAt(m_bar, outputFlip().map(event->position()));
        if (item && item->action == pressed && m_controller.hovering())
            perform(*pressed);
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

bool PrompterView::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const ControlItem *item = m_controller.hovering()
            ? controlAt(m_bar, outputFlip().map(QPointF(help->pos())))
            : nullptr;
        if (item && !item->tooltip.isEmpty()) {
            QToolTip::showText(help->globalPos(), item->tooltip, this, item->rect.toAlignedRect());
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return QWidget::event(event);
}

// MARK: Painting

StatusIndicator PrompterView::currentStatus() const
{
    const Settings &settings = m_controller.store().settings();
    const VoiceMonitor &voice = m_controller.voice();
    StatusInput status;
    status.isPlaying = m_controller.isPlaying();
    status.hovering = m_controller.hovering();
    status.pauseOnHover = settings.pauseOnHover;
    status.voiceMode = settings.scrollMode != ScrollMode::Auto;
    if (settings.scrollMode == ScrollMode::Follow)
        status.follow = m_controller.follow().state();
    status.speaking = voice.speaking();
    status.denied = voice.denied();
    status.countingDown = m_controller.countdown().has_value();
    status.atEnd = m_controller.atEnd();
    status.sourceLost = m_controller.sourceLost();
    return statusIndicator(status);
}

double PrompterView::readingOpacity() const
{
    const double shown = std::clamp(m_countdown.shown(), 0.0, 1.0);
    return 1 - (1 - kCountdownDim) * shown;
}

bool PrompterView::syncTiles()
{
    if (!m_steps.layout())
        return false;
    const QRectF area = readingArea();
    const double dpr = devicePixelRatioF();
    const int width = qRound(area.width() * dpr);
    if (width <= 0 || qRound(area.height() * dpr) <= 0)
        return false;
    // Full screen, the text's own mirroring is the whole picture's: see paintFrame().
    const bool mirror
        = m_output ? m_output->flipHorizontal : m_controller.store().settings().mirror;
    m_reading.tiles().setStyle({m_bodyColor, mirror, dpr, width});
    m_reading.setOutput(
        m_output.has_value(), m_output && m_output->flipHorizontal ? this->width() : 0);
    return true;
}

int PrompterView::progressPixels() const
{
    // The bar's fill is a plain rectangle: it changes on screen only when its edge crosses the
    // middle of a device pixel.
    const double filled = width() * std::clamp(m_controller.progress(), 0.0, 1.0);
    return int(std::floor(filled * devicePixelRatioF() + 0.5));
}

QRect PrompterView::progressArea() const
{
    return QRectF(0, height() - kProgressHeight, width(), kProgressHeight).toAlignedRect();
}

bool PrompterView::present(const QRegion &region, bool toolkitToo)
{
    // Only once the panel has settled: while it opens, Qt repaints it whole.
    if (m_open != 1)
        return false;
    // Flipped full screen, the region lands where the flip puts it.
    const QRegion shown = onScreen(region & rect());
    return m_presenter.present(
        *this, region,
        [this](QPainter &p, const QRegion &local, bool clear) {
            paintFrame(p, local, clear);
            m_shownText = shownTextNow();
        },
        &shown, toolkitToo);
}

void PrompterView::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    // A picture rendered elsewhere (a grab) is not what the window shows.
    QBackingStore *store = window()->backingStore();
    const bool intoWindow
        = store && p.paintEngine() && p.paintEngine()->paintDevice() == store->paintDevice();
    // The toolkit hands this frame to the server on its own, unseen by the fence.
    m_presenter.toolkitPainted(*this, intoWindow ? &event->region() : nullptr);
    paintFrame(p, onScreen(event->region()), false);
    if (intoWindow) {
        m_shownText = shownTextNow();
        if (event->region().contains(rect()))
            m_presenter.repaired();
    }
}

bool PrompterView::eventFilter(QObject *watched, QEvent *event)
{
    // The toolkit shows an exposed part of the window from its image, which frames moved on
    // the server left behind: it is painted whole first.
    if (event->type() == QEvent::Expose && m_presenter.stale()
        && watched == window()->windowHandle()) {
        if (present(QRegion(rect()), true))
            m_presenter.repaired();
        else
            update();
    }
    return QWidget::eventFilter(watched, event);
}

void PrompterView::paintFrame(QPainter &p, const QRegion &region, bool clear)
{
    if (m_open <= 0 || width() <= 0 || height() <= 0)
        return;
    const double w = width();
    const double h = height();
    const double dpr = devicePixelRatioF();

    // Full screen, everything is painted in the picture's coordinates and lands flipped.
    if (m_output)
        p.setWorldTransform(outputFlip(), true);
    // Opening: the notch panel grows from its top centre, the floating one only fades in.
    if (m_open != 1) {
        if (!m_floating && !m_output) {
            p.translate(w / 2, 0);
            p.scale(0.55 + 0.45 * m_open, 0.2 + 0.8 * m_open);
            p.translate(-w / 2, 0);
        }
        p.setOpacity(std::clamp(m_open, 0.0, 1.0));
    }
    m_panel.setGeometry(size(), m_floating, dpr);
    // Once settled, the text's bands are painted opaque over their whole width: the panel's
    // black need not go under them first. Only where the reading area and the view lie on
    // device pixels, so that the two meet exactly; `coveredPixels` is in the view's.
    const bool settled = m_open == 1;
    QRegion covered;
    QRegion coveredPixels;
    if (settled && syncTiles()) {
        const QRectF area = readingArea();
        const auto whole = [dpr](double v) { return v * dpr == std::round(v * dpr); };
        const QPoint inWindow = mapTo(window(), QPoint(0, 0));
        if (whole(area.left()) && whole(area.top()) && whole(w) && whole(h) && whole(inWindow.x())
            && whole(inWindow.y()) && (dpr == 1 || !m_output)) {
            covered = m_reading.inkAt(area, dpr, shownOffset(), readingOpacity());
            coveredPixels = dpr == 1
                ? covered
                : m_reading.inkPixels(QPoint(qRound(area.left() * dpr), qRound(area.top() * dpr)));
        }
    }
    if (clear) {
        // Painting over the last frame's pixels: what the text does not cover starts out
        // see-through, as the toolkit's own repaints do. In device pixels, the painter's clip.
        p.save();
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.scale(1 / dpr, 1 / dpr);
        for (const QRect &r : devicePixels(region, dpr) - coveredPixels)
            p.fillRect(r, Qt::transparent);
        p.restore();
    }
    m_panel.paintBackground(p, coveredPixels);

    auto paintReading = [&] {
        m_reading.clearShown();
        if (!syncTiles())
            return;
        // `covered` is this very frame's ink when it was worked out above.
        m_reading.paint(p, readingArea(), dpr, shownOffset(), readingOpacity(), settled,
            covered.isEmpty() ? nullptr : &covered);
    };

    // Drawn over the panel, the text's edges need no clip: the reading area lies inside the
    // shape's corners. Copied opaque, it goes inside the clip, which trims the corners.
    // The text's tiles are already mirrored for a horizontal flip (syncTiles), so the text
    // takes only the vertical part of the flip; its rows are then written bottom up.
    auto paintText = [&] {
        const QTransform picture = p.worldTransform();
        if (m_output && m_output->flipHorizontal)
            p.setWorldTransform(QTransform(-1, 0, 0, 1, w, 0) * picture);
        paintReading();
        p.setWorldTransform(picture);
    };
    if (!settled)
        paintText();
    m_panel.beginClip(p);
    if (settled)
        paintText();
    m_aura.paint(p, QRectF(0, h - aura::kStripHeight, w, aura::kStripHeight), m_smoother.value(),
        m_glowTime, dpr);
    const double inset = m_controller.topInset();
    m_countdown.paint(p, QPointF(w / 2.0, inset + (h - inset) / 2.0), dpr);
    if (m_output && m_output->eyeLine)
        paintEyeLine(p);
    if (m_hoverShown > 0)
        m_controlsPainter.paintControls(p, m_bar, m_hoverShown);
    ControlsPainter::paintProgress(
        p, QRectF(0, h - kProgressHeight, w, kProgressHeight), m_controller.progress());
    // Only a paint over the whole bar shows its fill as it stands.
    if ((QRegion(progressArea()) - region).isEmpty())
        m_progressShown = progressPixels();
    m_panel.endClip(p);

    // The status items sit in the top right corner; most frames repaint only the text and glow.
    if (region.intersects(statusArea()))
        m_controlsPainter.paintStatus(p, currentStatus(), w, m_controller.topInset());

    m_panel.paintBorder(p);
    traceFrame();
}

// MARK: Full-screen output

void PrompterView::setOutput(const Output &output)
{
    if (m_output == output)
        return;
    m_output = output;
    m_panel.setSquare(true);
    m_reading.recompose();
    update();
}

double PrompterView::readingLineY() const
{
    const QRectF area = readingArea();
    return area.top() + area.height() / 3;
}

QTransform PrompterView::outputFlip() const
{
    if (!m_output)
        return {};
    const bool h = m_output->flipHorizontal;
    const bool v = m_output->flipVertical;
    return QTransform(h ? -1 : 1, 0, 0, v ? -1 : 1, h ? width() : 0, v ? height() : 0);
}

QRegion PrompterView::onScreen(const QRegion &region) const
{
    if (!m_output || (!m_output->flipHorizontal && !m_output->flipVertical))
        return region;
    QRegion flipped;
    for (QRect r : region) {
        if (m_output->flipHorizontal)
            r.moveLeft(width() - r.left() - r.width());
        if (m_output->flipVertical)
            r.moveTop(height() - r.top() - r.height());
        flipped += r;
    }
    return flipped;
}

void PrompterView::paintEyeLine(QPainter &p) const
{
    // A small tally triangle at the left edge pointing at the line being read; it grows a
    // little with the text but stays inside the margin beside it.
    const double fontSize = usableFontSize(m_controller.store().settings().fontSize);
    const double across = std::clamp(fontSize * 0.3, 9.0, kSideInset - 4);
    const double tall = across * 1.5;
    const double y = readingLineY();
    const QPointF points[3] = {{0, y - tall / 2}, {across, y}, {0, y + tall / 2}};
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(palette::tally());
    p.drawPolygon(points, 3);
    p.restore();
}

} // namespace qm
