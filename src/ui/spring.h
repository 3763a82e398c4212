// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace qm {

// A critically or under-damped spring from 0 to 1 with unit mass, described the way designers
// give it: the response (period of the undamped oscillation, seconds) and the damping fraction.
struct Spring {
    double response = 0.5;
    double damping = 0.825;

    // Progress at `t` seconds after the start; may overshoot 1 slightly when under-damped.
    double value(double t) const;
    // Time after which the spring stays within 0.1 % of its target.
    double settleTime() const;
};

// Ease-out (cubic) over a fixed duration; `t` in seconds.
double easeOut(double t, double duration);

} // namespace qm
