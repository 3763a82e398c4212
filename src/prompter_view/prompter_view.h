// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "aura.h"
#include "countdown_overlay.h"
#include "direct_presenter.h"
#include "layout_steps.h"
#include "panel_shape.h"
#include "prompter_controls.h"
#include "prompter_layout.h"
#include "reading_composer.h"
#include "transition.h"
#include "word_lines.h"

#include <QTransform>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

namespace qm {

class PrompterController;

// What the prompter panel shows: the script column scrolling under a fade, the countdown, the
// glow, the status dot, the hover controls and the progress bar. It reports the column's
// measurements to the controller whenever its layout changes, never on a plain frame.
class PrompterView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PrompterView)

public:
    // Monotonic seconds for the animations and the glow's waves.
    using Clock = std::function<double()>;

    explicit PrompterView(PrompterController &controller, QWidget *parent = nullptr);
    ~PrompterView() override;

    // Tests and benchmarks drive the animations with their own time.
    void setClock(Clock clock);

    // The area the script scrolls in, in the view's coordinates.
    QRectF readingArea() const;
    const ColumnLayout *columnLayout() const { return m_steps.layout().get(); }
    // The controls bar as it stands (at rest), with its hit areas.
    const ControlsBar &controlsBar() const { return m_bar; }
    double glowIntensity() const { return m_smoother.value(); }
    bool glowLive() const;
    // Whether the glow's picture still changes from frame to frame.
    bool glowMoving() const;
    // Whether anything the view animates on its own still moves: opening, hover, countdown, glow.
    bool animating() const;
    // Frames painted straight into the window and handed to the display server.
    quint64 presentedFrames() const { return m_presenter.presented(); }
    // Frames whose text the display server moved itself, sending only what that uncovered.
    quint64 movedFrames() const { return m_presenter.scrolled(); }
    // Paints that wrote the text straight into the pixels they paint (not through the painter).
    quint64 textWrittenInPlace() const { return m_reading.writtenInPlace(); }
    // The offset the text is drawn at: the scroll's own, or the nearest on a whole device pixel
    // where the display server moves the text.
    double shownOffset() const;

    // Full screen on a studio monitor: a plain black rectangle that only fades in, the whole
    // picture flipped as the glass needs it, and the eye-line marker at the reading line.
    struct Output {
        bool flipHorizontal = false;
        bool flipVertical = false;
        bool eyeLine = false;
        friend bool operator==(const Output &, const Output &) = default;
    };
    void setOutput(const Output &output);
    // The eye-line marker's height in the unflipped picture: a third of the way down the
    // reading area.
    double readingLineY() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void step();
    double glowTarget(double t) const;
    void scrolled();
    // Paints `region` of the view as it stands, in view coordinates; `clear` first makes what
    // the text does not cover transparent.
    void paintFrame(QPainter &p, const QRegion &region, bool clear);
    // Device pixels of the progress bar's fill, as paintProgress draws it.
    int progressPixels() const;
    // The points the progress bar covers.
    QRect progressArea() const;
    // Paints and shows `region` at once, straight into the window; false when it cannot.
    // `toolkitToo` leaves the toolkit's image of the window holding it as well.
    bool present(const QRegion &region, bool toolkitToo = false);
    // Moves the part of the text that only scrolls since the last frame inside the display
    // server, where it holds ink before or after; returns the points it brought up to date,
    // which the frame need not paint.
    QRect moveOnServer();
    // Where the status items in the top right corner may paint.
    QRect statusArea() const;
    void relayout();
    // How far down the column must be laid out exactly for the text in view.
    double exactNeeded() const;
    void publishLayout(bool fresh, double before);
    void reportViewport();
    void settingsChanged();
    void hoveringChanged();
    void countdownChanged();
    void refreshControls();
    void perform(ControlAction action);
    StatusIndicator currentStatus() const;
    double readingOpacity() const;
    // Brings the tiles' style up to date; false when there is no reading area to show.
    bool syncTiles();

    // Full-screen output: the flip between the picture's coordinates and the window's (its own
    // inverse), and the marker.
    QTransform outputFlip() const;
    QRegion onScreen(const QRegion &region) const;
    void paintEyeLine(QPainter &p) const;

    PrompterController &m_controller;
    Clock m_clock;
    std::optional<Output> m_output;

    LayoutSteps m_steps;
    WordLineIndex m_wordLines; // where each script word's line is, for follow mode
    double m_layoutWidth = -1;
    double m_layoutFontSize = -1;
    bool m_haveGeometry = false;
    double m_reportedViewport = -1;
    ReadingComposer m_reading;
    // Everything a frame shows apart from the scrolling text and the glow; when it changes, the
    // whole view is painted again, otherwise only the ink and the glow's strip.
    struct Look {
        double open = 0;
        double hover = 0;
        double countdown = 0;
        double numberProgress = 0;
        std::optional<int> number;
        quint64 bar = 0;
        StatusIndicator status;
        friend bool operator==(const Look &, const Look &) = default;
    };
    Look m_look;
    QColor m_bodyColor;
    bool m_floating = false;
    PanelShape m_panel;

    // Animation state, advanced by step(); paintEvent only reads it.
    std::optional<double> m_openStart;
    double m_open = 0;
    Transition m_hover;
    double m_hoverShown = 0;
    CountdownOverlay m_countdown;

    aura::Smoother m_smoother;
    double m_glowTime = 0;
    // Seconds the glow stood still, left out of its waves' time.
    double m_glowStill = 0;
    std::optional<double> m_lastStep;
    AuraRenderer m_aura;

    ControlsBar m_bar;
    ControlsInput m_barInput;
    quint64 m_barRevision = 0;
    ControlsPainter m_controlsPainter;
    std::optional<ControlAction> m_pressed;

    // What scrolls within the current frame left to repaint; step() shows it.
    QRegion m_frameDirty;
    // What the window shows of the text: its first column row, for which tiles and where.
    struct ShownText {
        int row = 0;
        quint64 generation = 0;
        QRectF area;
        double dpr = 0;
        friend bool operator==(const ShownText &, const ShownText &) = default;
    };
    ShownText shownTextNow();
    std::optional<ShownText> m_shownText;
    int m_progressShown = -1;
    DirectPresenter m_presenter;
};

} // namespace qm
