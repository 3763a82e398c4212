// SPDX-License-Identifier: GPL-3.0-or-later
#include "cue_strip.h"

#include "cue_chip.h"
#include "main_window/controls/focus_ring.h"
#include "prompter/prompter_controller.h"
#include "spring_animation.h"

#include <QHBoxLayout>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>

namespace qm {

namespace {

constexpr Spring kHighlightSpring {0.2, 0.85};

// Sideways scrolling with no bar: a horizontal swipe scrolls as usual, and a plain mouse
// wheel, which only turns vertically, moves the chips sideways too.
class SidewaysScrollArea final : public QScrollArea {
public:
    using QScrollArea::QScrollArea;

protected:
    void wheelEvent(QWheelEvent *event) override
    {
        const QPoint angle = event->angleDelta();
        const QPoint pixels = event->pixelDelta();
        if (std::abs(angle.y()) > std::abs(angle.x())) {
            QScrollBar *bar = horizontalScrollBar();
            if (bar->maximum() == 0) {
                event->ignore();
                return;
            }
            const int step
                = pixels.isNull() ? -angle.y() * bar->singleStep() * 3 / 120 : -pixels.y();
            bar->setValue(bar->value() + step);
            event->accept();
            return;
        }
        QScrollArea::wheelEvent(event);
    }
};

} // namespace

CueStrip::CueStrip(PrompterController &controller, QWidget *parent)
    : QWidget(parent)
    , m_controller(controller)
    , m_scroll(new SidewaysScrollArea(this))
    , m_row(new QWidget)
    , m_layout(new QHBoxLayout(m_row))
    , m_spring(new SpringAnimation(kHighlightSpring, this))
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(6);
    m_layout->setSizeConstraint(QLayout::SetFixedSize);

    m_scroll->setFrameShape(QFrame::NoFrame);
    // The chips are the Tab stops, not the area around them.
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setWidgetResizable(false);
    m_scroll->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The strip sits on the editor's background; nothing of the scroll view shows.
    m_scroll->setAutoFillBackground(false);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_scroll->setWidget(m_row);
    // setWidget turns the background on; the chips float on the editor's own.
    m_row->setAutoFillBackground(false);
    m_scroll->horizontalScrollBar()->setSingleStep(20);

    m_scroll->setFixedHeight(CueChip::chipHeight());
    auto *outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_scroll);

    connect(&m_controller, &PrompterController::currentCueIDChanged, this,
        [this] { syncHighlight(true); });
    connect(&m_controller, &PrompterController::isVisibleChanged, this,
        [this] { syncHighlight(false); });
    connect(m_spring, &SpringAnimation::progressed, this, &CueStrip::applyProgress);
}

CueStrip::~CueStrip() = default;

QSize CueStrip::sizeHint() const
{
    return {m_row->sizeHint().width(), CueChip::chipHeight()};
}

QSize CueStrip::minimumSizeHint() const
{
    return {0, sizeHint().height()};
}

void CueStrip::setCues(const QList<ScriptSection> &cues)
{
    if (cues == m_cues && m_chips.size() == cues.size())
        return;
    m_cues = cues;
    // Rebuilt on every change of the cue lines: chips appear, vanish and renumber as typed.
    for (CueChip *chip : std::as_const(m_chips))
        delete chip;
    m_chips.clear();
    for (qsizetype i = 0; i < m_cues.size(); ++i) {
        const ScriptSection &section = m_cues.at(i);
        auto *chip = new CueChip(int(i + 1), section.cue.value_or(QString()), m_row);
        const qint64 id = section.id;
        connect(
            chip, &QAbstractButton::clicked, &m_controller, [this, id] { m_controller.jump(id); });
        m_layout->addWidget(chip);
        // New chips would come last in the window's Tab order; they follow the strip instead.
        setTabOrderAfter(m_chips.isEmpty() ? m_row : m_chips.last(), chip);
        chip->installEventFilter(this);
        m_chips.append(chip);
    }
    m_row->adjustSize();
    syncHighlight(false);
    updateGeometry();
}

std::optional<qint64> CueStrip::currentID() const
{
    // A hidden prompter has no current cue to show.
    if (!m_controller.isVisible())
        return std::nullopt;
    return m_controller.currentCueID();
}

void CueStrip::syncHighlight(bool animated)
{
    const std::optional<qint64> current = currentID();
    m_from.clear();
    for (qsizetype i = 0; i < m_chips.size(); ++i) {
        CueChip *chip = m_chips.at(i);
        const bool isCurrent = current && *current == m_cues.at(i).id;
        m_from.append(chip->highlight());
        chip->setCurrent(isCurrent, animated ? chip->highlight() : (isCurrent ? 1.0 : 0.0));
    }
    if (animated && isVisible())
        m_spring->start();
    else
        m_spring->finish();
}

void CueStrip::applyProgress(double progress)
{
    for (qsizetype i = 0; i < m_chips.size() && i < m_from.size(); ++i) {
        CueChip *chip = m_chips.at(i);
        const double target = chip->isCurrent() ? 1.0 : 0.0;
        const double from = m_from.at(i);
        chip->setCurrent(
            chip->isCurrent(), std::clamp(from + (target - from) * progress, 0.0, 1.0));
    }
}

bool CueStrip::eventFilter(QObject *watched, QEvent *event)
{
    // A chip reached from the keyboard scrolls into view.
    if (event->type() == QEvent::FocusIn)
        m_scroll->ensureWidgetVisible(static_cast<QWidget *>(watched), 0, 0);
    return QWidget::eventFilter(watched, event);
}

} // namespace qm
