// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "read_result.h"

#include <QByteArray>
#include <QString>

namespace qm {

// The text in `bytes`: UTF-32 or UTF-16 by their byte-order mark, UTF-16 without one when every
// other byte is zero, UTF-8 (a leading mark dropped), and anything that is not valid UTF-8 as
// Windows-1252, the code page Windows editors save in (a superset of Latin-1's printable
// characters). Binary data is refused. Line ends come back as LF.
ReadResult decodeText(const QByteArray &bytes);

// CRLF and lone CR become LF.
QString normaliseLineEnds(QString text);

} // namespace qm
