// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace qm::symbols {

// Glyphs of the embedded symbol face, named after what they show.
inline const QString restart = QString(QChar(0xe045)); // skip to start
inline const QString chevronLeft = QString(QChar(0xe5cb));
inline const QString chevronRight = QString(QChar(0xe5cc));
inline const QString play = QString(QChar(0xe037));
inline const QString pause = QString(QChar(0xe034));
inline const QString minus = QString(QChar(0xe15b));
inline const QString plus = QString(QChar(0xe145));
inline const QString close = QString(QChar(0xe5cd));
inline const QString mic = QString(QChar(0xe029));
inline const QString micOff = QString(QChar(0xe02b));
inline const QString lock = QString(QChar(0xe897));
inline const QString importFile = QString(QChar(0xe2c4));
inline const QString trash = QString(QChar(0xe872));
inline const QString keyboard = QString(QChar(0xe312));
inline const QString laptop = QString(QChar(0xe320));
inline const QString textSize = QString(QChar(0xe245));
inline const QString scrolling = QString(QChar(0xe8d5));
inline const QString eyeSlash = QString(QChar(0xe8f5));
inline const QString stop = QString(QChar(0xe047));
inline const QString viewfinder = QString(QChar(0xe3b4));
inline const QString numberSign = QString(QChar(0xe9ef)); // the "tag" glyph, a bold #
inline const QString phone = QString(QChar(0xe32c)); // smartphone

} // namespace qm::symbols
