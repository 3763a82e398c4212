// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringView>

#include <Qt>

namespace qm {

// The direction a paragraph is read in, as the Unicode bidirectional algorithm finds it: that
// of its first letter with a strong direction, text inside isolates skipped. A paragraph with
// none (blank, digits, punctuation) gives Qt::LayoutDirectionAuto: it has no side of its own.
Qt::LayoutDirection paragraphDirection(QStringView paragraph);

// True when the text has letters that join their neighbours (Arabic, Syriac, N'Ko, Mongolian
// and the like): letter spacing would pull them apart and break the joins.
bool hasJoiningLetters(QStringView text);

} // namespace qm
