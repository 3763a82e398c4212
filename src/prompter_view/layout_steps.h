// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "prompter_layout.h"

#include <QTimer>

#include <functional>
#include <memory>

namespace qm {

// Lays out the script column from the top: what is needed at once straight away, the rest of a
// long script in short steps between frames. Each step that gets further publishes the column
// as it stands.
class LayoutSteps final {
public:
    // `fresh` is true for a column started over, false for one that only grew; `before` is how
    // far the last published column was exact.
    using Published = std::function<void(bool fresh, double before)>;

    explicit LayoutSteps(Published published);
    LayoutSteps(const LayoutSteps &) = delete;
    LayoutSteps &operator=(const LayoutSteps &) = delete;

    // Starts the column over and lays it out exactly down to `needed` points before it returns.
    void restart(QList<ScriptSection> sections, double width, double fontSize, double needed);
    // Lays out down to `needed` + `ahead` at once when the exact part stops short of `needed`.
    void reach(double needed, double ahead);

    // The column as last published; null before the first restart().
    const std::shared_ptr<const ColumnLayout> &layout() const { return m_layout; }
    bool complete() const { return !m_layouter; }

    static constexpr double kStepBudget = 0.004; // seconds

private:
    void publish(bool fresh);

    Published m_published;
    std::shared_ptr<const ColumnLayout> m_layout;
    // Gone once the column is complete.
    std::unique_ptr<ColumnLayouter> m_layouter;
    QTimer m_steps;
};

} // namespace qm
