// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: any bytes as the XML inside a well-formed container, so mutations reach the
// readers' XML handling instead of failing the zip's checksums. The first byte picks the
// format: even for word/document.xml in a .docx, odd for content.xml in an .odt.
#include "import/docx_reader.h"
#include "import/odt_reader.h"

#include <QBuffer>

#include <quazip.h>
#include <quazipfile.h>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const bool docx = data[0] % 2 == 0;
    const QByteArray xml(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    QByteArray zipped;
    {
        QBuffer buffer(&zipped);
        QuaZip zip(&buffer);
        if (!zip.open(QuaZip::mdCreate))
            return 0;
        QuaZipFile part(&zip);
        if (!part.open(QIODevice::WriteOnly,
                QuaZipNewInfo(
                    docx ? QStringLiteral("word/document.xml") : QStringLiteral("content.xml"))))
            return 0;
        part.write(xml);
        part.close();
        zip.close();
    }
    if (docx)
        qm::readDocx(zipped, {});
    else
        qm::readOdt(zipped, {});
    return 0;
}
