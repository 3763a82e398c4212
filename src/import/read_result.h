// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace qm {

// A reader's answer: the script's text, or why there is none.
struct ReadResult {
    QString text;
    QString error;

    bool ok() const { return error.isEmpty(); }
    static ReadResult fail(QString why) { return {QString(), std::move(why)}; }
    static ReadResult of(QString text) { return {std::move(text), QString()}; }
};

} // namespace qm
