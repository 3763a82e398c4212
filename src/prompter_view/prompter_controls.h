// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "prompter/follow_session.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QStaticText>
#include <QString>

#include <optional>

class QPainter;

namespace qm {

// Time left as "m:ss", rounded to whole seconds (halves away from zero); no hours field.
QString clockText(double seconds);
// The whole seconds clockText shows.
qint64 clockSeconds(double seconds);
// The speed setting as its integer part.
QString speedText(double speed);

// MARK: Status indicator

struct StatusInput {
    bool isPlaying = false;
    bool hovering = false;
    bool pauseOnHover = true;
    bool voiceMode = false;
    bool speaking = false;
    bool denied = false;
    bool countingDown = false;
    bool atEnd = false;
    // Following another prompter whose link is down.
    bool sourceLost = false;
    // In follow mode: what the recogniser makes of the reading.
    std::optional<FollowState> follow;
};

struct StatusIndicator {
    enum class Mic { None, On, Off };
    bool active = false; // the text is moving
    Mic mic = Mic::None;
    QColor micColor;
    bool pause = false; // the pause symbol
    QColor dot;
    bool dotGlow = false;

    friend bool operator==(const StatusIndicator &, const StatusIndicator &) = default;
};

StatusIndicator statusIndicator(const StatusInput &in);

// MARK: Controls bar

enum class ControlAction { Restart, PreviousCue, PlayPause, NextCue, Slower, Faster, Close };

struct ControlItem {
    enum class Kind { Button, Divider, SpeedText, TimeText };
    Kind kind = Kind::Button;
    QRectF rect; // in the view, with the bar at rest
    QString symbol; // buttons: the glyph of the symbol face
    QString text; // speed and time texts
    QString tooltip;
    std::optional<ControlAction> action;
    bool big = false;
};

struct ControlsBar {
    QRectF capsule;
    QRectF shade; // the dark gradient behind the bar, along the panel's bottom edge
    double travel = 0; // how far below its rest the bar starts and ends its transition
    QList<ControlItem> items;
    quint64 revision = 0; // changes whenever the bar is built again, so its pixels are redrawn
};

struct ControlsInput {
    QSizeF view;
    bool voiceMode = false;
    bool isPlaying = false;
    double speed = 0;
    double remaining = 0;
};

ControlsBar layoutControls(const ControlsInput &in);
// The item under `pos` (view coordinates) that has a tooltip or an action.
const ControlItem *controlAt(const ControlsBar &bar, const QPointF &pos);

// MARK: Drawing

// Prepared glyphs and texts of the status indicator and the controls bar, kept across frames.
class ControlsPainter final {
public:
    ControlsPainter();

    void paintStatus(QPainter &p, const StatusIndicator &status, double viewWidth, double topInset);
    // `shown` 0…1 fades the bar in while it rises by `travel`. The bar is drawn once into an
    // image and moved as a whole.
    void paintControls(QPainter &p, const ControlsBar &bar, double shown);
    static void paintProgress(QPainter &p, const QRectF &rect, double progress);

private:
    struct Prepared {
        QString key;
        QStaticText text;
    };
    static const QStaticText &prepared(Prepared &slot, const QString &text, const QFont &font);
    const QImage &dotGlow(double dpr);
    // The status dot at one device pixel ratio of 1, `fraction` into its first pixel.
    const QImage &dot(const QColor &colour, const QSizeF &size, QPointF fraction);
    void renderBar(const ControlsBar &bar, double dpr);

    QFont m_micFont, m_pauseFont, m_iconFont, m_bigIconFont, m_speedFont, m_timeFont;

    Prepared m_mic, m_pause, m_speed, m_time;
    QList<Prepared> m_buttons;
    QImage m_glow;
    struct DotKey {
        QRgba64 colour;
        QSizeF size;
        QPointF fraction;
        friend bool operator==(const DotKey &a, const DotKey &b)
        {
            return a.colour == b.colour && a.size == b.size && a.fraction == b.fraction;
        }
    };
    DotKey m_dotKey;
    QImage m_dotImage;
    QImage m_bar;
    quint64 m_barRevision = 0;
    double m_barDpr = 0;
};

} // namespace qm
