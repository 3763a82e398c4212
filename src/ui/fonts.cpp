// SPDX-License-Identifier: GPL-3.0-or-later
#include "fonts.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>

namespace qm::fonts {

namespace {

const char *const kFaces[] = {
    ":/fonts/Inter-Regular.otf",
    ":/fonts/Inter-Medium.otf",
    ":/fonts/Inter-SemiBold.otf",
    ":/fonts/Inter-Bold.otf",
    ":/fonts/Inter-ExtraBold.otf",
    ":/fonts/Inter-Black.otf",
    ":/fonts/JetBrainsMono-Regular.ttf",
    ":/fonts/JetBrainsMono-Medium.ttf",
    ":/fonts/JetBrainsMono-SemiBold.ttf",
    ":/fonts/JetBrainsMono-Bold.ttf",
    ":/fonts/MaterialIcons-Regular.ttf",
};

QFont make(const QString &family, double px, QFont::Weight weight)
{
    QFont f(family);
    if (px == double(qRound(px))) {
        f.setPixelSize(qMax(1, qRound(px)));
    } else {
        // setPixelSize takes whole pixels; fractional sizes (10.5, 15.5) go through the point
        // size at the screen's logical resolution, which gives the same pixel em.
        const QScreen *screen = QGuiApplication::primaryScreen();
        const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
        f.setPointSizeF(px * 72.0 / dpi);
    }
    f.setWeight(weight);
    f.setStyleStrategy(QFont::PreferAntialias);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

} // namespace

void install()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    for (const char *face : kFaces)
        QFontDatabase::addApplicationFont(QString::fromLatin1(face));
}

QFont system(double px, QFont::Weight weight)
{
    return make(QStringLiteral("Inter"), px, weight);
}

QFont rounded(double px, QFont::Weight weight)
{
    return make(QStringLiteral("Inter"), px, weight);
}

QFont monospaced(double px, QFont::Weight weight)
{
    return make(QStringLiteral("JetBrains Mono"), px, weight);
}

QFont symbols(double px)
{
    return make(QStringLiteral("Material Icons"), px, QFont::Normal);
}

} // namespace qm::fonts
