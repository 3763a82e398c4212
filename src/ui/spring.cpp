// SPDX-License-Identifier: GPL-3.0-or-later
#include "spring.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qm {

double Spring::value(double t) const
{
    if (t <= 0)
        return 0;
    const double omega = 2 * std::numbers::pi / std::max(response, 1e-6);
    const double zeta = std::clamp(damping, 0.0, 1.0);
    if (zeta >= 1.0)
        return 1 - std::exp(-omega * t) * (1 + omega * t);
    const double wd = omega * std::sqrt(1 - zeta * zeta);
    const double decay = std::exp(-zeta * omega * t);
    return 1 - decay * (std::cos(wd * t) + (zeta * omega / wd) * std::sin(wd * t));
}

double Spring::settleTime() const
{
    const double omega = 2 * std::numbers::pi / std::max(response, 1e-6);
    const double zeta = std::clamp(damping, 0.05, 1.0);
    // The envelope e^(-zeta*omega*t) bounds the error; 0.1 % is invisible.
    return std::log(1000.0) / (zeta * omega);
}

double easeOut(double t, double duration)
{
    if (duration <= 0 || t >= duration)
        return 1;
    if (t <= 0)
        return 0;
    const double u = 1 - t / duration;
    return 1 - u * u * u;
}

} // namespace qm
