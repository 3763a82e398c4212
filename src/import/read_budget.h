// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDeadlineTimer>
#include <QString>

#include <atomic>

namespace qm {

// What one import may spend: wall time and bytes. Readers look at it between steps (a page, a
// few hundred XML tokens) and give up with its reason once it has run out.
struct ReadBudget {
    QDeadlineTimer deadline {QDeadlineTimer::Forever};
    // Set by whoever waits for the reader when it stops waiting.
    const std::atomic_bool *cancelled = nullptr;

    bool exhausted() const
    {
        return deadline.hasExpired() || (cancelled && cancelled->load(std::memory_order_relaxed));
    }
};

// Bounds every reader keeps to.
inline constexpr qint64 kMaxUnpackedBytes = 50 * 1024 * 1024;
// Larger texts would take the editor seconds to lay out on every change.
inline constexpr qint64 kMaxScriptChars = 16 * 1024 * 1024;
inline constexpr int kMaxPdfPages = 500;
inline constexpr int kImportSeconds = 5;

namespace reasons {
inline QString tooSlow()
{
    return QStringLiteral("reading it took longer than %1 seconds").arg(kImportSeconds);
}
inline QString tooLarge()
{
    return QStringLiteral("it is larger than %1 MB unpacked").arg(kMaxUnpackedBytes / 1024 / 1024);
}
} // namespace reasons

} // namespace qm
