// SPDX-License-Identifier: GPL-3.0-or-later
#include "compositor.h"

namespace qm::platform {

struct CompositorWatch::State { };

CompositorWatch::CompositorWatch(std::function<void(bool)>)
{
}
CompositorWatch::~CompositorWatch() = default;
bool CompositorWatch::running() const
{
    return true;
}

} // namespace qm::platform
