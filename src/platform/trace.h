// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Timestamps for measuring the running program, and nothing else. With QUILLMERE_TRACE=<file>
// set, each call appends "<event> <ns>" to that file, ns being CLOCK_MONOTONIC (the clock
// Python's time.monotonic_ns() reads, so a launcher can measure from its own exec). Without the
// variable every call returns at once. GUI thread only.

namespace qm {

bool traceEnabled();
// A rare event, written out at once so a watcher sees it while the program runs.
void trace(const char *event);
// Writes "<begin>"; the first frame after the next traceLayoutBuilt() writes "<end>".
void traceBegin(const char *begin, const char *end);
// The prompter's column layout was rebuilt; the pending end event waits for its paint.
void traceLayoutBuilt();
// One prompter frame painted: buffered in memory, written out by a timer and at exit, so a
// paint never waits for the disk.
void traceFrame();
// A refresh whose frame is the one already shown (the text moved less than a device pixel and
// nothing else changed): "same", buffered as frames are.
void traceUnchanged();
// A frame whose scrolled text the display server moved itself: "moved", before its "frame".
void traceScrolled();
// One display refresh the prompter drew on: "msc <msc> <ust>", buffered as frames are.
void traceRefresh(unsigned long long msc, long long ust);
// Device pixels a frame handed to the display server ("sent <ns> <pixels>") or had it move
// within the window ("copied <ns> <pixels>"), buffered as frames are.
void tracePixels(const char *event, long long pixels);
void traceFlush();

} // namespace qm
