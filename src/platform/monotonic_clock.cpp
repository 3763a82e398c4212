// SPDX-License-Identifier: GPL-3.0-or-later
#include "monotonic_clock.h"

#include <QElapsedTimer>

namespace qm {

double monotonicSeconds()
{
    static const QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return double(clock.nsecsElapsed()) / 1e9;
}

} // namespace qm
