// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>

namespace qm::fonts {

// Registers the embedded faces once; safe to call again. Called by the app before any window.
void install();

// Sizes are in pixels, so 19 means a 19-pixel em on every screen.
QFont system(double px, QFont::Weight weight = QFont::Normal);
// The rounded design of the system font; Inter stands in for it.
QFont rounded(double px, QFont::Weight weight = QFont::Normal);
QFont monospaced(double px, QFont::Weight weight = QFont::Normal);
// The symbol face: glyphs tint and size like text.
QFont symbols(double px);

} // namespace qm::fonts
