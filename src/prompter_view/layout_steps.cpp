// SPDX-License-Identifier: GPL-3.0-or-later
#include "layout_steps.h"

#include "platform/trace.h"

#include <limits>

namespace qm {

LayoutSteps::LayoutSteps(Published published)
    : m_published(std::move(published))
{
    // Each step lays out a few milliseconds' worth of a long script, between frames.
    m_steps.setInterval(0);
    QObject::connect(&m_steps, &QTimer::timeout, [this] {
        if (!m_layouter) {
            m_steps.stop();
            return;
        }
        if (m_layouter->advance(std::numeric_limits<double>::infinity(), kStepBudget))
            publish(false);
    });
}

void LayoutSteps::restart(
    QList<ScriptSection> sections, double width, double fontSize, double needed)
{
    m_layouter = std::make_unique<ColumnLayouter>(std::move(sections), width, fontSize);
    // What is in view (and a screenful beyond) now, the rest in short steps between frames.
    m_layouter->advance(needed);
    publish(true);
}

void LayoutSteps::reach(double needed, double ahead)
{
    if (m_layouter && m_layout && needed > m_layout->exactUntil) {
        m_layouter->advance(needed + ahead);
        publish(false);
    }
}

void LayoutSteps::publish(bool fresh)
{
    const double before = m_layout ? m_layout->exactUntil : 0;
    m_layout = std::make_shared<const ColumnLayout>(m_layouter->snapshot());
    if (m_layout->complete) {
        m_layouter.reset();
        m_steps.stop();
        trace("layout-complete");
    } else if (!m_steps.isActive()) {
        m_steps.start();
    }
    m_published(fresh, before);
}

} // namespace qm
