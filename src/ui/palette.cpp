// SPDX-License-Identifier: GPL-3.0-or-later
#include "palette.h"

namespace qm {

QColor colorFromHex(QStringView hex)
{
    // Like a hexadecimal scanner: optional leading white space, an optional "0x", then as many
    // hex digits as there are. The value saturates instead of wrapping on very long input.
    quint64 value = 0;
    bool overflow = false;
    qsizetype i = 0;
    QString cleaned;
    cleaned.reserve(hex.size());
    for (QChar c : hex) {
        if (c != u'#')
            cleaned.append(c);
    }
    while (i < cleaned.size() && cleaned.at(i).isSpace())
        ++i;
    if (i + 1 < cleaned.size() && cleaned.at(i) == u'0'
        && (cleaned.at(i + 1) == u'x' || cleaned.at(i + 1) == u'X'))
        i += 2;
    for (; i < cleaned.size(); ++i) {
        const char16_t c = cleaned.at(i).unicode();
        int digit = -1;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        if (digit < 0)
            break;
        if (value > (~quint64(0) >> 4))
            overflow = true;
        value = (value << 4) | quint64(digit);
    }
    if (overflow)
        value = ~quint64(0);
    return QColor(int((value >> 16) & 0xFF), int((value >> 8) & 0xFF), int(value & 0xFF));
}

} // namespace qm
