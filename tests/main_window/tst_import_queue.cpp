// SPDX-License-Identifier: GPL-3.0-or-later
#include "main_window/content_view.h"
#include "main_window/controls/small_icon_button.h"
#include "main_window/import_banner.h"
#include "main_window/import_queue.h"
#include "main_window/main_window.h"
#include "main_window/sidebar.h"
#include "window_fixture.h"

#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace qm;
using qm::testing::WindowFixture;

class TestImportQueue final : public QObject {
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
    void importsInOrderAndSelectsEach();
    void failureIsToldAndChangesNothing();
    void slowReaderIsAbandoned();
    void dropOnTheWindowImports_data();
    void dropOnTheWindowImports();
};

void TestImportQueue::importsInOrderAndSelectsEach()
{
    WindowFixture f;
    f.setScripts({{"Old", "x"}});
    ImportQueue queue(f.store);
    QSignalSpy current(&queue, &ImportQueue::currentChanged);
    QSignalSpy imported(&queue, &ImportQueue::imported);
    queue.add({write(QStringLiteral("one.txt"), "# A\r\none"),
        write(QStringLiteral("two.md"), "## B\n\n*two*")});
    QTRY_COMPARE(imported.size(), 2);
    QCOMPARE(f.store.scripts().size(), 3);
    QCOMPARE(f.store.scripts().at(0).title, QStringLiteral("two"));
    QCOMPARE(f.store.scripts().at(0).text, QStringLiteral("# B\ntwo"));
    QCOMPARE(f.store.scripts().at(1).text, QStringLiteral("# A\none"));
    QCOMPARE(f.store.selectedID(), std::optional<QUuid>(f.store.scripts().at(0).id));
    // The progress line named each file in turn, then went away.
    QCOMPARE(current.size(), 3);
    QVERIFY(current.at(0).at(0).toString().endsWith(u"one.txt"));
    QVERIFY(current.at(1).at(0).toString().endsWith(u"two.md"));
    QCOMPARE(current.at(2).at(0).toString(), QString());
}

void TestImportQueue::failureIsToldAndChangesNothing()
{
    WindowFixture f;
    f.setScripts({{"Old", "x"}});
    const QList<Script> before = f.store.scripts();
    ImportQueue queue(f.store);
    QSignalSpy failed(&queue, &ImportQueue::failed);
    queue.add({write(QStringLiteral("empty.docx"), {})});
    QTRY_COMPARE(failed.size(), 1);
    QCOMPARE(failed.at(0).at(0).toString(),
        QStringLiteral("Couldn't import “empty.docx”: it is empty."));
    QCOMPARE(f.store.scripts(), before);
    QVERIFY(queue.current().isEmpty());
}

void TestImportQueue::slowReaderIsAbandoned()
{
    WindowFixture f;
    f.setScripts({{"Old", "x"}});
    ImportQueue queue(f.store);
    queue.setTimeLimit(std::chrono::milliseconds(20));
    // The reader holds on until the test lets it go, long after the limit.
    auto release = std::make_shared<QSemaphore>();
    auto done = std::make_shared<QSemaphore>();
    queue.setReader([release, done](const QString &path, const ReadBudget &) {
        release->acquire();
        done->release();
        return ImportResult {Script(path, QStringLiteral("late")), QString()};
    });
    QSignalSpy failed(&queue, &ImportQueue::failed);
    QSignalSpy imported(&queue, &ImportQueue::imported);
    queue.add({m_dir.filePath(QStringLiteral("slow.pdf"))});
    QTRY_COMPARE(failed.size(), 1);
    QCOMPARE(failed.at(0).at(0).toString(),
        QStringLiteral("Couldn't import “slow.pdf”: reading it took longer than 5 seconds."));
    release->release();
    QVERIFY(done->tryAcquire(1, 10000));
    // The answer that came too late is dropped.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QCOMPARE(imported.size(), 0);
    QCOMPARE(f.store.scripts().size(), 1);
}

void TestImportQueue::dropOnTheWindowImports_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("the list") << "list";
    QTest::newRow("the script's text") << "editor";
}

void TestImportQueue::dropOnTheWindowImports()
{
    QFETCH(QString, target);
    WindowFixture f;
    f.setScripts({{"Old", "x"}});
    MainWindow window(f.store, f.controller);
    window.resize(1200, 800);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QWidget *on = window.contentView()->sidebar();
    if (target == u"editor") {
        // The widget under the pointer that takes drops itself.
        for (QWidget *w : window.findChildren<QWidget *>()) {
            if (w->acceptDrops() && w->objectName() != u"scriptTitle"
                && w->parentWidget()->inherits("QPlainTextEdit"))
                on = w;
        }
        QVERIFY(on != window.contentView()->sidebar());
    }
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(write(QStringLiteral("good.txt"), "Hello")),
        QUrl::fromLocalFile(write(QStringLiteral("bad.txt"), {})),
        QUrl::fromLocalFile(write(QStringLiteral("good2.txt"), "Again"))});
    const QPointF at(on->width() / 2.0, on->height() / 2.0);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(on, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(on, &drop);
    QVERIFY(drop.isAccepted());

    QTRY_COMPARE(window.importBanner()->lines(),
        QStringList {QStringLiteral("Couldn't import “bad.txt”: it is empty.")});
    // A failure stays in view when a later file of the same drop goes in.
    QTRY_COMPARE(f.store.scripts().first().title, QStringLiteral("good2"));
    QCOMPARE(window.importBanner()->lines().size(), 1);
    QCOMPARE(f.store.scripts().at(1).title, QStringLiteral("good"));
    QCOMPARE(f.store.scripts().at(1).text, QStringLiteral("Hello"));
    // The old script's text took nothing from the drop.
    QCOMPARE(f.store.scripts().at(2).text, QStringLiteral("x"));
    QVERIFY(window.importBanner()->isVisible());
    QTest::mouseClick(window.importBanner()->closeButton(), Qt::LeftButton);
    QVERIFY(!window.importBanner()->isVisible());
}

QTEST_MAIN(TestImportQueue)
#include "tst_import_queue.moc"
