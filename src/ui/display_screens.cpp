// SPDX-License-Identifier: GPL-3.0-or-later
#include "display_screens.h"

#include <QGuiApplication>
#include <QScreen>

namespace qm {

namespace {

// Manufacturer, model and serial; empty when the monitor reports neither maker nor model.
QString madeAs(const ScreenIdentity &screen)
{
    const QString maker = screen.manufacturer.trimmed();
    const QString model = screen.model.trimmed();
    if (maker.isEmpty() && model.isEmpty())
        return {};
    QStringList parts;
    for (const QString &part : {maker, model, screen.serial.trimmed()}) {
        if (!part.isEmpty())
            parts.append(part);
    }
    return parts.join(u' ');
}

// A name with the connector added, "Dell P2419H (DP-2)", without it.
QString withoutConnector(const QString &name)
{
    if (!name.endsWith(u')'))
        return name;
    const qsizetype open = name.lastIndexOf(QStringLiteral(" ("));
    return open > 0 ? name.left(open) : name;
}

QList<ScreenIdentity> connectedScreens()
{
    QList<ScreenIdentity> out;
    for (const QScreen *screen : QGuiApplication::screens())
        out.append(
            {screen->name(), screen->manufacturer(), screen->model(), screen->serialNumber()});
    return out;
}

} // namespace

QStringList displayScreenNames(const QList<ScreenIdentity> &screens)
{
    QStringList made;
    for (const ScreenIdentity &screen : screens)
        made.append(madeAs(screen));
    QStringList names;
    for (qsizetype i = 0; i < screens.size(); ++i) {
        if (made.at(i).isEmpty())
            names.append(screens.at(i).connector);
        else if (made.count(made.at(i)) > 1)
            names.append(made.at(i) + QStringLiteral(" (") + screens.at(i).connector + u')');
        else
            names.append(made.at(i));
    }
    return names;
}

int displayScreenIndex(
    const QString &name, const QList<ScreenIdentity> &screens, int mainIndex, int primaryIndex)
{
    if (!name.isEmpty()) {
        if (const qsizetype i = displayScreenNames(screens).indexOf(name); i >= 0)
            return int(i);
        for (qsizetype i = 0; i < screens.size(); ++i) {
            if (screens.at(i).connector == name)
                return int(i);
        }
        // The monitor it was stored for, now on another connector or joined by a twin.
        const QString made = withoutConnector(name);
        for (qsizetype i = 0; i < screens.size(); ++i) {
            if (madeAs(screens.at(i)) == made)
                return int(i);
        }
        return -1;
    }
    for (int i = 0; i < screens.size(); ++i) {
        if (i != mainIndex)
            return i;
    }
    if (primaryIndex >= 0 && primaryIndex < screens.size())
        return primaryIndex;
    return screens.isEmpty() ? -1 : 0;
}

QScreen *displayScreen(const QString &name, const QScreen *mainScreen)
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    const int index = displayScreenIndex(name, connectedScreens(),
        int(screens.indexOf(const_cast<QScreen *>(mainScreen))),
        int(screens.indexOf(QGuiApplication::primaryScreen())));
    return index < 0 ? nullptr : screens.at(index);
}

QString displayScreenName(const QScreen *screen)
{
    const qsizetype i = QGuiApplication::screens().indexOf(const_cast<QScreen *>(screen));
    return i < 0 ? screen->name() : displayScreenNames(connectedScreens()).at(i);
}

QString displayScreenLabel(const QScreen *screen)
{
    // Physical pixels: what the monitor's own menu and the display settings call it.
    const QSize size = screen->geometry().size() * screen->devicePixelRatio();
    return displayScreenName(screen) + QStringLiteral("  ") + QString::number(size.width())
        + QStringLiteral(" × ") + QString::number(size.height());
}

} // namespace qm
