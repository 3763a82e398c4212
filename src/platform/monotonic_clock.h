// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace qm {

// Seconds on a monotonic clock from an arbitrary start: the default clock of everything that
// animates or measures time; tests inject their own instead.
double monotonicSeconds();

} // namespace qm
