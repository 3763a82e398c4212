// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

namespace qm {

class Store;

// Measurement only, active with QUILLMERE_TRACE set: marks the main window's first paint and
// every change of the scripts and every screen added, and
// with QUILLMERE_TRACE_FONT_STEP=<seconds> raises the font size by one point once after that
// delay, through the store as the settings slider does, so the re-layout can be timed. The
// step is never saved: the settings file stays as the user left it.
void installTraceHooks(Store &store, QWidget *mainWindow);

} // namespace qm
