// SPDX-License-Identifier: GPL-3.0-or-later
#include "prompter_controls.h"

#include "blur.h"
#include "ui/fonts.h"
#include "ui/palette.h"
#include "ui/shapes.h"
#include "ui/symbols.h"
#include "ui/texts.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace qm {

namespace {

// The symbol face draws its glyphs at a bit over half of the em square, where symbols of the
// same nominal size fill most of it; this brings them to the size the layout expects.
constexpr double kSymbolScale = 1.3;

constexpr double kStatusSpacing = 5;
constexpr double kStatusTop = 8;
constexpr double kStatusTrailing = 10;
constexpr double kMicSize = 9;
constexpr double kPauseSize = 7;
constexpr double kDotSize = 6;
constexpr double kDotGlowRadius = 4;

constexpr double kBarSpacing = 2;
constexpr double kBarPadX = 8;
constexpr double kBarPadY = 4;
constexpr double kBarBottom = 10;
constexpr double kShadeHeight = 74;
constexpr double kButtonWidth = 26;
constexpr double kButtonHeight = 24;
constexpr double kDividerWidth = 1;
constexpr double kDividerHeight = 14;
constexpr double kDividerPad = 4;
constexpr double kSpeedWidth = 26;
constexpr double kTimePad = 3;
constexpr double kTextSize = 11;
constexpr double kIconSize = 11;
constexpr double kBigIconSize = 13;

QFont symbolFont(double size)
{
    return fonts::symbols(size * kSymbolScale);
}

QRectF centredIn(const QRectF &box, QSizeF size)
{
    return QRectF(box.center().x() - size.width() / 2, box.center().y() - size.height() / 2,
        size.width(), size.height());
}

} // namespace

qint64 clockSeconds(double seconds)
{
    // The engine keeps the time finite and not negative; anything else shows as nothing left.
    if (!std::isfinite(seconds) || seconds < 0)
        seconds = 0;
    return qint64(std::min(std::round(seconds), double(std::numeric_limits<qint32>::max())));
}

QString clockText(double seconds)
{
    const qint64 s = clockSeconds(seconds);
    return QString::asprintf("%lld:%02lld", s / 60, s % 60);
}

QString speedText(double speed)
{
    if (!std::isfinite(speed))
        return QStringLiteral("0");
    const double whole = std::trunc(std::clamp(speed, -1e15, 1e15));
    return QString::number(qint64(whole));
}

StatusIndicator statusIndicator(const StatusInput &in)
{
    StatusIndicator s;
    s.active = in.isPlaying && !(in.pauseOnHover && in.hovering) && (!in.voiceMode || in.speaking);
    if (in.voiceMode) {
        s.mic = in.denied ? StatusIndicator::Mic::Off : StatusIndicator::Mic::On;
        s.micColor = in.speaking ? palette::tally() : palette::white(35);
    }
    if (in.follow) {
        // Moving means following; the microphone says listening (white), following (tally),
        // lost (dim tally) or unavailable (crossed out).
        const FollowState f = *in.follow;
        s.active = s.active && f == FollowState::Following;
        s.mic
            = f == FollowState::Unavailable ? StatusIndicator::Mic::Off : StatusIndicator::Mic::On;
        s.micColor = f == FollowState::Following ? palette::tally()
            : f == FollowState::Lost             ? palette::tallySoft()
            : in.speaking                        ? palette::white(60)
                                                 : palette::white(35);
    }
    s.pause = !s.active && !in.countingDown && !in.atEnd;
    s.dot = s.active ? palette::tally() : palette::white(30);
    s.dotGlow = s.active;
    // Holding the last place while the leader is out of reach: paused, with a soft red dot
    // that does not glow, unlike the moving one.
    if (in.sourceLost) {
        s.active = false;
        s.pause = true;
        s.dot = palette::tallySoft();
        s.dotGlow = false;
    }
    return s;
}

ControlsBar layoutControls(const ControlsInput &in)
{
    ControlsBar bar;
    auto button
        = [](const QString &symbol, const QString &tip, ControlAction action, bool big = false) {
              ControlItem item;
              item.kind = ControlItem::Kind::Button;
              item.rect = QRectF(0, 0, kButtonWidth, kButtonHeight);
              item.symbol = symbol;
              item.tooltip = tip;
              item.action = action;
              item.big = big;
              return item;
          };
    auto divider = [] {
        ControlItem item;
        item.kind = ControlItem::Kind::Divider;
        item.rect = QRectF(0, 0, kDividerWidth + 2 * kDividerPad, kDividerHeight);
        return item;
    };

    QList<ControlItem> &items = bar.items;
    items.append(button(symbols::restart, texts::restartTip(), ControlAction::Restart));
    items.append(button(symbols::chevronLeft, texts::previousCueTip(), ControlAction::PreviousCue));
    items.append(button(in.isPlaying ? symbols::pause : symbols::play,
        in.isPlaying ? texts::pauseTip() : texts::playTip(), ControlAction::PlayPause, true));
    items.append(button(symbols::chevronRight, texts::nextCueTip(), ControlAction::NextCue));
    items.append(divider());
    items.append(button(symbols::minus, texts::slowerTip(), ControlAction::Slower));
    {
        ControlItem speed;
        speed.kind = ControlItem::Kind::SpeedText;
        speed.text = speedText(in.speed);
        const QFontMetricsF fm(fonts::monospaced(kTextSize, QFont::DemiBold));
        speed.rect = QRectF(0, 0, kSpeedWidth, fm.height());
        items.append(speed);
    }
    items.append(button(symbols::plus, texts::fasterTip(), ControlAction::Faster));
    if (!in.voiceMode) {
        items.append(divider());
        ControlItem time;
        time.kind = ControlItem::Kind::TimeText;
        time.text = clockText(in.remaining);
        time.tooltip = QStringLiteral("Time left at this speed");
        const QFontMetricsF fm(fonts::monospaced(kTextSize, QFont::Medium));
        time.rect = QRectF(0, 0, fm.horizontalAdvance(time.text) + 2 * kTimePad, fm.height());
        items.append(time);
    }
    items.append(divider());
    items.append(button(symbols::close, texts::closePrompterTip(), ControlAction::Close));

    double contentWidth = kBarSpacing * double(items.size() - 1);
    double contentHeight = 0;
    for (const ControlItem &item : items) {
        contentWidth += item.rect.width();
        contentHeight = std::max(contentHeight, item.rect.height());
    }
    const double capsuleWidth = contentWidth + 2 * kBarPadX;
    const double capsuleHeight = contentHeight + 2 * kBarPadY;
    const double bottom = in.view.height() - kBarBottom;
    bar.capsule = QRectF(
        (in.view.width() - capsuleWidth) / 2, bottom - capsuleHeight, capsuleWidth, capsuleHeight);
    bar.shade = QRectF(0, in.view.height() - kShadeHeight, in.view.width(), kShadeHeight);
    bar.travel = capsuleHeight + kBarBottom;

    double x = bar.capsule.left() + kBarPadX;
    const double middle = bar.capsule.center().y();
    for (ControlItem &item : items) {
        item.rect.moveTopLeft(QPointF(x, middle - item.rect.height() / 2));
        x += item.rect.width() + kBarSpacing;
    }
    return bar;
}

const ControlItem *controlAt(const ControlsBar &bar, const QPointF &pos)
{
    for (const ControlItem &item : bar.items) {
        if ((item.action || !item.tooltip.isEmpty()) && item.rect.contains(pos))
            return &item;
    }
    return nullptr;
}

// MARK: Drawing

ControlsPainter::ControlsPainter()
    : m_micFont(symbolFont(kMicSize))
    , m_pauseFont(symbolFont(kPauseSize))
    , m_iconFont(symbolFont(kIconSize))
    , m_bigIconFont(symbolFont(kBigIconSize))
    , m_speedFont(fonts::monospaced(kTextSize, QFont::DemiBold))
    , m_timeFont(fonts::monospaced(kTextSize, QFont::Medium))
{
}

// Each slot keeps one font, so the text alone tells whether it must be prepared again. The
// painter must hold the same font when drawing, or the prepared glyphs are looked up in another
// face.
const QStaticText &ControlsPainter::prepared(Prepared &slot, const QString &text, const QFont &font)
{
    if (slot.key != text || slot.text.text().isEmpty()) {
        slot.key = text;
        slot.text = QStaticText(text);
        slot.text.setTextFormat(Qt::PlainText);
        slot.text.setPerformanceHint(QStaticText::AggressiveCaching);
        slot.text.prepare(QTransform(), font);
    }
    return slot.text;
}

const QImage &ControlsPainter::dotGlow(double dpr)
{
    // The dot's soft shadow, blurred once and reused every frame.
    const double extent = kDotSize + 6 * kDotGlowRadius;
    const int px = int(std::ceil(extent * dpr));
    if (m_glow.width() != px || m_glow.devicePixelRatio() != dpr) {
        m_glow = QImage(px, px, QImage::Format_ARGB32_Premultiplied);
        m_glow.fill(Qt::transparent);
        {
            QPainter p(&m_glow);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(Qt::NoPen);
            QColor shadow = palette::tally();
            shadow.setAlphaF(0.9f);
            p.setBrush(shadow);
            const double c = px / 2.0;
            const double r = kDotSize * dpr / 2;
            p.drawEllipse(QPointF(c, c), r, r);
        }
        gaussianBlur(m_glow, kDotGlowRadius * dpr);
        m_glow.setDevicePixelRatio(dpr);
    }
    return m_glow;
}

const QImage &ControlsPainter::dot(const QColor &colour, const QSizeF &size, QPointF fraction)
{
    const DotKey key {colour.rgba64(), size, fraction};
    if (m_dotImage.isNull() || key != m_dotKey) {
        m_dotImage = QImage(int(std::ceil(size.width() + fraction.x())) + 2,
            int(std::ceil(size.height() + fraction.y())) + 2, QImage::Format_ARGB32_Premultiplied);
        m_dotImage.fill(Qt::transparent);
        QPainter p(&m_dotImage);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawEllipse(QRectF(QPointF(1, 1) + fraction, size));
        m_dotKey = key;
    }
    return m_dotImage;
}

void ControlsPainter::paintStatus(
    QPainter &p, const StatusIndicator &status, double viewWidth, double topInset)
{
    struct Item {
        double size;
        int kind; // 0 mic, 1 pause, 2 dot
    };
    Item items[3];
    int count = 0;
    if (status.mic != StatusIndicator::Mic::None)
        items[count++] = {kMicSize, 0};
    if (status.pause)
        items[count++] = {kPauseSize, 1};
    items[count++] = {kDotSize, 2};

    double height = 0;
    for (int i = 0; i < count; ++i)
        height = std::max(height, items[i].size);
    const double middle = topInset + kStatusTop + height / 2;
    double right = viewWidth - kStatusTrailing;
    for (int i = count - 1; i >= 0; --i) {
        const double size = items[i].size;
        const QRectF box(right - size, middle - size / 2, size, size);
        right -= size + kStatusSpacing;
        switch (items[i].kind) {
        case 0: {
            const QString &glyph
                = status.mic == StatusIndicator::Mic::Off ? symbols::micOff : symbols::mic;
            const QStaticText &text = prepared(m_mic, glyph, m_micFont);
            p.setPen(status.micColor);
            p.setFont(m_micFont);
            p.drawStaticText(centredIn(box, text.size()).topLeft(), text);
            break;
        }
        case 1: {
            const QStaticText &text = prepared(m_pause, symbols::pause, m_pauseFont);
            p.setPen(palette::white(50));
            p.setFont(m_pauseFont);
            p.drawStaticText(centredIn(box, text.size()).topLeft(), text);
            break;
        }
        case 2: {
            if (status.dotGlow) {
                const QImage &glow = dotGlow(p.device() ? p.device()->devicePixelRatioF() : 1.0);
                const QSizeF size = glow.deviceIndependentSize();
                p.drawImage(centredIn(box, size).topLeft(), glow);
            }
            // Drawn once into an image at its place within a pixel, then copied each frame.
            const QTransform t = p.deviceTransform();
            if (t.type() <= QTransform::TxTranslate) {
                const QPointF at = t.map(box.topLeft());
                const QPointF fraction(at.x() - std::floor(at.x()), at.y() - std::floor(at.y()));
                p.drawImage(box.topLeft() - fraction - QPointF(1, 1),
                    dot(status.dot, box.size(), fraction));
                break;
            }
            p.save();
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(Qt::NoPen);
            p.setBrush(status.dot);
            p.drawEllipse(box);
            p.restore();
            break;
        }
        }
    }
}

void ControlsPainter::paintControls(QPainter &p, const ControlsBar &bar, double shown)
{
    if (shown <= 0 || bar.shade.isEmpty())
        return;
    const double dpr = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    if (m_bar.isNull() || bar.revision != m_barRevision || dpr != m_barDpr)
        renderBar(bar, dpr);
    p.save();
    p.setOpacity(p.opacity() * std::min(shown, 1.0));
    // Whole device pixels keep the move a plain blit.
    const double rise = std::round((1 - shown) * bar.travel * dpr) / dpr;
    p.drawImage(bar.shade.topLeft() + QPointF(0, rise), m_bar);
    p.restore();
}

void ControlsPainter::renderBar(const ControlsBar &bar, double dpr)
{
    m_barRevision = bar.revision;
    m_barDpr = dpr;
    m_bar = QImage(
        QSize(int(std::ceil(bar.shade.width() * dpr)), int(std::ceil(bar.shade.height() * dpr))),
        QImage::Format_ARGB32_Premultiplied);
    m_bar.setDevicePixelRatio(dpr);
    m_bar.fill(Qt::transparent);
    QPainter p(&m_bar);
    p.translate(-bar.shade.topLeft());
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);

    QLinearGradient shade(bar.shade.topLeft(), bar.shade.bottomLeft());
    shade.setColorAt(0, Qt::transparent);
    shade.setColorAt(1, QColor::fromRgbF(0, 0, 0, 0.92f));
    p.fillRect(bar.shade, shade);

    p.fillPath(capsule(bar.capsule), QColor::fromRgbF(0.13f, 0.13f, 0.13f));
    p.setPen(QPen(palette::white(10), 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(capsule(bar.capsule.adjusted(0.5, 0.5, -0.5, -0.5)));

    if (m_buttons.size() < bar.items.size())
        m_buttons.resize(bar.items.size());
    for (qsizetype i = 0; i < bar.items.size(); ++i) {
        const ControlItem &item = bar.items[i];
        switch (item.kind) {
        case ControlItem::Kind::Button: {
            const QStaticText &text
                = prepared(m_buttons[i], item.symbol, item.big ? m_bigIconFont : m_iconFont);
            p.setPen(item.big ? palette::tally() : palette::white(85));
            p.setFont(item.big ? m_bigIconFont : m_iconFont);
            p.drawStaticText(centredIn(item.rect, text.size()).topLeft(), text);
            break;
        }
        case ControlItem::Kind::Divider:
            p.fillRect(QRectF(item.rect.left() + kDividerPad, item.rect.top(), kDividerWidth,
                           kDividerHeight),
                palette::white(12));
            break;
        case ControlItem::Kind::SpeedText: {
            const QStaticText &text = prepared(m_speed, item.text, m_speedFont);
            p.setPen(palette::white(80));
            p.setFont(m_speedFont);
            p.drawStaticText(centredIn(item.rect, text.size()).topLeft(), text);
            break;
        }
        case ControlItem::Kind::TimeText: {
            const QStaticText &text = prepared(m_time, item.text, m_timeFont);
            p.setPen(palette::white(55));
            p.setFont(m_timeFont);
            p.drawStaticText(centredIn(item.rect, text.size()).topLeft(), text);
            break;
        }
        }
    }
}

void ControlsPainter::paintProgress(QPainter &p, const QRectF &rect, double progress)
{
    p.fillRect(rect, palette::white(7));
    const double width = rect.width() * std::clamp(progress, 0.0, 1.0);
    if (width <= 0)
        return;
    const QRectF filled(rect.left(), rect.top(), width, rect.height());
    QLinearGradient fill(filled.topLeft(), filled.topRight());
    fill.setColorAt(0, palette::tally());
    fill.setColorAt(1, palette::tallySoft());
    p.fillRect(filled, fill);
}

} // namespace qm
