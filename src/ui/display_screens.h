// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QScreen;

namespace qm {

// What a screen says about itself: the connector it hangs on, and what the monitor reports
// (from its EDID) where it does.
struct ScreenIdentity {
    QString connector;
    QString manufacturer = {};
    QString model = {};
    QString serial = {};
};

// The names display mode stores `screens` under, in order: manufacturer, model and serial where
// the monitor reports them, else the connector. Connectors follow plug order (XWayland numbers
// them), so they are the last resort; identical monitors without serials get their connector
// added to keep them apart.
QStringList displayScreenNames(const QList<ScreenIdentity> &screens);

// Which of `screens` display mode fills: the one stored as `name` (a name above, an older
// connector name, or the monitor a name was given to when its connector changed); with no name,
// the first screen other than the main window's (`mainIndex`), else the primary
// (`primaryIndex`). -1 when `name` matches no connected screen, or there is none at all.
int displayScreenIndex(
    const QString &name, const QList<ScreenIdentity> &screens, int mainIndex, int primaryIndex);

// The same choice among the connected screens; null when there is none to fill.
QScreen *displayScreen(const QString &name, const QScreen *mainScreen);

// The name a connected screen is stored under.
QString displayScreenName(const QScreen *screen);

// How the screen picker names a screen: its stored name and its size in pixels.
QString displayScreenLabel(const QScreen *screen);

} // namespace qm
