// SPDX-License-Identifier: GPL-3.0-or-later
#include "display_screens.h"

#include <QGuiApplication>
#include <QScreen>

namespace qm {

int displayScreenIndex(
    const QString &name, const QStringList &names, int mainIndex, int primaryIndex)
{
    if (!name.isEmpty())
        return int(names.indexOf(name));
    for (int i = 0; i < names.size(); ++i) {
        if (i != mainIndex)
            return i;
    }
    if (primaryIndex >= 0 && primaryIndex < names.size())
        return primaryIndex;
    return names.isEmpty() ? -1 : 0;
}

QScreen *displayScreen(const QString &name, const QScreen *mainScreen)
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    QStringList names;
    for (const QScreen *screen : screens)
        names.append(screen->name());
    const int index
        = displayScreenIndex(name, names, int(screens.indexOf(const_cast<QScreen *>(mainScreen))),
            int(screens.indexOf(QGuiApplication::primaryScreen())));
    return index < 0 ? nullptr : screens.at(index);
}

QString displayScreenLabel(const QScreen *screen)
{
    // Physical pixels: what the monitor's own menu and the display settings call it.
    const QSize size = screen->geometry().size() * screen->devicePixelRatio();
    return screen->name() + QStringLiteral("  ") + QString::number(size.width())
        + QStringLiteral(" × ") + QString::number(size.height());
}

} // namespace qm
