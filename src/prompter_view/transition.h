// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/spring.h"

namespace qm {

// A value moving from `from` to `to`, started at `start` seconds, along a spring or an ease-out.
// Retargeting starts from wherever the value is now, so a reversal mid-way never jumps.
struct Transition {
    enum class Curve { Spring, EaseOut };
    Curve curve = Curve::EaseOut;
    Spring spring;
    double duration = 0; // ease-out only
    double from = 0;
    double to = 0;
    double start = 0;

    double at(double now) const
    {
        const double progress
            = curve == Curve::Spring ? spring.value(now - start) : easeOut(now - start, duration);
        return from + (to - from) * progress;
    }
    bool settled(double now) const
    {
        return curve == Curve::Spring ? now - start >= spring.settleTime()
                                      : now - start >= duration;
    }
    void retarget(double target, double now)
    {
        if (target == to)
            return;
        from = settled(now) ? to : at(now);
        to = target;
        start = now;
    }
    void jump(double value)
    {
        from = to = value;
        start = -1e9;
    }
};

} // namespace qm
