// SPDX-License-Identifier: GPL-3.0-or-later
#include "main_window/controls/pill_button.h"
#include "main_window/unreadable_file_note.h"
#include "store/store.h"
#include "ui/fonts.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace qm;

// Stands in for the file manager.
class FolderOpener final : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl &url) { opened.append(url); }
};

class TestUnreadableFileNote final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { fonts::install(); }
    void namesTheKeptFile_data();
    void namesTheKeptFile();
};

void TestUnreadableFileNote::namesTheKeptFile_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("opening");
    QTest::newRow("scripts") << int(UnreadableFileNote::Kind::Scripts) << "scripts.json"
                             << "Unreadable scripts file"
                             << "Quillmere couldn't read your scripts file, so it started with "
                                "the welcome script. ";
    QTest::newRow("settings") << int(UnreadableFileNote::Kind::Settings) << "settings.json"
                              << "Unreadable settings file"
                              << "Your settings couldn't be read and are back to their defaults. ";
}

void TestUnreadableFileNote::namesTheKeptFile()
{
    QFETCH(int, kind);
    QFETCH(QString, file);
    QFETCH(QString, name);
    QFETCH(QString, opening);
    QTemporaryDir tmp;
    {
        QFile bad(tmp.filePath(file));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("\x89PNG not json");
    }
    Store store(tmp.path());
    UnreadableFileNote note(store, UnreadableFileNote::Kind(kind));
    note.resize(760, note.sizeHint().height());
    note.show();
    QVERIFY(note.isVisible());
    QCOMPARE(note.accessibleName(), name);
    QCOMPARE(note.accessibleDescription(), note.text());

    // Before the first save the file is still where it was, and the name it will get is told.
    QVERIFY(note.text().startsWith(opening));
    QVERIFY2(note.text().contains(
                 QStringLiteral("The file will be kept unchanged as “%1.unreadable-").arg(file)),
        qPrintable(note.text()));
    QVERIFY(store.save());
    QString kept;
    for (const QFileInfo &info : QDir(tmp.path()).entryInfoList(QDir::Files)) {
        if (info.fileName().startsWith(file + QStringLiteral(".unreadable-")))
            kept = info.fileName();
    }
    QVERIFY(!kept.isEmpty());
    QCOMPARE(
        note.text(), opening + QStringLiteral("The file is kept unchanged as “%1”.").arg(kept));

    FolderOpener opener;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &opener, "open");
    QTest::mouseClick(note.showButton(), Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QCOMPARE(opener.opened, QList<QUrl> {QUrl::fromLocalFile(tmp.path())});

    QTest::mouseClick(note.dismissButton(), Qt::LeftButton);
    QVERIFY(!note.isVisible());

    // A store whose files were fine has nothing to tell.
    Store fine(tmp.path());
    QWidget column;
    auto *quiet = new UnreadableFileNote(fine, UnreadableFileNote::Kind(kind), &column);
    column.show();
    QVERIFY(!quiet->isVisible());
}

QTEST_MAIN(TestUnreadableFileNote)
#include "tst_unreadable_file_note.moc"
