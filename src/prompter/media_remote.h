// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/settings.h"

#include <QString>
#include <QtGlobal>

#include <optional>

namespace qm::media {

// How the prompter reads to a media remote (media keys, a headset, a phone, playerctl): a
// player whose track is the selected script, whose position is the reading time to the current
// offset at the default speed, and whose rate is the speed against the default one, so the
// position advances at the rate as remotes extrapolate it. Pure
// arithmetic, so the whole table is tested without a bus.

enum class PlaybackStatus { Playing, Paused, Stopped };

PlaybackStatus playbackStatus(bool visible, bool playing);
QString statusName(PlaybackStatus status);

// Microseconds of reading from the top to `offset` points at `speed` points a second. A speed
// below 1 counts as 1, as the time-left figure does, so nothing divides by zero.
qint64 positionMicros(double offset, double speed);
// The offset `micros` of reading from the top reaches at `speed`.
double offsetAtMicros(qint64 micros, double speed);
// Points to scroll for a seek of `micros` (positive moves the text up).
double scrollForSeek(qint64 micros, double speed);

// The rate shown for `speed`: 1 at the default speed.
double rateForSpeed(double speed, double defaultSpeed);
// The speed a requested rate asks for, kept within the speed range; nothing for a rate that
// is not a positive finite number (the player then keeps its speed).
std::optional<double> speedForRate(double rate, double defaultSpeed);

// Whether the offset moving from `before` to `after` over `seconds` is more than playing at
// `speed` explains: a hand scroll, a jump or the end of a glide, which remotes hear as a seek.
bool isSeek(double before, double after, bool playing, double speed, double seconds);

// The track id of a script: an object path made from its id, or the no-track path for none.
QString trackIdPath(const QString &scriptId);

} // namespace qm::media
