// SPDX-License-Identifier: GPL-3.0-or-later
#include "snapshot.h"

#include "ui/screen_coords.h"
#include "ui/window_registry.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QPixmap>
#include <QSaveFile>
#include <QStringList>
#include <QWidget>

#include <cmath>

namespace qm {

QString formatFrameNumber(double value)
{
    if (!std::isfinite(value))
        return std::isnan(value) ? QStringLiteral("nan")
                                 : (value > 0 ? QStringLiteral("inf") : QStringLiteral("-inf"));
    QString s = QString::number(value, 'g', QLocale::FloatingPointShortest);
    if (!s.contains(u'.') && !s.contains(u'e'))
        s += QStringLiteral(".0");
    return s;
}

QString windowLine(const QString &title, bool visible, bool minimized, const QRectF &frame)
{
    auto flag = [](bool b) { return b ? QStringLiteral("true") : QStringLiteral("false"); };
    return title + QStringLiteral(" visible=") + flag(visible) + QStringLiteral(" mini=")
        + flag(minimized) + QStringLiteral(" frame=(") + formatFrameNumber(frame.x())
        + QStringLiteral(", ") + formatFrameNumber(frame.y()) + QStringLiteral(", ")
        + formatFrameNumber(frame.width()) + QStringLiteral(", ")
        + formatFrameNumber(frame.height()) + u')';
}

QRectF snapshotFrame(const QWidget *window)
{
    return flipVertically(QRectF(window->geometry()), primaryScreenHeight());
}

void snapshot(const QString &directory)
{
    const QDir dir(directory);
    const QList<QWidget *> windows = WindowRegistry::windows();

    QStringList lines;
    for (const QWidget *w : windows)
        lines.append(
            windowLine(w->windowTitle(), w->isVisible(), w->isMinimized(), snapshotFrame(w)));
    if (dir.exists()) {
        QSaveFile list(dir.filePath(QStringLiteral("windows.txt")));
        if (list.open(QIODevice::WriteOnly)) {
            list.write(lines.join(u'\n').toUtf8());
            list.commit();
        }
    }

    int n = 0;
    for (QWidget *w : windows) {
        if (!w->isVisible() || w->width() <= 60)
            continue;
        const QPixmap image = w->grab();
        if (image.isNull())
            continue;
        ++n;
        const QString name = QStringLiteral("window") + QString::number(n) + u'-'
            + QString::number(w->width()) + u'x' + QString::number(w->height())
            + QStringLiteral(".png");
        if (dir.exists())
            image.save(dir.filePath(name), "PNG");
    }
}

} // namespace qm
