// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "prompter_layout.h"

#include <QColor>
#include <QHash>
#include <QImage>
#include <QRect>

#include <memory>
#include <utility>
#include <vector>

namespace qm {

// The reading area's fade: transparent at the top, opaque from 7 % to 58 % of the height, down
// to 12 % at the bottom. `t` runs from 0 (top) to 1 (bottom).
double readingFade(double t);

// The laid-out column rendered once into strips of device pixels, so a frame only blends cached
// pixels. Scrolling by a fraction of a pixel interpolates between neighbouring rows, which keeps
// slow speeds smooth; where the display server moves the text, the view asks only for offsets
// on whole device pixels, and each output row is a column row as it is, faded.
class ColumnTiles final {
public:
    struct Style {
        QColor body;
        bool mirror = false;
        double dpr = 1;
        int width = 0; // device pixels of the reading area

        friend bool operator==(const Style &, const Style &) = default;
    };

    // A run of output rows [first, last) that holds ink, and the columns [left, right) the ink
    // spans in them. Rows outside every band are blank.
    struct Band {
        int first = 0;
        int last = 0;
        int left = 0;
        int right = 0;
    };

    // What the pixels of a band that no glyph covers hold, and what glyph pixels sit on:
    // transparent, to be drawn over the panel, or the panel's own opaque black, to be copied.
    enum class Backdrop { Transparent, Black };

    static constexpr int kTileRows = 256;

    void setLayout(std::shared_ptr<const ColumnLayout> layout);
    // The same column laid out further down: tiles wholly above `exactBefore` points, which
    // the old layout already had exactly, are kept.
    void extendLayout(std::shared_ptr<const ColumnLayout> layout, double exactBefore);
    void setStyle(const Style &style);
    const Style &style() const { return m_style; }

    // Where the ink of the column scrolled up by `offset` points falls in an output `height`
    // device rows tall, without writing any pixels.
    const std::vector<Band> &bands(int height, double offset, double opacity);
    const std::vector<Band> &lastBands() const { return m_bands; }
    // The column row shown at the top of the output at `offset`: a scroll between two offsets
    // on whole device pixels moves the picture by the difference of theirs.
    int firstRow(double offset) const;
    // The output rows [first, last) of an output `height` rows tall that show the column at full
    // strength (no fade) at `opacity`: at whole-pixel offsets they are the column's rows as they
    // are, and move as a block when it scrolls. Empty when there are none.
    std::pair<int, int> fullRows(int height, double opacity) const;
    // Changes whenever the bands are worked out afresh.
    quint64 planRevision() const { return m_planRevision; }

    // Columns of ink are tracked in cells this wide.
    static constexpr int kCellColumns = 16;
    // Where output rows [top, bottom) at whole-pixel offsets hold ink now that they show the
    // column from row `now` on, or held it when they showed it from row `was` on: rectangles
    // of `cellRows` output rows (fewer at the bottom) and whole cells of columns, one for each
    // run of cells with ink, runs less than two cells apart joined. Sorted by rows, then across,
    // as a region's own.
    std::vector<QRect> inkCells(int was, int now, int top, int bottom, int cellRows);

    // Writes the column scrolled up by `offset` points into `out` (device pixels, premultiplied),
    // faded by readingFade and multiplied by `opacity`. Only the rows of the returned bands are
    // written, whole width; the others keep whatever they held and must not be shown.
    const std::vector<Band> &compose(
        QImage &out, double offset, double opacity, Backdrop backdrop = Backdrop::Transparent);

    // Writes columns [x0, x1) of output row `row` of the last bands() or compose(), where `dst`
    // is the row's first pixel: for writing straight into a bigger image. A row outside every
    // band is left alone.
    void writeRow(quint8 *dst, int row, int x0, int x1, Backdrop backdrop) const;

    int cachedTiles() const { return int(m_tiles.size()); }
    // Changes whenever the layout or the style does, and with it every composed pixel.
    quint64 generation() const { return m_generation; }

private:
    struct Tile {
        QImage image;
        // Per row, the inked pixel range [start, end); start == end for a blank row.
        std::vector<quint16> start;
        std::vector<quint16> end;
        // Most rows hold shades of one colour: each pixel is that opaque colour times its own
        // alpha. For those, one byte a pixel (the alpha) and the colour say it all, and a frame
        // reads a quarter of the memory. `shade` is the colour (0xffrrggbb) or 0 for a row that
        // needs its full pixels; `alpha` holds `stride` bytes a row.
        std::vector<quint32> shade;
        std::vector<quint8> alpha;
        int stride = 0;
        // Per row, a bit for each cell of kCellColumns columns that holds ink, `words` a row.
        std::vector<quint64> cells;
        int words = 0;
    };

    // One output row: the two column rows it blends and their weights (out of 256).
    struct RowPlan {
        const quint8 *a = nullptr;
        const quint8 *b = nullptr;
        int wa = 0;
        int wb = 0;
        int start = 0; // inked columns [start, end)
        int end = 0;
        // Set when both rows are shades of the same colour: their alpha bytes and the colour.
        const quint8 *alphaA = nullptr;
        const quint8 *alphaB = nullptr;
        quint32 shade = 0;
    };

    const Tile &tile(int index);
    // Column row `y`'s ink cells; null for a blank row or one outside the column.
    const quint64 *cellsAt(int y);
    void render(Tile &tile, int index) const;
    void dropTilesOutside(int first, int last);
    void plan(int height, double offset, double opacity);

    std::shared_ptr<const ColumnLayout> m_layout;
    Style m_style;
    int m_rows = 0; // device rows of the whole column
    QHash<int, std::shared_ptr<Tile>> m_tiles;
    std::vector<float> m_fade; // per output row
    int m_fadeRows = -1;
    std::vector<Band> m_bands;
    std::vector<RowPlan> m_plan;
    struct PlanKey {
        int height = -1;
        double offset = 0;
        double opacity = 0;
        quint64 generation = 0;
        friend bool operator==(const PlanKey &, const PlanKey &) = default;
    };
    PlanKey m_planKey;
    quint64 m_planRevision = 0;
    quint64 m_generation = 1; // counts layout and style changes, which drop the tiles
    std::vector<quint8> m_blank; // one transparent row
};

} // namespace qm
