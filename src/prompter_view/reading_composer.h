// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "column_tiles.h"

#include <QImage>
#include <QRegion>

#include <vector>

class QPainter;

namespace qm {

// Puts the scrolled, faded text of the reading area into a frame: written straight into the
// painter's pixels where it can, composed into an image and copied in otherwise. Keeps what the
// last frame showed, so that a scroll repaints only the rows where ink was and now is.
class ReadingComposer final {
public:
    ColumnTiles &tiles() { return m_tiles; }

    // Full screen: `output` lets a painter turned upside down take the rows bottom up; a
    // `mirrorWidth` above 0 says the tiles hold the text mirrored across a picture that wide,
    // and the ink regions stay the picture's.
    void setOutput(bool output, double mirrorWidth);
    // The next paint composes the text again.
    void recompose() { m_composed = {}; }

    // The device rows of `area` that hold ink in `bands`, in the area's coordinates.
    QRegion inkRegion(
        const QRectF &area, double dpr, const std::vector<ColumnTiles::Band> &bands) const;
    // The same for the bands at `offset` and `opacity`.
    QRegion inkAt(const QRectF &area, double dpr, double offset, double opacity);
    // The device pixels the last bands worked out cover, for an area whose top left is the
    // device pixel `at` (unmirrored).
    QRegion inkPixels(const QPoint &at) const;

    // Paints the text into `area` at `offset` and `opacity`. `settled`: the panel stands still
    // and the text goes onto its black, inside the painter's clip; otherwise it is drawn over
    // whatever is there. `ink`, when given, is inkAt() for these values, already worked out.
    void paint(QPainter &p, const QRectF &area, double dpr, double offset, double opacity,
        bool settled, const QRegion *ink = nullptr);
    // Nothing of the text is on screen any more.
    void clearShown() { m_shownInk = QRegion(); }
    // The ink as last painted.
    const QRegion &shownInk() const { return m_shownInk; }
    // Paints that wrote the text straight into the painter's pixels.
    quint64 writtenInPlace() const { return m_inPlace; }

private:
    // Writes the settled text straight into the painter's image when it can; false otherwise.
    bool composeInPlace(QPainter &p, const QRectF &area, double dpr, double offset, double opacity,
        const QRegion *ink);

    ColumnTiles m_tiles;
    QImage m_reading;
    // What m_reading holds, so a repaint at the same place does not compose it again.
    struct Composed {
        quint64 generation = 0;
        double offset = 0;
        double opacity = 0;
        ColumnTiles::Backdrop backdrop = ColumnTiles::Backdrop::Transparent;
        QSize size;
        friend bool operator==(const Composed &, const Composed &) = default;
    };
    Composed m_composed;
    QRegion m_shownInk;
    quint64 m_inPlace = 0;
    bool m_output = false;
    double m_mirrorWidth = 0;
    // The last inkRegion() worked out, and for which bands.
    struct InkKey {
        quint64 revision = 0;
        QRectF area;
        double dpr = 0;
        double mirrorWidth = 0;
        friend bool operator==(const InkKey &, const InkKey &) = default;
    };
    mutable InkKey m_inkKey;
    mutable QRegion m_ink;
};

} // namespace qm
