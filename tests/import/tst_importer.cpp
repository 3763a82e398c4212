// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/docx_reader.h"
#include "import/importer.h"
#include "import/odt_reader.h"
#include "import/pdf_reader.h"
#include "import/rich_text_reader.h"
#include "import/rtf_reader.h"
#include "import/text_decoding.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTextDocumentWriter>

#include <quazip.h>
#include <quazipfile.h>

using namespace qm;

namespace {

QString corpus(const QString &name)
{
    return qEnvironmentVariable("QM_CORPUS") + u'/' + name;
}

QByteArray zipOf(const QList<std::pair<QString, QByteArray>> &parts)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QuaZip zip(&buffer);
    if (!zip.open(QuaZip::mdCreate))
        qFatal("cannot make a zip");
    for (const auto &[name, data] : parts) {
        QuaZipFile file(&zip);
        if (!file.open(QIODevice::WriteOnly, QuaZipNewInfo(name))
            || file.write(data) != data.size())
            qFatal("cannot write a zip part");
        file.close();
    }
    zip.close();
    return bytes;
}

// A .docx whose body is `body` (Word's w: elements).
QByteArray docxWithBody(const QByteArray &body, const QByteArray &styles = {})
{
    const QByteArray ns
        = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
          "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\"";
    QList<std::pair<QString, QByteArray>> parts {{QStringLiteral("word/document.xml"),
        "<?xml version=\"1.0\"?><w:document " + ns + "><w:body>" + body
            + "</w:body></w:document>"}};
    if (!styles.isEmpty())
        parts.append({QStringLiteral("word/styles.xml"),
            "<?xml version=\"1.0\"?><w:styles " + ns + ">" + styles + "</w:styles>"});
    return zipOf(parts);
}

QByteArray odtWithText(const QByteArray &text)
{
    return zipOf({{QStringLiteral("content.xml"),
        "<?xml version=\"1.0\"?><office:document-content "
        "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
        "xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\" "
        "xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\">"
        "<office:body><office:text>"
            + text + "</office:text></office:body></office:document-content>"}});
}

PdfLine pdfLine(const QString &text, double top, double right = 500, double size = 12)
{
    return {text, QRectF(50, top, right - 50, size), size};
}

} // namespace

class TestImporter final : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write the test file");
        return path;
    }

private Q_SLOTS:
    void corpusDocuments_data();
    void corpusDocuments();
    void refusals_data();
    void refusals();
    void decoding_data();
    void decoding();
    void docxBodies_data();
    void docxBodies();
    void odtBodies_data();
    void odtBodies();
    void richText_data();
    void richText();
    void pdfParagraphs_data();
    void pdfParagraphs();
    void title_data();
    void title();
    void odtFromQtWriter();
    void contentDecidesTheFormat();
    void spentBudgetStops();
    void rtfWithoutConverterSaysWhatToInstall();
};

void TestImporter::corpusDocuments_data()
{
    QTest::addColumn<QString>("file");
    // Made by LibreOffice, pandoc and iconv; corpus/README.md says how.
    for (const char *file : {"talk.docx", "talk.odt", "talk.pdf", "talk.rtf", "talk.html",
             "talk.md", "slides.pptx", "notepad-utf16.txt", "notepad-1252.txt"})
        QTest::newRow(file) << QString::fromLatin1(file);
}

void TestImporter::corpusDocuments()
{
    QFETCH(QString, file);
    if (file.endsWith(u".rtf") && QStandardPaths::findExecutable(QStringLiteral("unrtf")).isEmpty())
        QSKIP("unrtf is not installed; RTF import needs it (scripts/install-deps installs it)");
    QFile expected(corpus(QStringLiteral("expected/") + file + QStringLiteral(".txt")));
    QVERIFY(expected.open(QIODevice::ReadOnly));
    const ImportResult result = importScriptFile(corpus(file));
    QVERIFY2(result.script, qPrintable(result.reason));
    QCOMPARE(result.script->text, QString::fromUtf8(expected.readAll()));
    QCOMPARE(result.script->title, scriptTitleForFile(file));
}

void TestImporter::refusals_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("message");
    QTest::newRow("zip bomb") << corpus(QStringLiteral("zipbomb.docx"))
                              << "Couldn't import “zipbomb.docx”: word/document.xml inside "
                                 "unpacks to over 100 times its packed size, as a zip bomb does.";
    QTest::newRow("DTD with entities")
        << corpus(QStringLiteral("entities.docx"))
        << "Couldn't import “entities.docx”: word/document.xml inside declares a document type "
           "(DTD), which Quillmere does not read.";
    QTest::newRow("truncated docx")
        << corpus(QStringLiteral("truncated.docx"))
        << "Couldn't import “truncated.docx”: the file is cut short or damaged.";
    QTest::newRow("password-protected PDF")
        << corpus(QStringLiteral("locked.pdf"))
        << "Couldn't import “locked.pdf”: it is protected by a password.";
    QTest::newRow("directory") << m_dir.path() + QStringLiteral("/folder.docx")
                               << "Couldn't import “folder.docx”: it is a folder.";
    QTest::newRow("empty file") << m_dir.filePath(QStringLiteral("empty.txt"))
                                << "Couldn't import “empty.txt”: it is empty.";
    QTest::newRow("missing") << m_dir.filePath(QStringLiteral("absent.odt"))
                             << "Couldn't import “absent.odt”: it does not exist.";
    QTest::newRow("binary") << m_dir.filePath(QStringLiteral("picture.txt"))
                            << "Couldn't import “picture.txt”: it is not text or a document "
                               "Quillmere reads.";
    QTest::newRow("no text") << m_dir.filePath(QStringLiteral("blank.docx"))
                             << "Couldn't import “blank.docx”: it has no text.";
    QTest::newRow("old Word") << m_dir.filePath(QStringLiteral("old.doc"))
                              << "Couldn't import “old.doc”: it is in the old binary Office "
                                 "format; save it as .docx or .pptx and import that.";
    QTest::newRow("zip of something else")
        << m_dir.filePath(QStringLiteral("photos.zip"))
        << "Couldn't import “photos.zip”: it is a zip archive, not a document Quillmere reads.";
    QTest::newRow("over 500 pages") << m_dir.filePath(QStringLiteral("long.pdf"))
                                    << "Couldn't import “long.pdf”: it has more than 500 pages.";
    QTest::newRow("over 50 MB") << m_dir.filePath(QStringLiteral("huge.txt"))
                                << "Couldn't import “huge.txt”: it is larger than 50 MB unpacked.";
    QTest::newRow("a device") << QStringLiteral("/dev/zero")
                              << "Couldn't import “zero”: it is not a regular file.";
}

void TestImporter::refusals()
{
    QFETCH(QString, path);
    QFETCH(QString, message);
    const QString name = QFileInfo(path).fileName();
    if (name == u"folder.docx") {
        QDir(m_dir.path()).mkpath(name);
    } else if (name == u"empty.txt") {
        write(name, {});
    } else if (name == u"picture.txt") {
        write(name, QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10", 20));
    } else if (name == u"blank.docx") {
        write(
            name, docxWithBody("<w:p/><w:p><w:r><w:t xml:space=\"preserve\">  </w:t></w:r></w:p>"));
    } else if (name == u"old.doc") {
        write(name, QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\0\0", 10));
    } else if (name == u"photos.zip") {
        write(name, zipOf({{QStringLiteral("a.jpg"), "jpeg"}}));
    } else if (name == u"long.pdf") {
        QPdfWriter pdf(m_dir.filePath(name));
        pdf.setPageSize(QPageSize(QPageSize::A7));
        QPainter painter(&pdf);
        for (int page = 0; page < kMaxPdfPages; ++page)
            pdf.newPage();
    } else if (name == u"huge.txt") {
        QFile huge(m_dir.filePath(name));
        QVERIFY(huge.open(QIODevice::WriteOnly));
        QVERIFY(huge.resize(kMaxUnpackedBytes + 1));
    }
    const ImportResult result = importScriptFile(path);
    QVERIFY(!result.script);
    QCOMPARE(importFailureMessage(path, result.reason), message);
}

void TestImporter::decoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("ascii") << QByteArray("Hello\nworld") << "Hello\nworld";
    QTest::newRow("utf-8") << QByteArray("caf\xc3\xa9 \xe2\x80\x94 \xf0\x9f\x8e\xac")
                           << QString::fromUtf8("café — 🎬");
    QTest::newRow("utf-8 with mark") << QByteArray("\xef\xbb\xbfHi") << "Hi";
    QTest::newRow("crlf") << QByteArray("#A\r\nb\r\n") << "#A\nb\n";
    QTest::newRow("lone cr") << QByteArray("a\rb\r\rc") << "a\nb\n\nc";
    QTest::newRow("latin-1 byte") << QByteArray("caf\xe9") << QString::fromUtf8("café");
    QTest::newRow("windows-1252 quotes")
        << QByteArray("\x93Hi\x94 \x96 \x80") << QString::fromUtf8("“Hi” – €");
    QTest::newRow("cut-off utf-8 is windows-1252")
        << QByteArray("ok \xe2\x80") << QString::fromUtf8("ok â€");
    QTest::newRow("utf-16 le") << QByteArray("\xff\xfeH\0i\0\r\0\n\0\x1c\x20", 12)
                               << QString::fromUtf8("Hi\n“");
    QTest::newRow("utf-16 be") << QByteArray("\xfe\xff\0H\0i", 6) << "Hi";
    QTest::newRow("utf-16 le without mark") << QByteArray("H\0e\0y\0", 6) << "Hey";
    QTest::newRow("utf-32 le") << QByteArray("\xff\xfe\0\0H\0\0\0", 8) << "H";
    QTest::newRow("utf-32 be") << QByteArray("\0\0\xfe\xff\0\x01\xf3\xac", 8)
                               << QString::fromUtf8("🎬");
    QTest::newRow("odd utf-16 fails") << QByteArray("\xff\xfeH\0i", 5) << QString();
    QTest::newRow("lone surrogate fails") << QByteArray("\xff\xfe\x00\xd8", 4) << QString();
    QTest::newRow("binary fails") << QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08\x0e\x0f", 10)
                                  << QString();
}

void TestImporter::decoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    const ReadResult result = decodeText(bytes);
    QCOMPARE(result.ok(), !text.isNull());
    QCOMPARE(result.text, text.isNull() ? QString() : text);
}

void TestImporter::docxBodies_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("text");
    QTest::newRow("hidden text left out")
        << QByteArray("<w:p><w:r><w:t>Say </w:t></w:r><w:r><w:rPr><w:vanish/></w:rPr><w:t>not "
                      "</w:t></w:r><w:r><w:t>this</w:t></w:r></w:p>")
        << "Say this";
    QTest::newRow("field shows its result")
        << QByteArray("<w:p><w:r><w:t xml:space=\"preserve\">Page </w:t></w:r><w:r><w:fldChar "
                      "w:fldCharType=\"begin\"/></w:r><w:r><w:instrText>PAGE</w:instrText></w:r>"
                      "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>7</w:t></w:r>"
                      "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r></w:p>")
        << "Page 7";
    QTest::newRow("moved text counted once")
        << QByteArray("<w:p><w:moveFrom><w:r><w:t>B</w:t></w:r></w:moveFrom><w:r><w:t>A "
                      "</w:t></w:r><w:moveTo><w:r><w:t>B</w:t></w:r></w:moveTo></w:p>")
        << "A B";
    QTest::newRow("drawing text once, not its fallback")
        << QByteArray("<w:p><w:r><mc:AlternateContent><mc:Choice><w:t>Box</w:t></mc:Choice>"
                      "<mc:Fallback><w:t>Box</w:t></mc:Fallback></mc:AlternateContent></w:r></w:p>")
        << "Box";
    QTest::newRow("page break starting a paragraph is no line") << QByteArray(
        "<w:p><w:r><w:t>One</w:t><w:br w:type=\"page\"/></w:r></w:p><w:p><w:r><w:br "
        "w:type=\"page\"/><w:t>Two</w:t><w:br w:type=\"page\"/><w:t>Three</w:t></w:r></w:p>")
                                                                << "One\nTwo\nThree";
    QTest::newRow("outline level on the paragraph") << QByteArray(
        "<w:p><w:pPr><w:outlineLvl w:val=\"1\"/></w:pPr><w:r><w:t>Part</w:t></w:r>"
        "</w:p><w:p><w:pPr><w:outlineLvl w:val=\"3\"/></w:pPr><w:r><w:t>Deep</w:t>"
        "</w:r></w:p>") << "# Part\nDeep";
    QTest::newRow("heading style by name, and one based on it") << QByteArray(
        "<w:p><w:pPr><w:pStyle w:val=\"Kop1\"/></w:pPr><w:r><w:t>Intro</w:t></w:r>"
        "</w:p><w:p><w:pPr><w:pStyle w:val=\"Mine\"/></w:pPr><w:r><w:t>Also</w:t>"
        "</w:r></w:p><w:p><w:r><w:t>Body</w:t></w:r></w:p>") << "# Intro\n# Also\nBody";
    QTest::newRow("tab stops are no text")
        << QByteArray("<w:p><w:pPr><w:tabs><w:tab w:val=\"left\" w:pos=\"720\"/></w:tabs></w:pPr>"
                      "<w:r><w:t>A</w:t><w:tab/><w:t>B</w:t></w:r></w:p>")
        << "A B";
    QTest::newRow("blank lines inside kept, at the ends dropped") << QByteArray(
        "<w:p/><w:p><w:r><w:t>A</w:t></w:r></w:p><w:p/><w:p/><w:p><w:r><w:t>B</w:t>"
        "</w:r></w:p><w:p/>") << "A\n\n\nB";
    QTest::newRow("undefined entity refused")
        << QByteArray("<w:p><w:r><w:t>&nope;</w:t></w:r></w:p>") << QString();
}

void TestImporter::docxBodies()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, text);
    const QByteArray styles = "<w:style w:type=\"paragraph\" w:styleId=\"Kop1\"><w:name "
                              "w:val=\"heading 1\"/></w:style>"
                              "<w:style w:type=\"paragraph\" w:styleId=\"Mine\"><w:basedOn "
                              "w:val=\"Kop1\"/></w:style>";
    const ReadResult result = readDocx(docxWithBody(body, styles), {});
    QCOMPARE(result.ok(), !text.isNull());
    if (result.ok())
        QCOMPARE(result.text, text);
}

void TestImporter::odtBodies_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("text");
    QTest::newRow("white space collapses, text:s does not")
        << QByteArray("<text:p>  a \n  b<text:s text:c=\"3\"/>c</text:p>") << "a b c";
    QTest::newRow("heading without a level is level 1")
        << QByteArray("<text:h>Top</text:h><text:h text:outline-level=\"5\">Low</text:h>")
        << "# Top\nLow";
    QTest::newRow("alt text left out, a text box kept")
        << QByteArray("<text:p>Before<draw:frame><svg:title>A photo</svg:title><draw:text-box>"
                      "<text:p>Inside</text:p></draw:text-box></draw:frame></text:p>")
        << "Inside\nBefore";
}

void TestImporter::odtBodies()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, text);
    const ReadResult result = readOdt(odtWithText(body), {});
    QVERIFY2(result.ok(), qPrintable(result.error));
    QCOMPARE(result.text, text);
}

void TestImporter::richText_data()
{
    QTest::addColumn<bool>("markdown");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("text");
    // A reference the page makes is never followed: reading /dev/zero would never end.
    QTest::newRow("html loads nothing it refers to")
        << false
        << "<head><link rel=stylesheet href=\"/dev/zero\"></head><p>a<img src=\"/dev/zero\">b</p>"
           "<p style=\"background-image: url(/dev/zero)\">c</p>"
        << "ab\nc";
    QTest::newRow("html headings 1-3 are cues, 4 is not")
        << false << "<h1>One</h1><h3>Three</h3><h4>Four</h4><p>x<br>y</p>"
        << "# One\n# Three\nFour\nx\ny";
    QTest::newRow("html script and style are no text")
        << false << "<style>p{color:red}</style><script>var x=1;</script><p>Shown</p>"
        << "Shown";
    QTest::newRow("markdown front matter and markup go")
        << true << "---\ntitle: T\n...\n# Head\n\n**Bold** and `code` [link](x)\n\n- item"
        << "# Head\nBold and code link\nitem";
    QTest::newRow("markdown setext heading and image")
        << true << "Title\n=====\n\ntext ![pic](/dev/zero)"
        << "# Title\ntext";
}

void TestImporter::richText()
{
    QFETCH(bool, markdown);
    QFETCH(QString, input);
    QFETCH(QString, text);
    const ReadResult result = markdown ? readMarkdown(input) : readHtml(input);
    QVERIFY(result.ok());
    QCOMPARE(result.text, text);
}

void TestImporter::pdfParagraphs_data()
{
    using Pages = QList<QList<PdfLine>>;
    QTest::addColumn<Pages>("pages");
    QTest::addColumn<QStringList>("paragraphs");
    QTest::newRow("lines join; hyphenation undone, a real hyphen kept")
        << Pages {{pdfLine(QStringLiteral("We tried an exam-"), 100),
               pdfLine(QStringLiteral("ple with Jean-"), 114),
               pdfLine(QStringLiteral("Paul."), 128, 120)}}
        << QStringList {QStringLiteral("We tried an example with Jean- Paul.")};
    QTest::newRow("a gap, or a short line, ends a paragraph")
        << Pages {{pdfLine(QStringLiteral("First."), 100, 120),
               pdfLine(QStringLiteral("Second"), 114),
               pdfLine(QStringLiteral("goes on."), 128, 150),
               pdfLine(QStringLiteral("Third after a gap"), 160)}}
        << QStringList {QStringLiteral("First."), QStringLiteral("Second goes on."),
               QStringLiteral("Third after a gap")};
    QTest::newRow("headers, footers and page numbers dropped; mid-sentence page break joined")
        << Pages {{pdfLine(QStringLiteral("Annual report"), 20, 200),
                      pdfLine(QStringLiteral("Body text that goes"), 100),
                      pdfLine(QStringLiteral("Page 1"), 800, 100)},
               {pdfLine(QStringLiteral("Annual report"), 20, 200),
                   pdfLine(QStringLiteral("on and ends."), 100, 200),
                   pdfLine(QStringLiteral("Page 2"), 800, 100)},
               {pdfLine(QStringLiteral("Annual report"), 20, 200),
                   pdfLine(QStringLiteral("Last page."), 100, 200),
                   pdfLine(QStringLiteral("Page 3"), 800, 100)}}
        << QStringList {
               QStringLiteral("Body text that goes on and ends."), QStringLiteral("Last page.")};
    QTest::newRow("large type is a cue; small type at the foot is a footnote")
        << Pages {{pdfLine(QStringLiteral("Welcome"), 60, 200, 20),
               pdfLine(QStringLiteral("Hello there."), 100, 200),
               pdfLine(QStringLiteral("Another line."), 114, 200),
               pdfLine(QStringLiteral("1 A footnote."), 700, 200, 8)}}
        << QStringList {QStringLiteral("# Welcome"), QStringLiteral("Hello there. Another line.")};
}

void TestImporter::pdfParagraphs()
{
    using Pages = QList<QList<PdfLine>>;
    QFETCH(Pages, pages);
    QFETCH(QStringList, paragraphs);
    QCOMPARE(qm::pdfParagraphs(pages), paragraphs);
}

void TestImporter::title_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    QTest::newRow("one extension") << "notes.md"
                                   << "notes";
    QTest::newRow("only the last extension") << "talk.final.txt"
                                             << "talk.final";
    QTest::newRow("no extension") << "README"
                                  << "README";
    QTest::newRow("hidden file") << ".notes"
                                 << ".notes";
    QTest::newRow("hidden file with extension") << ".notes.txt"
                                                << ".notes";
    QTest::newRow("directory dots are not the name's") << "a.b/plain"
                                                       << "plain";
}

void TestImporter::title()
{
    QFETCH(QString, name);
    QFETCH(QString, title);
    QCOMPARE(scriptTitleForFile(QStringLiteral("/some/dir/") + name), title);
}

// Qt's own ODF writer, as other Qt programs save documents.
void TestImporter::odtFromQtWriter()
{
    QTextDocument document;
    document.setMarkdown(QStringLiteral("# Opening\n\nHello  there.\n\n- one\n- two\n\n"
                                        "## Middle\n\nLine one  \nline two\n\n#### Aside\n"));
    const QString path = m_dir.filePath(QStringLiteral("qt.odt"));
    QTextDocumentWriter writer(path, "odf");
    QVERIFY(writer.write(&document));
    const ImportResult result = importScriptFile(path);
    QVERIFY2(result.script, qPrintable(result.reason));
    // Qt 6.4's writer keeps a heading's bold type but not its level, so nothing says "heading".
    QCOMPARE(result.script->text,
        QStringLiteral("Opening\nHello there.\none\ntwo\nMiddle\nLine one\nline two\nAside"));
}

void TestImporter::contentDecidesTheFormat()
{
    // A Word document saved under a text file's name, and a text file under a document's.
    QFile docx(corpus(QStringLiteral("talk.docx")));
    QVERIFY(docx.open(QIODevice::ReadOnly));
    const ImportResult asText = importScriptFile(write(QStringLiteral("talk.txt"), docx.readAll()));
    QVERIFY(asText.script);
    QVERIFY(asText.script->text.startsWith(QStringLiteral("# Welcome\nGood evening")));
    const ImportResult notDocx = importScriptFile(write(QStringLiteral("plain.docx"), "Just text"));
    QCOMPARE(notDocx.reason, QStringLiteral("the file is cut short or damaged"));
}

void TestImporter::spentBudgetStops()
{
    ReadBudget spent;
    spent.deadline = QDeadlineTimer(0);
    const ImportResult result = importScriptFile(corpus(QStringLiteral("talk.docx")), spent);
    QVERIFY(!result.script);
    QCOMPARE(result.reason, QStringLiteral("reading it took longer than 5 seconds"));
}

void TestImporter::rtfWithoutConverterSaysWhatToInstall()
{
    const ReadResult result
        = readRtf(corpus(QStringLiteral("talk.rtf")), {}, m_dir.filePath(QStringLiteral("none")));
    QCOMPARE(result.error,
        QStringLiteral("reading RTF needs the unrtf program; install the unrtf package (or "
                       "pandoc 3.1.3 or later)"));
}

QTEST_MAIN(TestImporter)
#include "tst_importer.moc"
