// SPDX-License-Identifier: GPL-3.0-or-later
// Saves under every failure a disk can give: each write, fsync, close, rename and open of a
// save fails in turn with ENOSPC, EIO and EROFS, for a small and a large library.
#include "store/durable_file.h"
#include "store/store.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <array>
#include <cerrno>

#include <sys/stat.h>

using namespace qm;

namespace {

enum Call { Open, Write, Fsync, Close, Rename, CallKinds };
const char *const kCallNames[CallKinds] = {"open", "write", "fsync", "close", "rename"};

// The real calls, but the `failAt`-th call of kind `failing` fails with `error`. Writes take
// at most 256 KiB at a time, as a pipe or a busy network file system may, so a large file
// needs several and the loop around them is exercised.
class FaultyCalls final : public FileCalls {
public:
    Call failing = CallKinds;
    int failAt = 0;
    int error = 0;
    std::array<int, CallKinds> counts {};
    // Closing the folder after syncing it cannot lose anything, so it may fail unnoticed.
    bool failedOnFolder = false;

    bool reached() const { return failing < CallKinds && counts[failing] >= failAt; }

    int open(const char *path, int flags, mode_t mode) override
    {
        return fails(Open) ? -1 : FileCalls::open(path, flags, mode);
    }
    ssize_t write(int fd, const void *data, size_t size) override
    {
        return fails(Write) ? -1 : FileCalls::write(fd, data, std::min<size_t>(size, 256 * 1024));
    }
    int fsync(int fd) override { return fails(Fsync) ? -1 : FileCalls::fsync(fd); }
    int close(int fd) override
    {
        const bool fail = fails(Close);
        struct stat st { };
        if (fail)
            failedOnFolder = fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
        // Linux lets go of the descriptor even when close reports an error.
        const int result = FileCalls::close(fd);
        return fail ? -1 : result;
    }
    int rename(const char *from, const char *to) override
    {
        return fails(Rename) ? -1 : FileCalls::rename(from, to);
    }

private:
    bool fails(Call call)
    {
        if (++counts[call] != failAt || call != failing)
            return false;
        errno = error;
        return true;
    }
};

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// A text of `size` characters that differs from any other `seed`'s.
QString textOf(int size, int seed)
{
    QString text = QStringLiteral("draft %1 ").arg(seed);
    while (text.size() < size)
        text += QStringLiteral("and every word of it counts %1. ").arg(seed);
    return text;
}

} // namespace

class TestDurableFile final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyFailureKeepsAWholeFileAndIsTold_data();
    void everyFailureKeepsAWholeFileAndIsTold();
    void linksStayLinks_data();
    void linksStayLinks();
};

void TestDurableFile::everyFailureKeepsAWholeFileAndIsTold_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("call");
    QTest::addColumn<int>("error");
    // Under Qt's own 16 KiB write buffer, and well over a mebibyte.
    for (const int size : {2000, 1200 * 1024}) {
        for (int call = 0; call < CallKinds; ++call) {
            for (const int error : {ENOSPC, EIO, EROFS}) {
                QTest::addRow("%s, %s, %s", size < 16384 ? "small" : "large", kCallNames[call],
                    qPrintable(qt_error_string(error)))
                    << size << call << error;
            }
        }
    }
}

void TestDurableFile::everyFailureKeepsAWholeFileAndIsTold()
{
    QFETCH(int, size);
    QFETCH(int, call);
    QFETCH(int, error);

    // How many calls of this kind a save makes when nothing fails.
    int calls = 0;
    {
        QTemporaryDir tmp;
        Store store(tmp.path());
        FaultyCalls counting;
        store.setFileWriter([&](const QString &path, const QByteArray &bytes) {
            return writeFileDurably(path, bytes, counting);
        });
        store.setScriptText(store.scripts().first().id, textOf(size, 0));
        QVERIFY(store.save());
        calls = counting.counts[call];
        QVERIFY(calls > 0);
    }

    const QString expectedReason = qt_error_string(error).mid(1);
    for (int n = 1; n <= calls; ++n) {
        QTemporaryDir tmp;
        Store store(tmp.path());
        const QUuid id = store.scripts().first().id;
        store.setScriptText(id, textOf(size, 1));
        QVERIFY(store.save());
        const QByteArray oldScripts = readAll(store.scriptsPath());
        const QByteArray oldSettings = readAll(store.settingsPath());

        FaultyCalls faulty;
        faulty.failing = Call(call);
        faulty.failAt = n;
        faulty.error = error;
        store.setFileWriter([&](const QString &path, const QByteArray &bytes) {
            return writeFileDurably(path, bytes, faulty);
        });
        QSignalSpy failed(&store, &Store::saveFailed);
        store.setScriptText(id, textOf(size, 2));
        const QByteArray newScripts = encodeScripts(store.scripts());
        const SaveResult result = store.save();

        const QByteArray onDisk = readAll(store.scriptsPath());
        QVERIFY2(onDisk == oldScripts || onDisk == newScripts,
            qPrintable(QStringLiteral("call %1: %2 bytes on disk, neither the old nor the new file")
                           .arg(n)
                           .arg(onDisk.size())));
        QCOMPARE(readAll(store.settingsPath()), oldSettings);
        QVERIFY(faulty.reached());
        if (faulty.failedOnFolder) {
            QVERIFY(result.ok());
            QCOMPARE(onDisk, newScripts);
        } else {
            QVERIFY2(!result.ok(), qPrintable(QStringLiteral("call %1 failed unnoticed").arg(n)));
            QCOMPARE(failed.size(), 1);
            QVERIFY2(result.failure.contains(expectedReason), qPrintable(result.failure));
        }
        // Nothing half-written is left behind.
        QCOMPARE(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);

        // The disk is well again: the next save writes the latest text.
        store.setScriptText(id, textOf(size, 3));
        store.setFileWriter({});
        QVERIFY(store.save());
        QCOMPARE(readAll(store.scriptsPath()), encodeScripts(store.scripts()));
    }
}

void TestDurableFile::linksStayLinks_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QStringList>("chain");
    // Links as people make them: into a synced folder, relative, and a link to a link.
    QTest::newRow("absolute") << "SYNC/data.json" << QStringList {};
    QTest::newRow("relative") << "../sync/data.json" << QStringList {};
    QTest::newRow("through another link") << "SYNC/hop" << QStringList {"data.json"};
    QTest::newRow("to a file not made yet") << "SYNC/new.json" << QStringList {};
}

void TestDurableFile::linksStayLinks()
{
    QFETCH(QString, link);
    QFETCH(QStringList, chain);
    QTemporaryDir tmp;
    QVERIFY(QDir(tmp.path()).mkpath(QStringLiteral("data")));
    QVERIFY(QDir(tmp.path()).mkpath(QStringLiteral("sync")));
    const QString sync = tmp.filePath(QStringLiteral("sync"));
    const QString path = tmp.filePath(QStringLiteral("data/scripts.json"));
    link.replace(QStringLiteral("SYNC"), sync);
    QString finalTarget
        = link.startsWith(u'/') ? link : tmp.filePath(QStringLiteral("data/")) + link;
    if (!chain.isEmpty()) {
        QVERIFY(QFile::link(chain.first(), finalTarget));
        finalTarget = sync + u'/' + chain.first();
    }
    if (!link.endsWith(QStringLiteral("new.json"))) {
        QFile before(finalTarget);
        QVERIFY(before.open(QIODevice::WriteOnly));
        before.write("old");
    }
    QVERIFY(QFile::link(link, path));
    const QString linkTarget = QFileInfo(path).symLinkTarget();

    QCOMPARE(writeFileDurably(path, "new bytes"), QString());
    QVERIFY(QFileInfo(path).isSymLink());
    QCOMPARE(QFileInfo(path).symLinkTarget(), linkTarget);
    QCOMPARE(readAll(finalTarget), QByteArray("new bytes"));
    QCOMPARE(readAll(path), QByteArray("new bytes"));
    QCOMPARE(QFileInfo(finalTarget).permissions() & 0x7777,
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser
            | QFileDevice::WriteUser);
}

QTEST_GUILESS_MAIN(TestDurableFile)
#include "tst_durable_file.moc"
