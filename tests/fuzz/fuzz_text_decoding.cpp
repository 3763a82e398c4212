// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: any bytes through the encoding detection. Decoding must not crash, and what
// it accepts comes back with LF line ends only.
#include "import/text_decoding.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const qm::ReadResult result = qm::decodeText(bytes);
    if (result.ok() && result.text.contains(u'\r'))
        std::abort();
    return 0;
}
