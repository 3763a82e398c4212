// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/hot_key_backend.h"
#include "platform/hot_keys_match.h"

#include <QTest>

using namespace qm::platform;
using namespace qm::platform::x11;

namespace {

constexpr quint16 kMod2 = 1u << 4; // NumLock on most servers
constexpr quint16 kMod4 = 1u << 6;
constexpr quint16 kButton1 = 1u << 8;
constexpr quint16 kCtrlAlt = kControlMask | kMod1Mask;

} // namespace

Q_DECLARE_METATYPE(QList<quint16>)

class TestHotKeysMatch : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void lockVariants_data()
    {
        QTest::addColumn<quint16>("numLock");
        QTest::addColumn<QList<quint16>>("expected");
        QTest::newRow("NumLock on Mod2")
            << kMod2
            << QList<quint16> {kCtrlAlt, quint16(kCtrlAlt | kLockMask), quint16(kCtrlAlt | kMod2),
                   quint16(kCtrlAlt | kLockMask | kMod2)};
        // A server without NumLock in its modifier map: no duplicate grabs.
        QTest::newRow("no NumLock")
            << quint16(0) << QList<quint16> {kCtrlAlt, quint16(kCtrlAlt | kLockMask)};
    }
    void lockVariants()
    {
        QFETCH(quint16, numLock);
        QFETCH(QList<quint16>, expected);
        QCOMPARE(x11::lockVariants(kCtrlAlt, numLock), expected);
    }

    void chordModifiersFollowTheAltMask()
    {
        QCOMPARE(toXModifiers(kHotKeyControl | kHotKeyAlt, {}), kCtrlAlt);
        // Alt mapped to another modifier bit in this session's map.
        QCOMPARE(toXModifiers(kHotKeyControl | kHotKeyAlt, ModifierMasks {kMod4, kMod2}),
            quint16(kControlMask | kMod4));
        QCOMPARE(toXModifiers(kHotKeyShift, {}), kShiftMask);
        QCOMPARE(toXModifiers(0, {}), quint16(0));
    }

    void matchPress_data()
    {
        QTest::addColumn<quint8>("keycode");
        QTest::addColumn<quint16>("state");
        QTest::addColumn<int>("id"); // 0: no match
        QTest::newRow("exact") << quint8(33) << kCtrlAlt << 1;
        QTest::newRow("CapsLock on") << quint8(33) << quint16(kCtrlAlt | kLockMask) << 1;
        QTest::newRow("NumLock on") << quint8(33) << quint16(kCtrlAlt | kMod2) << 1;
        QTest::newRow("both locks") << quint8(33) << quint16(kCtrlAlt | kLockMask | kMod2) << 1;
        QTest::newRow("mouse button held") << quint8(33) << quint16(kCtrlAlt | kButton1) << 1;
        QTest::newRow("second keycode of a chord") << quint8(86) << kCtrlAlt << 4;
        QTest::newRow("extra Shift") << quint8(33) << quint16(kCtrlAlt | kShiftMask) << 0;
        QTest::newRow("extra Super") << quint8(33) << quint16(kCtrlAlt | kMod4) << 0;
        QTest::newRow("Ctrl only") << quint8(33) << kControlMask << 0;
        QTest::newRow("other key") << quint8(34) << kCtrlAlt << 0;
    }
    void matchPress()
    {
        QFETCH(quint8, keycode);
        QFETCH(quint16, state);
        QFETCH(int, id);
        const QList<Grab> grabs {{1, 33, kCtrlAlt}, {4, 21, kCtrlAlt}, {4, 86, kCtrlAlt}};
        const std::optional<quint32> got = x11::matchPress(grabs, keycode, state, kMod2);
        QCOMPARE(got.has_value(), id != 0);
        if (got)
            QCOMPARE(int(*got), id);
    }

    void significantModifiersDropLocksAndButtons()
    {
        QCOMPARE(significantModifiers(kCtrlAlt | kLockMask | kMod2 | kButton1, kMod2), kCtrlAlt);
        // Without NumLock in the map, Mod2 is an ordinary modifier.
        QCOMPARE(significantModifiers(kCtrlAlt | kMod2, 0), quint16(kCtrlAlt | kMod2));
    }

    void syntheticBit()
    {
        QVERIFY(!isSynthetic(kKeyPress));
        QVERIFY(isSynthetic(kKeyPress | 0x80));
        QCOMPARE(eventType(kKeyPress | 0x80), kKeyPress);
        QCOMPARE(eventType(kKeyRelease), kKeyRelease);
    }

    void modifierMap()
    {
        // 8 modifiers × 2 keycodes: Shift 50 62, Lock 66, Control 37 105, Mod1 64 108, Mod2 77.
        const quint8 map[16] = {50, 62, 66, 0, 37, 105, 64, 108, 77, 0, 0, 0, 0, 0, 0, 0};
        QCOMPARE(modifierMaskContaining(map, 2, {77}), kMod2);
        QCOMPARE(modifierMaskContaining(map, 2, {108}), kMod1Mask);
        QCOMPARE(modifierMaskContaining(map, 2, {99, 64}), kMod1Mask);
        QCOMPARE(modifierMaskContaining(map, 2, {99}), quint16(0));
        // Empty slots are 0 and never match a looked-up 0.
        QCOMPARE(modifierMaskContaining(map, 2, {0}), quint16(0));
        QCOMPARE(modifierMaskContaining(nullptr, 2, {77}), quint16(0));
    }

    void keycodeLookups()
    {
        QList<quint8> codes;
        appendKeycodes(codes, nullptr); // the layout has no such key
        QVERIFY(codes.isEmpty());
        const quint8 equal[] = {21, 0};
        const quint8 plus[] = {21, 0}; // "+" is Shift+"=" on this layout
        const quint8 keypadAdd[] = {86, 125, 0, 99}; // nothing after the terminator counts
        appendKeycodes(codes, equal);
        appendKeycodes(codes, plus);
        appendKeycodes(codes, keypadAdd);
        QCOMPARE(codes, (QList<quint8> {21, 86, 125}));
    }

    // Each step: 'p'/'r' press or release, keycode, time; `repeats` says which presses are
    // auto-repeat.
    void repeatDetection_data()
    {
        QTest::addColumn<QString>("events");
        QTest::addColumn<QString>("repeats");
        QTest::newRow("single tap") << QStringLiteral("p33@100 r33@180") << QStringLiteral("n");
        QTest::newRow("two taps") << QStringLiteral("p33@100 r33@180 p33@400 r33@470")
                                  << QStringLiteral("nn");
        // Servers with detectable auto-repeat: presses, then one release.
        QTest::newRow("held, detectable")
            << QStringLiteral("p33@100 p33@600 p33@640 r33@700") << QStringLiteral("nyy");
        // Others pair a release with a press of the same timestamp.
        QTest::newRow("held, paired releases")
            << QStringLiteral("p33@100 r33@600 p33@600 r33@640 p33@640 r33@700")
            << QStringLiteral("nyy");
        QTest::newRow("release of another key in between")
            << QStringLiteral("p33@100 r33@600 r40@600 p33@600") << QStringLiteral("nn");
        QTest::newRow("other key pressed while held")
            << QStringLiteral("p33@100 p40@300 p33@400") << QStringLiteral("nny");
        QTest::newRow("same time, different key")
            << QStringLiteral("p33@100 r33@200 p40@200") << QStringLiteral("nn");
        QTest::newRow("released by keycode, new press")
            << QStringLiteral("p33@100 r33@200 p33@900") << QStringLiteral("nn");
    }
    void repeatDetection()
    {
        QFETCH(QString, events);
        QFETCH(QString, repeats);
        RepeatDetector detector;
        QString got;
        for (const QString &e : events.split(u' ')) {
            const qsizetype at = e.indexOf(u'@');
            const auto keycode = quint8(e.mid(1, at - 1).toInt());
            const auto time = quint32(e.mid(at + 1).toUInt());
            if (e.startsWith(u'p'))
                got += detector.press(keycode, time) ? u'y' : u'n';
            else
                detector.release(keycode, time);
        }
        QCOMPARE(got, repeats);
    }
};

QTEST_APPLESS_MAIN(TestHotKeysMatch)
#include "tst_hot_keys_match.moc"
