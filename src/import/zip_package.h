// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "read_budget.h"

#include <QBuffer>
#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QuaZip;

namespace qm {

class XmlPart;

// A document's zip container (.docx, .odt, .pptx) read from memory, with the bounds a file
// from anywhere needs: parts may unpack to kMaxUnpackedBytes together, a part that unpacks to
// more than kMaxZipRatio times its packed size is a zip bomb, and a part that does not match
// its checksum or its stated size is damage.
class ZipPackage final {
public:
    explicit ZipPackage(const QByteArray &bytes);
    ~ZipPackage();
    ZipPackage(const ZipPackage &) = delete;
    ZipPackage &operator=(const ZipPackage &) = delete;

    // False, with error() saying why, when the bytes are no complete zip archive.
    bool open();
    bool contains(const QString &name) const;
    // The unpacked part, or nothing with error() set (a missing part too).
    std::optional<QByteArray> read(const QString &name, const ReadBudget &budget);
    QString error() const { return m_error; }

    static constexpr qint64 kMaxZipRatio = 100;
    // Small parts may pack very well (a page of one repeated character) without harm.
    static constexpr qint64 kRatioFloor = 1024 * 1024;

private:
    QByteArray m_bytes;
    QBuffer m_buffer;
    std::unique_ptr<QuaZip> m_zip;
    QString m_error;
    qint64 m_unpacked = 0;
};

// Unpacks the XML part `name` and hands it to `read`; returns why that failed (the unpacking or
// the XML), or nothing.
QString readZipXml(ZipPackage &zip, const QString &name, const ReadBudget &budget,
    const std::function<void(XmlPart &)> &read);

// The reasons a package gives.
namespace reasons {
QString damaged();
} // namespace reasons

} // namespace qm
