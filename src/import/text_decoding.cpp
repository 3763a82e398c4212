// SPDX-License-Identifier: GPL-3.0-or-later
#include "text_decoding.h"

#include <QStringDecoder>

namespace qm {

namespace {

// Windows-1252's 0x80-0x9F, for a Qt built without ICU (where the code page has no decoder);
// the five bytes the code page leaves undefined keep their C1 code points, as Windows does.
constexpr char16_t kCp1252High[32]
    = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString decodeCp1252(const QByteArray &bytes)
{
    QStringDecoder decoder("windows-1252", QStringDecoder::Flag::Stateless);
    if (decoder.isValid())
        return decoder.decode(bytes);
    QString out(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes.at(i));
        out[i] = byte >= 0x80 && byte < 0xA0 ? QChar(kCp1252High[byte - 0x80]) : QChar(byte);
    }
    return out;
}

bool startsWith(const QByteArray &bytes, std::initializer_list<unsigned char> mark)
{
    if (bytes.size() < qsizetype(mark.size()))
        return false;
    qsizetype i = 0;
    for (const unsigned char b : mark) {
        if (static_cast<unsigned char>(bytes.at(i++)) != b)
            return false;
    }
    return true;
}

// UTF-16 saved without a mark (some exporters do): text in the Latin range then has a zero in
// every other byte. Returns the byte order when the zeros fall clearly on one side.
std::optional<QStringConverter::Encoding> unmarkedUtf16(const QByteArray &bytes)
{
    if (bytes.size() < 2 || bytes.size() % 2 != 0)
        return std::nullopt;
    qsizetype evenZeros = 0;
    qsizetype oddZeros = 0;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        evenZeros += bytes.at(i) == 0;
        oddZeros += bytes.at(i + 1) == 0;
    }
    const qsizetype pairs = bytes.size() / 2;
    if (oddZeros * 2 > pairs && evenZeros * 20 < pairs)
        return QStringConverter::Utf16LE;
    if (evenZeros * 2 > pairs && oddZeros * 20 < pairs)
        return QStringConverter::Utf16BE;
    return std::nullopt;
}

// Every surrogate in its pair (Qt's UTF-16 decoder passes lone ones through).
bool pairedSurrogates(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return false;
    }
    return true;
}

ReadResult decodeWith(QStringConverter::Encoding encoding, QByteArrayView bytes, const char *name)
{
    const qsizetype unit
        = encoding == QStringConverter::Utf32LE || encoding == QStringConverter::Utf32BE
        ? 4
        : (encoding == QStringConverter::Utf8 ? 1 : 2);
    // Stateless: a sequence cut off at the end is an error, not state kept for a next call.
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError() || bytes.size() % unit != 0 || !pairedSurrogates(text))
        return ReadResult::fail(QStringLiteral("it is not valid %1 text").arg(QLatin1String(name)));
    return ReadResult::of(std::move(text));
}

// Control characters other than tab, line and page breaks mean the bytes were never text.
bool looksBinary(const QString &text)
{
    qsizetype controls = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == 0)
            return true;
        if (u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r' && u != u'\f' && u != 0x1B)
            ++controls;
    }
    return controls > 8 && controls * 100 > text.size();
}

} // namespace

QString normaliseLineEnds(QString text)
{
    if (!text.contains(u'\r'))
        return text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

ReadResult decodeText(const QByteArray &bytes)
{
    ReadResult result;
    if (startsWith(bytes, {0xFF, 0xFE, 0x00, 0x00}))
        result = decodeWith(QStringConverter::Utf32LE, QByteArrayView(bytes).sliced(4), "UTF-32");
    else if (startsWith(bytes, {0x00, 0x00, 0xFE, 0xFF}))
        result = decodeWith(QStringConverter::Utf32BE, QByteArrayView(bytes).sliced(4), "UTF-32");
    else if (startsWith(bytes, {0xFF, 0xFE}))
        result = decodeWith(QStringConverter::Utf16LE, QByteArrayView(bytes).sliced(2), "UTF-16");
    else if (startsWith(bytes, {0xFE, 0xFF}))
        result = decodeWith(QStringConverter::Utf16BE, QByteArrayView(bytes).sliced(2), "UTF-16");
    else if (startsWith(bytes, {0xEF, 0xBB, 0xBF}))
        result = decodeWith(QStringConverter::Utf8, QByteArrayView(bytes).sliced(3), "UTF-8");
    else if (bytes.contains('\0')) {
        const auto utf16 = unmarkedUtf16(bytes);
        if (!utf16)
            return ReadResult::fail(QStringLiteral("it is not text or a document Quillmere reads"));
        result = decodeWith(*utf16, bytes, "UTF-16");
    } else {
        result = decodeWith(QStringConverter::Utf8, bytes, "UTF-8");
        if (!result.ok())
            result = ReadResult::of(decodeCp1252(bytes));
    }
    if (!result.ok())
        return result;
    if (looksBinary(result.text))
        return ReadResult::fail(QStringLiteral("it is not text or a document Quillmere reads"));
    return ReadResult::of(normaliseLineEnds(std::move(result.text)));
}

} // namespace qm
