// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

class QScreen;

namespace qm {

// Which of the screens `names` display mode fills: the one called `name`; with no name, the
// first screen other than the main window's (`mainIndex`), else the primary (`primaryIndex`).
// -1 when `name` names no connected screen, or there is none at all.
int displayScreenIndex(
    const QString &name, const QStringList &names, int mainIndex, int primaryIndex);

// The same choice among the connected screens; null when there is none to fill.
QScreen *displayScreen(const QString &name, const QScreen *mainScreen);

// How the screen picker names a screen: its name and its size in pixels.
QString displayScreenLabel(const QScreen *screen);

} // namespace qm
