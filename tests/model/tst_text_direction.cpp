// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/text_direction.h"

#include <QTest>

using namespace qm;

class TestTextDirection final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void paragraphDirection_data()
    {
        QTest::addColumn<QString>("paragraph");
        QTest::addColumn<Qt::LayoutDirection>("direction");
        QTest::newRow("empty") << QString() << Qt::LayoutDirectionAuto;
        QTest::newRow("digits and punctuation")
            << QStringLiteral(" 2024 - 12, (#) ") << Qt::LayoutDirectionAuto;
        QTest::newRow("first strong letter after neutrals")
            << QStringLiteral("# 12 مقدمة Intro") << Qt::RightToLeft;
        QTest::newRow("isolated Latin skipped")
            << QStringLiteral("\u2066Quillmere\u2069 שלום") << Qt::RightToLeft;
        QTest::newRow("nested isolates skipped")
            << QStringLiteral("\u2067\u2066a\u2069b\u2069 c") << Qt::LeftToRight;
        QTest::newRow("unclosed isolate hides the rest")
            << QStringLiteral("1 \u2068שלום") << Qt::LayoutDirectionAuto;
        QTest::newRow("astral right-to-left letter")
            << QString::fromUcs4(U"\U0001E900") << Qt::RightToLeft;
    }
    void paragraphDirection()
    {
        QFETCH(QString, paragraph);
        QFETCH(Qt::LayoutDirection, direction);
        QCOMPARE(qm::paragraphDirection(paragraph), direction);
    }
};

QTEST_GUILESS_MAIN(TestTextDirection)
#include "tst_text_direction.moc"
