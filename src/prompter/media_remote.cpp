// SPDX-License-Identifier: GPL-3.0-or-later
#include "media_remote.h"

#include <algorithm>
#include <cmath>

namespace qm::media {

namespace {

double effectiveSpeed(double speed)
{
    return std::isfinite(speed) ? std::max(speed, 1.0) : 1.0;
}

} // namespace

PlaybackStatus playbackStatus(bool visible, bool playing)
{
    if (!visible)
        return PlaybackStatus::Stopped;
    return playing ? PlaybackStatus::Playing : PlaybackStatus::Paused;
}

QString statusName(PlaybackStatus status)
{
    switch (status) {
    case PlaybackStatus::Playing:
        return QStringLiteral("Playing");
    case PlaybackStatus::Paused:
        return QStringLiteral("Paused");
    case PlaybackStatus::Stopped:
        break;
    }
    return QStringLiteral("Stopped");
}

qint64 positionMicros(double offset, double speed)
{
    if (!std::isfinite(offset) || offset <= 0)
        return 0;
    return qint64(std::llround(offset / effectiveSpeed(speed) * 1e6));
}

double offsetAtMicros(qint64 micros, double speed)
{
    return std::max(double(micros), 0.0) / 1e6 * effectiveSpeed(speed);
}

double scrollForSeek(qint64 micros, double speed)
{
    return double(micros) / 1e6 * effectiveSpeed(speed);
}

double rateForSpeed(double speed, double defaultSpeed)
{
    return effectiveSpeed(speed) / effectiveSpeed(defaultSpeed);
}

std::optional<double> speedForRate(double rate, double defaultSpeed)
{
    if (!std::isfinite(rate) || rate <= 0)
        return std::nullopt;
    return limits::speed.clamp(rate * effectiveSpeed(defaultSpeed));
}

bool isSeek(double before, double after, bool playing, double speed, double seconds)
{
    const double moved = after - before;
    if (moved == 0)
        return false;
    if (!playing || moved < 0)
        return true;
    // Frames arrive late under load; half again the distance, and a point for rounding, is
    // still playing.
    return moved > 1.5 * std::max(seconds, 0.0) * effectiveSpeed(speed) + 1;
}

QString trackIdPath(const QString &scriptId)
{
    QString element;
    for (const QChar c : scriptId) {
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')
            || (c >= u'0' && c <= u'9') || c == u'_';
        if (plain)
            element += c;
        else if (c == u'-')
            element += u'_';
    }
    if (element.isEmpty())
        return QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");
    return QStringLiteral("/org/quillmere/Quillmere/script/s") + element;
}

} // namespace qm::media
