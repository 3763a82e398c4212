// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: any bytes as a .docx and as an .odt file (the zip container and all).
#include "import/docx_reader.h"
#include "import/odt_reader.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    qm::readDocx(bytes, {});
    qm::readOdt(bytes, {});
    return 0;
}
