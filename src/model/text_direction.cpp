// SPDX-License-Identifier: GPL-3.0-or-later
#include "text_direction.h"

#include <QChar>

namespace qm {

Qt::LayoutDirection paragraphDirection(QStringView paragraph)
{
    int isolates = 0;
    for (qsizetype i = 0; i < paragraph.size(); ++i) {
        char32_t c = paragraph.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < paragraph.size()
            && paragraph.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(paragraph.at(i), paragraph.at(i + 1));
            ++i;
        }
        switch (QChar::direction(c)) {
        case QChar::DirL:
            if (isolates == 0)
                return Qt::LeftToRight;
            break;
        case QChar::DirR:
        case QChar::DirAL:
            if (isolates == 0)
                return Qt::RightToLeft;
            break;
        case QChar::DirLRI:
        case QChar::DirRLI:
        case QChar::DirFSI:
            ++isolates;
            break;
        case QChar::DirPDI:
            if (isolates > 0)
                --isolates;
            break;
        default:
            break;
        }
    }
    return Qt::LayoutDirectionAuto;
}

bool hasJoiningLetters(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text.at(i).unicode();
        // Joining scripts all lie above Latin, Greek and Cyrillic.
        if (c < 0x0600)
            continue;
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            ++i;
        }
        switch (QChar::joiningType(c)) {
        case QChar::Joining_Dual:
        case QChar::Joining_Right:
        case QChar::Joining_Left:
            return true;
        default:
            break;
        }
    }
    return false;
}

} // namespace qm
