// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the application icon as PNGs for the hicolor theme at install time, from the same
// drawing the program uses for its logo, so the two never drift apart.
#include "ui/logo.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fputs("usage: render_icons OUTPUT-DIR\n", stderr);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (int size : {16, 24, 32, 48, 64, 128, 256, 512}) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        qm::paintLogoMark(painter, QRectF(0, 0, size, size));
        painter.end();
        const QString dir = QStringLiteral("%1x%1/apps").arg(size);
        out.mkpath(dir);
        if (!image.save(out.filePath(dir + QStringLiteral("/org.quillmere.Quillmere.png"))))
            return 1;
    }
    return 0;
}
