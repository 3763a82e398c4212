// SPDX-License-Identifier: GPL-3.0-or-later
#include "transport.h"

#include "main_window/controls/capsule_button.h"
#include "main_window/controls/painted_button.h"
#include "main_window/controls/round_button.h"
#include "main_window/controls/start_button.h"
#include "prompter/prompter_controller.h"
#include "spring_animation.h"
#include "ui/palette.h"
#include "ui/symbols.h"
#include "ui/texts.h"

#include <QGraphicsEffect>
#include <QHBoxLayout>
#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QShortcut>

#include <algorithm>
#include <cmath>
#include <vector>

namespace qm {

namespace {

constexpr Spring kSwitchSpring {0.22, 0.85};

// The start capsule's glow: tally at 45 %, blur radius 14, 5 down.
constexpr double kShadowBlur = 14;
constexpr double kShadowSigma = kShadowBlur / 2;
constexpr double kShadowOffsetY = 5;
constexpr double kShadowAlpha = 0.45;
const int kShadowMargin = int(std::ceil(3 * kShadowSigma));

// One pass of a running-sum box blur along rows (`stride` 1) or columns.
void boxBlur(std::vector<float> &data, int w, int h, int radius, bool horizontal)
{
    const int lines = horizontal ? h : w;
    const int length = horizontal ? w : h;
    std::vector<float> line(static_cast<size_t>(length));
    for (int l = 0; l < lines; ++l) {
        auto at = [&](int i) -> float & {
            return horizontal ? data[size_t(l * w + i)] : data[size_t(i * w + l)];
        };
        for (int i = 0; i < length; ++i)
            line[size_t(i)] = at(i);
        double sum = 0;
        const int window = 2 * radius + 1;
        for (int i = -radius; i <= radius; ++i)
            sum += line[size_t(std::clamp(i, 0, length - 1))];
        for (int i = 0; i < length; ++i) {
            at(i) = float(sum / window);
            sum += line[size_t(std::clamp(i + radius + 1, 0, length - 1))];
            sum -= line[size_t(std::clamp(i - radius, 0, length - 1))];
        }
    }
}

// A capsule of `size` blurred by three box passes each way (close to a Gaussian of sigma),
// coloured tally, with kShadowMargin of room on every side.
QImage capsuleShadow(QSize size)
{
    const int m = kShadowMargin;
    const int w = size.width() + 2 * m;
    const int h = size.height() + 2 * m;
    QImage mask(w, h, QImage::Format_Grayscale8);
    mask.fill(0);
    {
        QPainter p(&mask);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        const double r = size.height() / 2.0;
        p.drawRoundedRect(QRectF(m, m, size.width(), size.height()), r, r);
    }
    std::vector<float> data(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y) {
        const uchar *line = mask.constScanLine(y);
        for (int x = 0; x < w; ++x)
            data[size_t(y * w + x)] = line[x] / 255.0f;
    }
    // Three box passes of this radius add up to the Gaussian's variance.
    const int radius
        = std::max(1, int(std::lround((std::sqrt(4.0 * kShadowSigma * kShadowSigma + 1) - 1) / 2)));
    for (int pass = 0; pass < 3; ++pass) {
        boxBlur(data, w, h, radius, true);
        boxBlur(data, w, h, radius, false);
    }
    QImage shadow(w, h, QImage::Format_ARGB32_Premultiplied);
    const QColor tally = palette::tally();
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<QRgb *>(shadow.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const double a = std::clamp(double(data[size_t(y * w + x)]), 0.0, 1.0) * kShadowAlpha;
            line[x]
                = qPremultiply(qRgba(tally.red(), tally.green(), tally.blue(), qRound(a * 255)));
        }
    }
    return shadow;
}

// Draws the start button's shadow under the whole transport. An effect may paint outside the
// widget, so the glow is not cut at the transport's edge, and it fades with the button.
class StartShadowEffect final : public QGraphicsEffect {
public:
    StartShadowEffect(StartButton *button, QObject *parent)
        : QGraphicsEffect(parent)
        , m_button(button)
    {
    }

    QRectF boundingRectFor(const QRectF &rect) const override
    {
        const double m = kShadowMargin;
        return rect.adjusted(-m, -m + kShadowOffsetY, m, m + kShadowOffsetY);
    }

    // Called when the button's size changes, never while painting.
    void refresh()
    {
        if (m_button && m_button->size() != m_size) {
            m_size = m_button->size();
            m_image = capsuleShadow(m_size);
        }
        update();
    }

protected:
    void draw(QPainter *painter) override
    {
        if (m_button && !m_button->isHidden() && m_button->opacity() > 0 && !m_image.isNull()) {
            painter->save();
            painter->setOpacity(std::clamp(m_button->opacity(), 0.0, 1.0));
            const QPointF at = QPointF(m_button->pos())
                + QPointF(-kShadowMargin, -kShadowMargin + kShadowOffsetY);
            painter->drawImage(at, m_image);
            painter->restore();
        }
        drawSource(painter);
    }

private:
    QPointer<StartButton> m_button;
    QSize m_size;
    QImage m_image;
};

} // namespace

Transport::Transport(PrompterController &controller, QWidget *parent)
    : QWidget(parent)
    , m_controller(controller)
    , m_start(new StartButton(this))
    , m_running(new QWidget(this))
    , m_playPause(new RoundButton(symbols::play, true, m_running))
    , m_restart(new RoundButton(symbols::restart, false, m_running))
    , m_stop(new CapsuleButton(symbols::stop, QStringLiteral("Stop"), m_running))
    , m_switch(new SpringAnimation(kSwitchSpring, this))
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_start->setObjectName(QStringLiteral("start"));
    m_playPause->setObjectName(QStringLiteral("playPause"));
    m_restart->setObjectName(QStringLiteral("restart"));
    m_stop->setObjectName(QStringLiteral("stop"));
    m_restart->setToolTip(texts::restartTip());
    m_stop->setToolTip(texts::closeThePrompterTip());

    auto *row = new QHBoxLayout(m_running);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addWidget(m_playPause);
    row->addWidget(m_restart);
    row->addWidget(m_stop);
    m_running->resize(m_running->sizeHint());
    m_start->resize(m_start->sizeHint());

    auto *shadow = new StartShadowEffect(m_start, this);
    setGraphicsEffect(shadow);
    shadow->refresh();

    connect(m_start, &QAbstractButton::clicked, &m_controller, &PrompterController::show);
    connect(m_playPause, &QAbstractButton::clicked, &m_controller, &PrompterController::playPause);
    connect(m_restart, &QAbstractButton::clicked, &m_controller, &PrompterController::restart);
    connect(m_stop, &QAbstractButton::clicked, &m_controller, &PrompterController::hide);

    // Both spellings of Enter: the main Return key and the keypad's Enter.
    for (const QKeyCombination keys : {Qt::CTRL | Qt::Key_Return, Qt::CTRL | Qt::Key_Enter}) {
        auto *shortcut = new QShortcut(QKeySequence(keys), this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, &m_controller, &PrompterController::toggle);
    }

    connect(&m_controller, &PrompterController::isVisibleChanged, this,
        [this](bool visible) { switchTo(visible, true); });
    connect(&m_controller, &PrompterController::isPlayingChanged, this, &Transport::syncPlaying);
    connect(m_switch, &SpringAnimation::progressed, this, &Transport::applyProgress);
    connect(m_switch, &SpringAnimation::finished, this, &Transport::finishSwitch);

    syncPlaying();
    switchTo(m_controller.isVisible(), false);
}

Transport::~Transport() = default;

QSize Transport::sizeHint() const
{
    const double from = m_start->sizeHint().width();
    const double to = m_running->sizeHint().width();
    const int width = int(std::ceil(from + (to - from) * m_mix));
    return {std::max(width, 0), StartButton::kHeight};
}

void Transport::switchTo(bool shown, bool animated)
{
    m_shown = shown;
    QWidget *incoming = shown ? m_running : static_cast<QWidget *>(m_start);
    QWidget *outgoing = shown ? static_cast<QWidget *>(m_start) : m_running;
    incoming->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    incoming->show();
    incoming->raise();
    // The leaving controls stay on screen while they fade but no longer take clicks.
    outgoing->setAttribute(Qt::WA_TransparentForMouseEvents, true);
    m_fromMix = m_mix;
    if (animated && isVisible()) {
        m_switch->start();
    } else {
        m_switch->finish();
        applyProgress(1);
        finishSwitch();
    }
}

void Transport::applyProgress(double progress)
{
    const double target = m_shown ? 1 : 0;
    m_mix = m_fromMix + (target - m_fromMix) * progress;
    const double running = std::clamp(m_mix, 0.0, 1.0);
    m_start->setOpacity(1 - running);
    for (PaintedButton *b : std::initializer_list<PaintedButton *> {m_playPause, m_restart, m_stop})
        b->setOpacity(running);
    updateGeometry();
    place();
    if (auto *effect = static_cast<StartShadowEffect *>(graphicsEffect()))
        effect->update();
}

void Transport::finishSwitch()
{
    m_mix = m_shown ? 1 : 0;
    (m_shown ? static_cast<QWidget *>(m_start) : m_running)->hide();
    updateGeometry();
    place();
}

void Transport::syncPlaying()
{
    const bool playing = m_controller.isPlaying();
    m_playPause->setSymbol(playing ? symbols::pause : symbols::play);
    m_playPause->setToolTip(playing ? texts::pauseTip() : texts::playTip());
}

void Transport::resizeEvent(QResizeEvent *)
{
    place();
}

// Both alternatives hang from the top right, so the controls stay put at the header's end
// while the width springs.
void Transport::place()
{
    m_start->move(width() - m_start->width(), 0);
    m_running->move(width() - m_running->width(), 0);
    if (auto *effect = static_cast<StartShadowEffect *>(graphicsEffect()))
        effect->refresh();
}

} // namespace qm
