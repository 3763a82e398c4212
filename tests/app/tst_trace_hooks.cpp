// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/trace_hooks.h"
#include "store/store.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace qm;

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestTraceHooks : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_trace.isValid());
        // Read once, at the first trace call of the process.
        qputenv("QUILLMERE_TRACE", m_trace.filePath(QStringLiteral("trace.txt")).toLocal8Bit());
        qputenv("QUILLMERE_TRACE_FONT_STEP", "0");
    }

    // The font step is measurement only: the run shows it, the user's settings file never has it,
    // even when the user changes another setting afterwards and the program saves on the way out.
    void fontStepLeavesTheSettingsFile()
    {
        QTemporaryDir dir;
        Store store(dir.path());
        Settings mine = store.settings();
        mine.fontSize = 40;
        store.setSettings(mine);
        QVERIFY(store.save());
        const QByteArray before = contents(store.settingsPath());
        QVERIFY(!before.isEmpty());

        QSignalSpy changed(&store, &Store::settingsChanged);
        installTraceHooks(store, nullptr);
        QVERIFY(changed.wait());
        QCOMPARE(store.settings().fontSize, 41.0);

        Settings later = store.settings();
        later.speed += 4;
        store.setSettings(later);
        QVERIFY(store.save());
        QCOMPARE(contents(store.settingsPath()), before);
    }

private:
    QTemporaryDir m_trace;
};

QTEST_GUILESS_MAIN(TestTraceHooks)
#include "tst_trace_hooks.moc"
