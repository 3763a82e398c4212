// SPDX-License-Identifier: GPL-3.0-or-later
#include "zip_package.h"

#include "xml_part.h"

#include <quazip.h>
#include <quazipfile.h>
#include <quazipfileinfo.h>
#include <unzip.h>

namespace qm {

namespace reasons {
QString damaged()
{
    return QStringLiteral("the file is cut short or damaged");
}
} // namespace reasons

ZipPackage::ZipPackage(const QByteArray &bytes)
    : m_bytes(bytes)
{
    m_buffer.setBuffer(&m_bytes);
}

ZipPackage::~ZipPackage() = default;

bool ZipPackage::open()
{
    if (!m_buffer.open(QIODevice::ReadOnly)) {
        m_error = reasons::damaged();
        return false;
    }
    m_zip = std::make_unique<QuaZip>(&m_buffer);
    m_zip->setAutoClose(false);
    // A zip without its central directory (a download or copy cut short) does not open.
    if (!m_zip->open(QuaZip::mdUnzip)) {
        m_error = reasons::damaged();
        m_zip.reset();
        return false;
    }
    return true;
}

bool ZipPackage::contains(const QString &name) const
{
    return m_zip && m_zip->setCurrentFile(name, QuaZip::csSensitive);
}

std::optional<QByteArray> ZipPackage::read(const QString &name, const ReadBudget &budget)
{
    if (!m_zip || !m_zip->setCurrentFile(name, QuaZip::csSensitive)) {
        m_error = QStringLiteral("it has no %1 inside").arg(name);
        return std::nullopt;
    }
    QuaZipFileInfo64 info;
    if (!m_zip->getCurrentFileInfo(&info)) {
        m_error = reasons::damaged();
        return std::nullopt;
    }
    if (info.isEncrypted()) {
        m_error = QStringLiteral("it is protected by a password");
        return std::nullopt;
    }
    const qint64 stated = qint64(std::min<quint64>(info.uncompressedSize, quint64(1) << 62));
    if (stated > kRatioFloor
        && stated / std::max<qint64>(1, qint64(info.compressedSize)) > kMaxZipRatio) {
        m_error = QStringLiteral("%1 inside unpacks to over %2 times its packed size, as a zip "
                                 "bomb does")
                      .arg(name)
                      .arg(kMaxZipRatio);
        return std::nullopt;
    }
    if (m_unpacked + stated > kMaxUnpackedBytes) {
        m_error = reasons::tooLarge();
        return std::nullopt;
    }

    QuaZipFile file(m_zip.get());
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = reasons::damaged();
        return std::nullopt;
    }
    // Read no further than the stated size: a header that understates it is damage (or an
    // attempt to slip past the checks above).
    QByteArray out;
    out.reserve(qsizetype(stated));
    char chunk[64 * 1024];
    while (true) {
        if (budget.exhausted()) {
            m_error = reasons::tooSlow();
            return std::nullopt;
        }
        const qint64 got = file.read(chunk, sizeof chunk);
        if (got < 0) {
            m_error = reasons::damaged();
            return std::nullopt;
        }
        if (got == 0)
            break;
        out.append(chunk, qsizetype(got));
        if (out.size() > stated) {
            m_error = reasons::damaged();
            return std::nullopt;
        }
    }
    file.close();
    if (file.getZipError() != UNZ_OK || out.size() != stated) {
        m_error = reasons::damaged();
        return std::nullopt;
    }
    m_unpacked += out.size();
    return out;
}

QString readZipXml(ZipPackage &zip, const QString &name, const ReadBudget &budget,
    const std::function<void(XmlPart &)> &read)
{
    const std::optional<QByteArray> bytes = zip.read(name, budget);
    if (!bytes)
        return zip.error();
    XmlPart xml(*bytes, name, budget);
    read(xml);
    return xml.error();
}

} // namespace qm
