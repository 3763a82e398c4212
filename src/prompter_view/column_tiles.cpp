// SPDX-License-Identifier: GPL-3.0-or-later
#include "column_tiles.h"

#include "row_blend.h"
#include "ui/palette.h"

#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace qm {

namespace {

void fillPixels(quint8 *dst, int count, quint32 value)
{
    if (value == 0) {
        std::memset(dst, 0, std::size_t(count) * 4);
        return;
    }
    auto *px = reinterpret_cast<quint32 *>(dst);
    std::fill(px, px + count, value);
}

QColor roleColor(TextBlock::Role role, const QColor &body)
{
    switch (role) {
    case TextBlock::Role::Heading:
        return palette::tally();
    case TextBlock::Role::Body:
        return body;
    case TextBlock::Role::EmptyMessage:
        return palette::white(45);
    case TextBlock::Role::EndText:
        return palette::white(40);
    }
    return body;
}

// How far glyphs may reach outside their lines' boxes, in points.
double glyphReach(const ColumnLayout &layout)
{
    return 2 * std::max(layout.fontSize, column::kMinHeadingSize);
}

float fadeAt(int row, int height)
{
    return float(readingFade((row + 0.5) / height));
}

// An output row's weight out of 256: its fade times the opacity.
int rowWeight(float fade, double opacity)
{
    return int(std::lround(256.0 * fade * opacity));
}

} // namespace

double readingFade(double t)
{
    constexpr double top = 0.07, bottom = 0.58, floor = 0.12;
    if (t <= 0)
        return 0;
    if (t < top)
        return t / top;
    if (t <= bottom)
        return 1;
    if (t >= 1)
        return floor;
    return 1 - (1 - floor) * (t - bottom) / (1 - bottom);
}

void ColumnTiles::setLayout(std::shared_ptr<const ColumnLayout> layout)
{
    m_layout = std::move(layout);
    m_tiles.clear();
    ++m_generation;
    m_rows = m_layout ? int(std::ceil(m_layout->contentHeight * m_style.dpr)) : 0;
}

void ColumnTiles::extendLayout(std::shared_ptr<const ColumnLayout> layout, double exactBefore)
{
    m_layout = std::move(layout);
    ++m_generation;
    m_rows = m_layout ? int(std::ceil(m_layout->contentHeight * m_style.dpr)) : 0;
    if (!m_layout) {
        m_tiles.clear();
        return;
    }
    const double margin = glyphReach(*m_layout);
    for (auto it = m_tiles.begin(); it != m_tiles.end();) {
        const double bottom = double(it.key() + 1) * kTileRows / m_style.dpr;
        if (bottom + margin > exactBefore || (it.key() + 1) * kTileRows > m_rows)
            it = m_tiles.erase(it);
        else
            ++it;
    }
}

void ColumnTiles::setStyle(const Style &style)
{
    if (style == m_style)
        return;
    m_style = style;
    m_tiles.clear();
    ++m_generation;
    m_rows = m_layout ? int(std::ceil(m_layout->contentHeight * m_style.dpr)) : 0;
    m_blank.assign(std::size_t(std::max(0, m_style.width)) * 4 + 32, 0);
}

const ColumnTiles::Tile &ColumnTiles::tile(int index)
{
    auto it = m_tiles.find(index);
    if (it == m_tiles.end()) {
        auto made = std::make_shared<Tile>();
        render(*made, index);
        it = m_tiles.insert(index, std::move(made));
    }
    return *it.value();
}

void ColumnTiles::render(Tile &tile, int index) const
{
    const int width = std::max(1, m_style.width);
    const int top = index * kTileRows;
    const int rows = std::clamp(m_rows - top, 1, kTileRows);
    tile.image = QImage(width, rows, QImage::Format_ARGB32_Premultiplied);
    tile.image.fill(Qt::transparent);
    const double dpr = m_style.dpr;
    const double topPt = top / dpr;
    const double bottomPt = (top + rows) / dpr;
    {
        QPainter p(&tile.image);
        p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        p.scale(dpr, dpr);
        p.translate(0, -topPt);
        const double margin = glyphReach(*m_layout);
        for (const TextBlock &block : m_layout->blocks) {
            if (block.rect.bottom() + margin < topPt || block.rect.top() - margin > bottomPt)
                continue;
            p.setPen(roleColor(block.role, m_style.body));
            // Shaped for this tile and let go afterwards: only the text in view holds glyphs.
            const std::shared_ptr<QTextLayout> shaped = shapeBlock(block);
            const QTextLayout &layout = *shaped;
            for (int i = 0; i < layout.lineCount(); ++i) {
                const QTextLine line = layout.lineAt(i);
                const double lineTop = block.origin.y() + line.y();
                // A line's glyphs may reach a little outside its box; a margin of one line
                // height keeps them whole at the tile's edges.
                if (lineTop + 2 * line.height() < topPt)
                    continue;
                if (lineTop - line.height() > bottomPt)
                    break;
                line.draw(&p, block.origin);
            }
        }
        if (m_layout->end) {
            p.setRenderHint(QPainter::Antialiasing, false);
            p.fillRect(m_layout->end->leftLine, palette::white(18));
            p.fillRect(m_layout->end->rightLine, palette::white(18));
        }
    }
    if (m_style.mirror)
        tile.image = tile.image.mirrored(true, false);

    tile.start.assign(std::size_t(rows), 0);
    tile.end.assign(std::size_t(rows), 0);
    for (int y = 0; y < rows; ++y) {
        const auto *px = reinterpret_cast<const quint32 *>(tile.image.constScanLine(y));
        int first = 0;
        while (first < width && px[first] == 0)
            ++first;
        if (first == width)
            continue;
        int last = width;
        while (last > first && px[last - 1] == 0)
            --last;
        tile.start[std::size_t(y)] = quint16(first);
        tile.end[std::size_t(y)] = quint16(last);
    }

    tile.words = (width + kCellColumns * 64 - 1) / (kCellColumns * 64);
    tile.cells.assign(std::size_t(tile.words) * std::size_t(rows), 0);
    for (int y = 0; y < rows; ++y) {
        const int first = tile.start[std::size_t(y)];
        const int last = tile.end[std::size_t(y)];
        const auto *px = reinterpret_cast<const quint32 *>(tile.image.constScanLine(y));
        quint64 *cells = &tile.cells[std::size_t(y) * std::size_t(tile.words)];
        for (int cell = first / kCellColumns; cell * kCellColumns < last; ++cell) {
            const int end = std::min(last, (cell + 1) * kCellColumns);
            for (int x = std::max(first, cell * kCellColumns); x < end; ++x) {
                if (px[x]) {
                    cells[cell / 64] |= quint64(1) << (cell % 64);
                    break;
                }
            }
        }
    }

    // Room past each row for the widest read of the blending code.
    tile.stride = (width + 31) / 32 * 32;
    tile.shade.assign(std::size_t(rows), 0);
    tile.alpha.assign(std::size_t(tile.stride) * std::size_t(rows), 0);
    for (int y = 0; y < rows; ++y) {
        const int first = tile.start[std::size_t(y)];
        const int last = tile.end[std::size_t(y)];
        if (first == last)
            continue;
        const auto *px = reinterpret_cast<const quint32 *>(tile.image.constScanLine(y));
        const quint32 shade = rows::shadeOf(px, first, last);
        if (!shade)
            continue;
        tile.shade[std::size_t(y)] = shade;
        quint8 *alpha = &tile.alpha[std::size_t(y) * std::size_t(tile.stride)];
        for (int x = first; x < last; ++x)
            alpha[x] = quint8(px[x] >> 24);
    }
}

void ColumnTiles::dropTilesOutside(int first, int last)
{
    for (auto it = m_tiles.begin(); it != m_tiles.end();) {
        if (it.key() < first || it.key() > last)
            it = m_tiles.erase(it);
        else
            ++it;
    }
}

void ColumnTiles::plan(int height, double offset, double opacity)
{
    const PlanKey key {height, offset, opacity, m_generation};
    if (key == m_planKey)
        return;
    m_planKey = key;
    ++m_planRevision;
    m_bands.clear();
    m_plan.assign(std::size_t(std::max(0, height)), RowPlan {});
    if (!m_layout || height <= 0 || m_style.width <= 0)
        return;
    if (height != m_fadeRows) {
        m_fade.resize(std::size_t(height));
        for (int r = 0; r < height; ++r)
            m_fade[std::size_t(r)] = fadeAt(r, height);
        m_fadeRows = height;
    }

    double shifted = std::max(0.0, offset) * m_style.dpr;
    // An offset meant to be on a whole device pixel is read as one, not as a hair below.
    if (std::abs(shifted - std::round(shifted)) < 1e-6)
        shifted = std::round(shifted);
    const double baseRow = std::floor(shifted);
    const int base = int(std::min(baseRow, double(m_rows) + 1));
    const double fraction = shifted - baseRow;
    const double alpha = std::clamp(opacity, 0.0, 1.0);

    // Tiles far from the view go before the ones it needs are made.
    const int firstTile = std::max(0, base) / kTileRows;
    const int lastTile = (base + height + 1) / kTileRows;
    dropTilesOutside(firstTile - 1, lastTile + 1);

    struct Row {
        const quint8 *pixels = nullptr;
        int start = 0;
        int end = 0;
        const quint8 *alpha = nullptr;
        quint32 shade = 0;
    };
    int cachedIndex = -1;
    const Tile *cached = nullptr;
    auto rowAt = [&](int y) -> Row {
        if (y < 0 || y >= m_rows)
            return {};
        if (y / kTileRows != cachedIndex) {
            cachedIndex = y / kTileRows;
            cached = &tile(cachedIndex);
        }
        const Tile &t = *cached;
        const int r = y % kTileRows;
        if (r >= t.image.height() || t.start[std::size_t(r)] == t.end[std::size_t(r)])
            return {};
        const quint32 shade = t.shade[std::size_t(r)];
        return {t.image.constScanLine(r), t.start[std::size_t(r)], t.end[std::size_t(r)],
            shade ? &t.alpha[std::size_t(r) * std::size_t(t.stride)] : nullptr, shade};
    };

    const int width = m_style.width;
    bool inBand = false;
    for (int r = 0; r < height; ++r) {
        const int total = rowWeight(m_fade[std::size_t(r)], alpha);
        const int wb = int(std::lround(fraction * total));
        const int wa = total - wb;
        const Row a = wa > 0 ? rowAt(base + r) : Row {};
        const Row b = wb > 0 ? rowAt(base + r + 1) : Row {};
        if (!a.pixels && !b.pixels) {
            inBand = false;
            continue;
        }
        RowPlan &row = m_plan[std::size_t(r)];
        row.a = a.pixels;
        row.b = b.pixels;
        row.wa = a.pixels ? wa : 0;
        row.wb = b.pixels ? wb : 0;
        row.start = std::min(a.pixels ? a.start : width, b.pixels ? b.start : width);
        row.end = std::max(a.pixels ? a.end : 0, b.pixels ? b.end : 0);
        // Shades of one colour in both rows (or in the one there is) blend as alphas.
        const quint32 shade = a.pixels ? a.shade : b.shade;
        if (shade && (!a.pixels || a.shade == shade) && (!b.pixels || b.shade == shade)) {
            row.shade = shade;
            row.alphaA = a.alpha;
            row.alphaB = b.alpha;
        }
        if (inBand) {
            Band &band = m_bands.back();
            band.last = r + 1;
            band.left = std::min(band.left, row.start);
            band.right = std::max(band.right, row.end);
        } else {
            m_bands.push_back({r, r + 1, row.start, row.end});
        }
        inBand = true;
    }
}

const quint64 *ColumnTiles::cellsAt(int y)
{
    if (y < 0 || y >= m_rows)
        return nullptr;
    const Tile &t = tile(y / kTileRows);
    const int r = y % kTileRows;
    if (r >= t.image.height() || t.start[std::size_t(r)] == t.end[std::size_t(r)])
        return nullptr;
    return &t.cells[std::size_t(r) * std::size_t(t.words)];
}

std::vector<QRect> ColumnTiles::inkCells(int was, int now, int top, int bottom, int cellRows)
{
    std::vector<QRect> out;
    const int width = m_style.width;
    if (!m_layout || width <= 0 || cellRows <= 0)
        return out;
    const int count = (width + kCellColumns - 1) / kCellColumns;
    std::vector<quint64> ink(std::size_t((count + 63) / 64));
    for (int y0 = top; y0 < bottom; y0 += cellRows) {
        const int y1 = std::min(bottom, y0 + cellRows);
        std::fill(ink.begin(), ink.end(), 0);
        bool any = false;
        for (int r = y0; r < y1; ++r) {
            for (const int row : {was + r, now + r}) {
                if (const quint64 *cells = cellsAt(row)) {
                    for (std::size_t i = 0; i < ink.size(); ++i)
                        ink[i] |= cells[i];
                    any = true;
                }
            }
        }
        if (!any)
            continue;
        auto set = [&](int cell) { return (ink[std::size_t(cell / 64)] >> (cell % 64)) & 1; };
        const std::size_t firstOfBand = out.size();
        for (int cell = 0; cell < count;) {
            if (!set(cell)) {
                ++cell;
                continue;
            }
            int end = cell + 1;
            while (end < count && set(end))
                ++end;
            const int left = cell * kCellColumns;
            const int right = std::min(width, end * kCellColumns);
            // A gap of one cell costs less sent along than a rectangle more.
            if (out.size() > firstOfBand && left - out.back().right() - 1 <= kCellColumns)
                out.back().setRight(right - 1);
            else
                out.emplace_back(left, y0, right - left, y1 - y0);
            cell = end;
        }
    }
    return out;
}

int ColumnTiles::firstRow(double offset) const
{
    double shifted = std::max(0.0, offset) * m_style.dpr;
    if (std::abs(shifted - std::round(shifted)) < 1e-6)
        shifted = std::round(shifted);
    return int(std::min(std::floor(shifted), double(m_rows) + 1));
}

std::pair<int, int> ColumnTiles::fullRows(int height, double opacity) const
{
    const double alpha = std::clamp(opacity, 0.0, 1.0);
    int first = 0;
    while (first < height && rowWeight(fadeAt(first, height), alpha) != 256)
        ++first;
    int last = first;
    while (last < height && rowWeight(fadeAt(last, height), alpha) == 256)
        ++last;
    return {first, last};
}

const std::vector<ColumnTiles::Band> &ColumnTiles::bands(int height, double offset, double opacity)
{
    plan(height, offset, opacity);
    return m_bands;
}

const std::vector<ColumnTiles::Band> &ColumnTiles::compose(
    QImage &out, double offset, double opacity, Backdrop backdrop)
{
    const int width = out.width();
    const int height = out.height();
    if (!m_layout || width != m_style.width || height <= 0) {
        // Nothing to show: an empty plan, so no band.
        plan(0, offset, opacity);
        return m_bands;
    }
    plan(height, offset, opacity);
    for (const Band &band : m_bands) {
        for (int r = band.first; r < band.last; ++r)
            writeRow(out.scanLine(r), r, 0, width, backdrop);
    }
    return m_bands;
}

void ColumnTiles::writeRow(quint8 *dst, int row, int x0, int x1, Backdrop backdrop) const
{
    if (row < 0 || row >= int(m_plan.size()))
        return;
    const RowPlan &plan = m_plan[std::size_t(row)];
    if (!plan.a && !plan.b)
        return;
    x0 = std::max(x0, 0);
    x1 = std::min(x1, m_style.width);
    if (x0 >= x1)
        return;
    const quint32 ground = backdrop == Backdrop::Black ? 0xff000000u : 0u;
    const int start = std::clamp(plan.start, x0, x1);
    const int end = std::clamp(plan.end, start, x1);
    fillPixels(dst + std::size_t(x0) * 4, start - x0, ground);
    fillPixels(dst + std::size_t(end) * 4, x1 - end, ground);
    if (plan.shade) {
        const quint8 *blank = m_blank.data();
        rows::shade(reinterpret_cast<quint32 *>(dst) + start,
            (plan.alphaA ? plan.alphaA : blank) + start,
            (plan.alphaB ? plan.alphaB : blank) + start, plan.alphaA ? plan.wa : 0,
            plan.alphaB ? plan.wb : 0, end - start, plan.shade, ground);
        return;
    }
    const std::size_t from = std::size_t(start) * 4;
    rows::blend(dst + from, (plan.a ? plan.a : m_blank.data()) + from,
        (plan.b ? plan.b : m_blank.data()) + from, plan.wa, plan.wb, (end - start) * 4, ground);
}

} // namespace qm
