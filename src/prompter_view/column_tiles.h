// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "prompter_layout.h"

#include <QColor>
#include <QHash>
#include <QImage>

#include <memory>
#include <vector>

namespace qm {

// The reading area's fade: transparent at the top, opaque from 7 % to 58 % of the height, down
// to 12 % at the bottom. `t` runs from 0 (top) to 1 (bottom).
double readingFade(double t);

// The laid-out column rendered once into strips of device pixels, so a frame only blends cached
// pixels. Scrolling by a fraction of a pixel interpolates between neighbouring rows instead of
// snapping, which keeps slow speeds smooth.
class ColumnTiles final {
public:
    struct Style {
        QColor body;
        bool mirror = false;
        double dpr = 1;
        int width = 0; // device pixels of the reading area

        friend bool operator==(const Style &, const Style &) = default;
    };

    // A run of output rows [first, last) that holds any ink; the rest is transparent.
    struct Band {
        int first = 0;
        int last = 0;
    };

    static constexpr int kTileRows = 256;

    void setLayout(std::shared_ptr<const ColumnLayout> layout);
    void setStyle(const Style &style);
    const Style &style() const { return m_style; }

    // Writes the column scrolled up by `offset` points into `out` (device pixels, premultiplied),
    // faded by readingFade and multiplied by `opacity`. Returns the inked bands.
    const std::vector<Band> &compose(QImage &out, double offset, double opacity);

    int cachedTiles() const { return int(m_tiles.size()); }

private:
    struct Tile {
        QImage image;
        // Per row, the inked pixel range [start, end); start == end for a blank row.
        std::vector<quint16> start;
        std::vector<quint16> end;
    };

    const Tile &tile(int index);
    void render(Tile &tile, int index) const;
    void dropTilesOutside(int first, int last);

    std::shared_ptr<const ColumnLayout> m_layout;
    Style m_style;
    int m_rows = 0; // device rows of the whole column
    QHash<int, std::shared_ptr<Tile>> m_tiles;
    std::vector<float> m_fade; // per output row
    int m_fadeRows = -1;
    std::vector<Band> m_bands;
    std::vector<quint8> m_blank; // one transparent row
};

} // namespace qm
