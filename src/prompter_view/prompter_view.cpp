// SPDX-License-Identifier: GPL-3.0-or-later
#include "prompter_view.h"

#include "painter_pixels.h"

#include "platform/monotonic_clock.h"
#include "platform/trace.h"
#include "prompter/prompter_controller.h"
#include "prompter/scroll_state.h"
#include "prompter/voice_monitor.h"
#include "store/store.h"
#include "ui/fonts.h"
#include "ui/palette.h"

#include <QBackingStore>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QToolTip>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace qm {

namespace {

constexpr double kSideInset = 20;
constexpr double kTopGap = 4;
constexpr double kBottomInset = 10;
constexpr double kProgressHeight = 2.5;
constexpr double kCountdownDim = 0.18;
constexpr double kCountdownSize = 54;
// How far a countdown number travels while it gives way to the next, in its own heights.
constexpr double kNumberTravel = 0.45;
constexpr int kBlitRows = 64;
constexpr double kLayoutStepBudget = 0.004; // seconds
// Beyond the farthest reach of the status items and the dot's glow from the top right corner.
constexpr int kStatusReach = 96;

const Spring kOpenSpring {0.42, 0.78};
const Spring kCountdownSpring {0.3, 0.85};
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
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAutoFillBackground(false);
    setMouseTracking(true);

    m_hover.curve = Transition::Curve::EaseOut;
    m_hover.duration = kHoverDuration;
    m_hover.jump(controller.hovering() ? 1 : 0);
    m_hoverShown = m_hover.to;
    m_countdownPresence.curve = Transition::Curve::Spring;
    m_countdownPresence.spring = kCountdownSpring;
    m_countdownPresence.jump(controller.countdown() ? 1 : 0);
    m_countdownShown = m_countdownPresence.to;
    m_numberChange.curve = Transition::Curve::Spring;
    m_numberChange.spring = kCountdownSpring;
    m_numberChange.jump(1);
    m_number = controller.countdown();

    const Settings &settings = controller.store().settings();
    m_bodyColor = colorFromHex(settings.colorHex);
    // Display mode's only panel is the floating one it falls back to when its screen goes.
    m_floating = settings.mode != PrompterMode::Notch;

    // Each step lays out a few milliseconds' worth of a long script, between frames.
    m_layoutSteps.setInterval(0);
    connect(&m_layoutSteps, &QTimer::timeout, this, [this] {
        if (!m_layouter) {
            m_layoutSteps.stop();
            return;
        }
        if (m_layouter->advance(std::numeric_limits<double>::infinity(), kLayoutStepBudget))
            publishLayout(false);
    });

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
    connect(&controller.scroll(), &ScrollState::offsetChanged, this, &PrompterView::scrolled);
    connect(&controller.store(), &Store::settingsChanged, this, &PrompterView::settingsChanged);
    connect(&controller.voice(), &VoiceMonitor::speakingChanged, this, repaint);
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
    m_layouter = std::make_unique<ColumnLayouter>(m_controller.sections(), width, fontSize);
    m_layoutWidth = width;
    m_layoutFontSize = fontSize;
    // What is in view (and a screenful beyond) now, the rest in short steps between frames.
    m_layouter->advance(exactNeeded());
    publishLayout(true);
    traceLayoutBuilt();
}

double PrompterView::exactNeeded() const
{
    return std::max(0.0, m_controller.scroll().offset()) + 2 * readingArea().height()
        + aura::kStripHeight;
}

void PrompterView::publishLayout(bool fresh)
{
    const double before = m_layout ? m_layout->exactUntil : 0;
    m_layout = std::make_shared<const ColumnLayout>(m_layouter->snapshot());
    if (fresh)
        m_tiles.setLayout(m_layout);
    else
        m_tiles.extendLayout(m_layout, before);
    m_controller.setContentHeight(m_layout->contentHeight);
    m_controller.setCueOffsets(m_layout->cueOffsets);
    if (m_layout->complete) {
        m_layouter.reset();
        m_layoutSteps.stop();
        trace("layout-complete");
    } else if (!m_layoutSteps.isActive()) {
        m_layoutSteps.start();
    }
    update();
}

void PrompterView::layOutAhead()
{
    if (m_layouter && m_layout && exactNeeded() > m_layout->exactUntil) {
        m_layouter->advance(exactNeeded() + readingArea().height());
        publishLayout(false);
    }
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
    if (readingArea().width() != m_layoutWidth || !m_layout)
        relayout();
    refreshControls();
}

void PrompterView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_openStart)
        m_openStart = m_clock();
    if (!m_layout) {
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
    m_countdownShown
        = m_countdownPresence.settled(now) ? m_countdownPresence.to : m_countdownPresence.at(now);
    m_numberProgress = m_numberChange.settled(now) ? 1.0 : m_numberChange.at(now);

    const Settings &settings = m_controller.store().settings();
    m_smoother.step(aura::target(
        settings.scrollMode == ScrollMode::Voice, glowLive(), m_controller.voice().level(), now));
    m_glowTime = now;

    refreshControls();
    Look look;
    look.open = m_open;
    look.hover = m_hoverShown;
    look.countdown = m_countdownShown;
    look.numberProgress = m_numberProgress;
    look.number = m_number;
    look.bar = m_hoverShown > 0 ? m_bar.revision : 0;
    look.status = currentStatus();
    if (look != m_look) {
        m_look = look;
        m_frameDirty = QRegion();
        update();
        return;
    }
    // The glow's strip, where the progress bar lies too, is painted again when the waves move
    // (about every other frame), otherwise only the bar when its fill reaches another pixel. A
    // scroll during the frame added its own rows (scrolled()).
    QRegion dirty = std::exchange(m_frameDirty, QRegion());
    const QRectF strip(0, height() - aura::kStripHeight, width(), aura::kStripHeight);
    if (m_aura.drawsAgain(strip, m_smoother.value(), m_glowTime, devicePixelRatioF()))
        dirty += strip.toAlignedRect();
    else if (progressPixels() != m_progressShown)
        dirty += QRectF(0, height() - kProgressHeight, width(), kProgressHeight).toAlignedRect();
    if (!present(dirty))
        update(onScreen(dirty));
}

void PrompterView::scrolled()
{
    layOutAhead();
    if (!isVisible() || !syncTiles()) {
        update();
        return;
    }
    const QRectF area = readingArea();
    const double dpr = devicePixelRatioF();
    const int rows = qRound(area.height() * dpr);
    // The progress bar, which follows the offset, lies in the glow's strip that every frame
    // repaints (step()).
    const QRegion dirty = m_shownInk.united(
        inkRegion(m_tiles.bands(rows, m_controller.scroll().offset(), readingOpacity())));
    // While the frames run, the frame this scroll belongs to shows it (step() ends every one).
    if (m_fence.available() && m_open == 1 && m_controller.frameTimerActive())
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
    const double now = m_clock();
    const std::optional<int> n = m_controller.countdown();
    m_countdownPresence.retarget(n ? 1 : 0, now);
    if (n && m_number && *n != *m_number) {
        m_previousNumber = m_number;
        m_numberChange.jump(0);
        m_numberChange.retarget(1, now);
        m_numberProgress = 0;
    }
    // The last number stays to fade out after the countdown ends.
    if (n)
        m_number = n;
    update();
}

// MARK: Controls

void PrompterView::refreshControls()
{
    const Settings &settings = m_controller.store().settings();
    ControlsInput in;
    in.view = size();
    in.voiceMode = settings.scrollMode == ScrollMode::Voice;
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
    status.voiceMode = settings.scrollMode == ScrollMode::Voice;
    status.speaking = voice.speaking();
    status.denied = voice.denied();
    status.countingDown = m_controller.countdown().has_value();
    status.atEnd = m_controller.atEnd();
    return statusIndicator(status);
}

double PrompterView::readingOpacity() const
{
    const double shown = std::clamp(m_countdownShown, 0.0, 1.0);
    return 1 - (1 - kCountdownDim) * shown;
}

bool PrompterView::syncTiles()
{
    if (!m_layout)
        return false;
    const QRectF area = readingArea();
    const double dpr = devicePixelRatioF();
    const int width = qRound(area.width() * dpr);
    if (width <= 0 || qRound(area.height() * dpr) <= 0)
        return false;
    // Full screen, the text's own mirroring is the whole picture's: see paintFrame().
    const bool mirror
        = m_output ? m_output->flipHorizontal : m_controller.store().settings().mirror;
    m_tiles.setStyle({m_bodyColor, mirror, dpr, width});
    return true;
}

QRegion PrompterView::inkRegion(const std::vector<ColumnTiles::Band> &bands) const
{
    const QRectF area = readingArea();
    const double dpr = devicePixelRatioF();
    // A frame asks for the same bands' region when it scrolls and again when it paints.
    const InkKey key {&bands == &m_tiles.lastBands() ? m_tiles.planRevision() : 0, area, dpr};
    if (key.revision && key == m_inkKey)
        return m_ink;
    QRegion region;
    for (const ColumnTiles::Band &band : bands) {
        QRectF ink(area.left() + band.left / dpr, area.top() + band.first / dpr,
            (band.right - band.left) / dpr, (band.last - band.first) / dpr);
        // Mirrored tiles hold the picture's text mirrored; the region is the picture's.
        if (m_output && m_output->flipHorizontal)
            ink.moveLeft(width() - ink.right());
        region += ink.toAlignedRect();
    }
    m_inkKey = key;
    m_ink = region;
    return region;
}

const QImage &PrompterView::countdownImage(int n, double dpr)
{
    auto it = m_numberImages.find(n);
    if (it != m_numberImages.end() && it->devicePixelRatio() == dpr)
        return *it;
    const QFont font = fonts::rounded(kCountdownSize, QFont::ExtraBold);
    const QFontMetricsF fm(font);
    const QString text = QString::number(n);
    const QSizeF size(fm.horizontalAdvance(text), fm.height());
    QImage image(QSize(int(std::ceil(size.width() * dpr)), int(std::ceil(size.height() * dpr))),
        QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QPointF(0, fm.ascent()), text);
        // The glyphs keep their coverage and take the gradient's colour, light at the top.
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        QLinearGradient fill(0, 0, 0, size.height());
        fill.setColorAt(0, palette::tallySoft());
        fill.setColorAt(1, palette::tally());
        p.fillRect(QRectF(QPointF(0, 0), size), fill);
    }
    return *m_numberImages.insert(n, image);
}

void PrompterView::paintCountdown(QPainter &p)
{
    const double shown = std::clamp(m_countdownShown, 0.0, 1.0);
    if (shown <= 0.001 || !m_number)
        return;
    const double dpr = devicePixelRatioF();
    const double inset = m_controller.topInset();
    const QPointF centre(width() / 2.0, inset + (height() - inset) / 2.0);
    const double q = std::clamp(m_numberProgress, 0.0, 1.0);
    const QImage &current = countdownImage(*m_number, dpr);
    const QSizeF size = current.deviceIndependentSize();
    const double travel = size.height() * kNumberTravel;
    auto place = [&](const QImage &image, double opacity, double shift) {
        if (opacity <= 0.001)
            return;
        const QSizeF s = image.deviceIndependentSize();
        p.setOpacity(p.opacity() * opacity);
        p.drawImage(
            QPointF(centre.x() - s.width() / 2, centre.y() - s.height() / 2 + shift), image);
        p.setOpacity(p.opacity() / opacity);
    };
    p.save();
    const double base = p.opacity() * shown;
    p.setOpacity(base);
    // Counting down: the new number drops in from above while the old one sinks away.
    if (m_previousNumber && q < 1)
        place(countdownImage(*m_previousNumber, dpr), 1 - q, q * travel);
    place(current, q, -(1 - q) * travel);
    p.restore();
}

bool PrompterView::composeInPlace(
    QPainter &p, const QRectF &area, double offset, double opacity, const QRegion *ink)
{
    // Painting into an image (the window's backing store, or an image being rendered into)
    // with no rotation, no painter clip and the reading area on whole device pixels: the text
    // can be written straight into the image's pixels, inside the region being painted.
    if (p.compositionMode() != QPainter::CompositionMode_SourceOver)
        return false;
    const double dpr = devicePixelRatioF();
    // Upside down (a full-screen output flipped vertically): the area's rows are written bottom
    // up into where the flip puts the area.
    const QTransform t = p.deviceTransform();
    const bool upsideDown = m_output && t.m22() < 0;
    std::optional<PainterPixels> target;
    if (upsideDown) {
        if (dpr != 1 || t.type() > QTransform::TxScale || t.m11() != 1 || t.m22() != -1)
            return false;
        const QPointF corner = t.mapRect(area).topLeft();
        p.save();
        p.resetTransform();
        target = painterPixels(p, corner, 1);
        p.restore();
    } else {
        target = painterPixels(p, area.topLeft(), dpr);
    }
    if (!target)
        return false;
    const QPoint at = target->at;
    uchar *bits = target->bits;
    const qsizetype stride = target->image->bytesPerLine();

    const int rows = qRound(area.height() * dpr);
    const std::vector<ColumnTiles::Band> &bands = m_tiles.bands(rows, offset, opacity);
    const QRegion &clip = target->clip;
    for (const ColumnTiles::Band &band : bands) {
        const int top = upsideDown ? rows - band.last : band.first;
        const QRect inDevice(
            at.x() + band.left, at.y() + top, band.right - band.left, band.last - band.first);
        for (const QRect &piece : clip.intersected(inDevice)) {
            for (int y = piece.top(); y <= piece.bottom(); ++y) {
                const int row = upsideDown ? rows - 1 - (y - at.y()) : y - at.y();
                m_tiles.writeRow(bits + y * stride + qsizetype(at.x()) * 4, row,
                    piece.left() - at.x(), piece.right() + 1 - at.x(),
                    ColumnTiles::Backdrop::Black);
            }
        }
    }
    m_shownInk = ink ? *ink : inkRegion(bands);
    return true;
}

int PrompterView::progressPixels() const
{
    // The bar's fill is a plain rectangle: it changes on screen only when its edge crosses the
    // middle of a device pixel.
    const double filled = width() * std::clamp(m_controller.progress(), 0.0, 1.0);
    return int(std::floor(filled * devicePixelRatioF() + 0.5));
}

QImage *PrompterView::frameImage() const
{
    if (!m_fence.available() || m_open != 1 || !isVisible() || devicePixelRatioF() != 1)
        return nullptr;
    const QWidget *top = window();
    QBackingStore *store = top->backingStore();
    if (!store || !top->windowHandle() || !top->windowHandle()->handle())
        return nullptr;
    QPaintDevice *device = store->paintDevice();
    if (!device || device->devType() != QInternal::Image)
        return nullptr;
    auto *image = static_cast<QImage *>(device);
    const bool usable = image->size() == top->size()
        && (image->format() == QImage::Format_ARGB32_Premultiplied
            || image->format() == QImage::Format_RGB32);
    return usable ? image : nullptr;
}

bool PrompterView::present(const QRegion &region)
{
    QImage *image = frameImage();
    if (!image)
        return false;
    QWidget *top = window();
    const QPoint at = mapTo(top, QPoint(0, 0));
    const QRegion local = region & rect();
    const QRegion inWindow = onScreen(local).translated(at) & image->rect();
    if (inWindow.isEmpty())
        return true;
    // The server may still be reading the pixels the last frame handed over.
    m_fence.wait();
    QPaintEngine *engine = image->paintEngine();
    if (!engine)
        return false;
    engine->setSystemClip(inWindow);
    {
        QPainter p(image);
        p.translate(at);
        paintFrame(p, local, image->hasAlphaChannel());
    }
    engine->setSystemClip(QRegion());
    top->backingStore()->flush(inWindow, top->windowHandle());
    m_fence.mark();
    ++m_presented;
    return true;
}

void PrompterView::paintEvent(QPaintEvent *event)
{
    // The toolkit hands this frame to the server on its own, unseen by the fence.
    m_fence.invalidate();
    QPainter p(this);
    paintFrame(p, onScreen(event->region()), false);
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
    // black need not go under them first. Only where points are device pixels, so that the two
    // meet exactly.
    const bool settled = m_open == 1;
    QRegion covered;
    if (settled && dpr == 1 && syncTiles()) {
        const QRectF area = readingArea();
        if (area.left() == std::round(area.left()) && area.top() == std::round(area.top())) {
            covered = inkRegion(m_tiles.bands(qRound(area.height() * dpr),
                m_controller.scroll().offset(), readingOpacity()));
        }
    }
    if (clear) {
        // Painting over the last frame's pixels: what the text does not cover starts out
        // see-through, as the toolkit's own repaints do.
        p.save();
        p.setCompositionMode(QPainter::CompositionMode_Source);
        for (const QRect &r : region - covered)
            p.fillRect(r, Qt::transparent);
        p.restore();
    }
    m_panel.paintBackground(p, covered);

    // Once the panel stands still, the text is composed onto the panel's black and copied into
    // place; while it opens under a scale and an opacity, it is drawn over the panel instead.
    const ColumnTiles::Backdrop backdrop
        = settled ? ColumnTiles::Backdrop::Black : ColumnTiles::Backdrop::Transparent;
    auto paintReading = [&] {
        m_shownInk = QRegion();
        if (!syncTiles())
            return;
        const QRectF area = readingArea();
        const QSize px(qRound(area.width() * dpr), qRound(area.height() * dpr));
        const double offset = m_controller.scroll().offset();
        const double opacity = readingOpacity();
        // `covered` is this very frame's ink when it was worked out above.
        const QRegion *ink = covered.isEmpty() ? nullptr : &covered;
        if (settled && composeInPlace(p, area, offset, opacity, ink))
            return;
        if (m_reading.size() != px)
            m_reading = QImage(px, QImage::Format_ARGB32_Premultiplied);
        const Composed composed {m_tiles.generation(), offset, opacity, backdrop, px};
        const std::vector<ColumnTiles::Band> &bands = composed == m_composed
            ? m_tiles.bands(px.height(), offset, opacity)
            : m_tiles.compose(m_reading, offset, opacity, backdrop);
        m_composed = composed;
        p.save();
        if (settled)
            p.setCompositionMode(QPainter::CompositionMode_Source);
        // The raster engine hands blits of many rows to worker threads and waits for them, which
        // costs more than the copy; a text line's band fits in one or two short blits.
        for (const ColumnTiles::Band &band : bands) {
            const int columns = band.right - band.left;
            for (int first = band.first; first < band.last; first += kBlitRows) {
                const int rows = std::min(kBlitRows, band.last - first);
                p.drawImage(QRectF(area.left() + band.left / dpr, area.top() + first / dpr,
                                columns / dpr, rows / dpr),
                    m_reading, QRectF(band.left, first, columns, rows));
            }
        }
        p.restore();
        m_shownInk = ink ? *ink : inkRegion(bands);
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
    paintCountdown(p);
    if (m_output && m_output->eyeLine)
        paintEyeLine(p);
    if (m_hoverShown > 0)
        m_controlsPainter.paintControls(p, m_bar, m_hoverShown);
    ControlsPainter::paintProgress(
        p, QRectF(0, h - kProgressHeight, w, kProgressHeight), m_controller.progress());
    m_progressShown = progressPixels();
    m_panel.endClip(p);

    // The status items sit in the top right corner; most frames repaint only the text and glow.
    const QRect statusArea(int(w) - kStatusReach, int(m_controller.topInset()), kStatusReach,
        kStatusReach / 2);
    if (region.intersects(statusArea))
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
    m_composed = {};
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
