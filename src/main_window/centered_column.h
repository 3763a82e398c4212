// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "editor.h"

#include <QWidget>

namespace qm {

// Holds one child at most kMaxTextWidth wide, padded on both sides and centred, so that on a
// wide window the text keeps a readable measure and sits in the middle. The child reaches
// kBleed into the padding on each side (its layout keeps its content out of it), so that the
// start button's glow is not cut at the column's edge.
class CenteredColumn final : public QWidget {
public:
    static constexpr int kBleed = 24;

    explicit CenteredColumn(QWidget *parent)
        : QWidget(parent)
    {
    }

    void setChild(QWidget *child)
    {
        m_child = child;
        child->setParent(this);
        place();
    }

    QSize sizeHint() const override { return padded(m_child ? m_child->sizeHint() : QSize()); }
    QSize minimumSizeHint() const override
    {
        return padded(m_child ? m_child->minimumSizeHint() : QSize());
    }

protected:
    void resizeEvent(QResizeEvent *) override { place(); }

private:
    static QSize padded(QSize s)
    {
        const int content = s.width() - 2 * kBleed;
        return {qMin(content, Editor::kMaxTextWidth) + 2 * Editor::kSidePadding, s.height()};
    }

    void place()
    {
        if (!m_child)
            return;
        const int inner = qMax(0, width() - 2 * Editor::kSidePadding);
        const int w = qMin(inner, Editor::kMaxTextWidth);
        m_child->setGeometry((width() - w) / 2 - kBleed, 0, w + 2 * kBleed, height());
    }

    QWidget *m_child = nullptr;
};

} // namespace qm
