// SPDX-License-Identifier: GPL-3.0-or-later
// What the recogniser is fed: the capture made 16 kHz, where utterances end in a noisy room,
// and pronunciations for words the dictionary lacks.
#include "platform/audio_input_downsample.h"
#include "platform/speech_recognizer_pause.h"
#include "platform/speech_recognizer_pronounce.h"

#include <QHash>
#include <QTest>

#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

using namespace qm::platform;

namespace {

std::vector<float> tone(double hz, std::size_t n, double amplitude = 0.5)
{
    std::vector<float> out(n);
    for (std::size_t i = 0; i < n; ++i)
        out[i] = float(amplitude * std::sin(2 * std::numbers::pi * hz * double(i) / 48000));
    return out;
}

// RMS of the output past the filter's start-up, as a share of full scale.
double level(const std::vector<int16_t> &s)
{
    double sum = 0;
    std::size_t n = 0;
    for (std::size_t i = 100; i < s.size(); ++i, ++n)
        sum += double(s[i]) * s[i];
    return std::sqrt(sum / double(n)) / 32767;
}

// 16 kHz: a voice (a 220 Hz tone in syllables four a second) with a gap in it, `gapDb` below
// the voice, over a room's steady noise `roomDb` below the voice. Like an utterance, it opens
// with a quarter of a second of the room alone.
std::vector<int16_t> voiceWithGap(
    double seconds, double gapAt, double gapLength, double roomDb, double gapDb = 200)
{
    const double inGap = std::pow(10, -gapDb / 20);
    std::vector<int16_t> out(std::size_t(seconds * 16000));
    uint32_t seed = 1;
    const double room = 0.2 * std::pow(10, -roomDb / 20) * std::sqrt(3.0);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) / 16000;
        const bool gap = t >= gapAt && t < gapAt + gapLength;
        const double gain = t < 0.25 ? 0 : gap ? inGap : 1;
        const double syllable = std::abs(std::sin(std::numbers::pi * 4 * t));
        const double voice = gain * 0.4 * syllable * std::sin(2 * std::numbers::pi * 220 * t);
        seed = seed * 1664525 + 1013904223;
        const double noise = room * (double(seed >> 8) / double(1 << 24) * 2 - 1);
        out[i] = int16_t(std::lrint((voice + noise) * 32767));
    }
    return out;
}

// Phones the acoustic model knows.
const QSet<QByteArray> kPhones {"AA", "AE", "AH", "AO", "AW", "AY", "B", "CH", "D", "DH", "EH",
    "ER", "EY", "F", "G", "HH", "IH", "IY", "JH", "K", "L", "M", "N", "NG", "OW", "OY", "P", "R",
    "S", "SH", "T", "TH", "UH", "UW", "V", "W", "Y", "Z", "ZH"};

} // namespace

class TestSpeechInput : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void downsampling_data()
    {
        QTest::addColumn<double>("hz");
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        // Speech passes at its level (0.5 amplitude → 0.354 RMS); what lies above the new half
        // rate is removed rather than folded back as a false tone.
        QTest::newRow("300 Hz") << 300.0 << 0.34 << 0.37;
        QTest::newRow("3 kHz") << 3000.0 << 0.34 << 0.37;
        QTest::newRow("10 kHz") << 10000.0 << 0.0 << 0.002;
        QTest::newRow("15 kHz") << 15000.0 << 0.0 << 0.002;
    }
    void downsampling()
    {
        QFETCH(double, hz);
        QFETCH(double, low);
        QFETCH(double, high);
        Downsampler d;
        std::vector<int16_t> out;
        d.push(tone(hz, 48000), out);
        QCOMPARE(out.size(), std::size_t(16000));
        const double rms = level(out);
        QVERIFY2(rms >= low && rms <= high, qPrintable(QString::number(rms)));
    }

    // Blocks of sizes that do not divide by three give the same samples as one long block: the
    // filter and the every-third-sample step carry over from block to block.
    void blocksJoinSeamlessly()
    {
        const std::vector<float> in = tone(440, 10000, 1.2); // clipped on purpose
        Downsampler whole;
        std::vector<int16_t> expected;
        whole.push(in, expected);
        Downsampler pieces;
        std::vector<int16_t> got;
        std::size_t at = 0;
        for (std::size_t size : {1, 2, 1024, 7, 0, 5000}) {
            pieces.push(std::span<const float>(in).subspan(at, size), got);
            at += size;
        }
        pieces.push(std::span<const float>(in).subspan(at), got);
        QCOMPARE(got, expected);
        QCOMPARE(*std::max_element(got.begin(), got.end()), int16_t(32767));
    }

    // A pause is heard where the voice stops for a sentence's breath even with a room talking
    // 10 dB below it, and not within words (a stop's closure is a dip, not silence), in the
    // first second, or where the room is as loud as the voice.
    void pauses_data()
    {
        QTest::addColumn<double>("gapAt");
        QTest::addColumn<double>("gapLength");
        QTest::addColumn<double>("roomDb");
        QTest::addColumn<double>("gapDb");
        QTest::addColumn<bool>("heard");
        QTest::newRow("a breath, room 10 dB below") << 2.0 << 0.25 << 10.0 << 200.0 << true;
        QTest::newRow("a breath, quiet room") << 2.0 << 0.25 << 60.0 << 200.0 << true;
        QTest::newRow("a closure, quiet room") << 2.0 << 0.25 << 60.0 << 20.0 << false;
        QTest::newRow("between syllables only") << 2.0 << 0.0 << 10.0 << 200.0 << false;
        QTest::newRow("a short gap") << 2.0 << 0.1 << 10.0 << 200.0 << false;
        QTest::newRow("in the first second") << 0.4 << 0.3 << 10.0 << 200.0 << false;
        QTest::newRow("room as loud as the voice") << 2.0 << 0.3 << 0.0 << 200.0 << false;
    }
    void pauses()
    {
        QFETCH(double, gapAt);
        QFETCH(double, gapLength);
        QFETCH(double, roomDb);
        QFETCH(double, gapDb);
        QFETCH(bool, heard);
        const std::vector<int16_t> audio = voiceWithGap(4, gapAt, gapLength, roomDb, gapDb);
        PauseDetector pauses;
        std::optional<double> at;
        for (std::size_t i = 0; i + 1600 <= audio.size() && !at; i += 1600) {
            if (pauses.push(std::span<const int16_t>(audio).subspan(i, 1600)))
                at = double(i + 1600) / 16000;
        }
        QCOMPARE(at.has_value(), heard);
        if (at) {
            // Within the gap or the block that holds its end.
            QVERIFY2(
                *at > gapAt && *at <= gapAt + gapLength + 0.1, qPrintable(QString::number(*at)));
            // A new utterance starts without it.
            pauses.reset();
            QVERIFY(!pauses.push(std::span<const int16_t>(audio).subspan(0, 1600)));
        }
    }

    void guessedPronunciations_data()
    {
        QTest::addColumn<QByteArray>("word");
        QTest::addColumn<QByteArray>("phones");
        QTest::newRow("name") << QByteArray("marvella") << QByteArray("M AA R V EH L AH");
        QTest::newRow("vowel team") << QByteArray("quintrook") << QByteArray("K W IH N T R UW K");
        QTest::newRow("silent e") << QByteArray("brane") << QByteArray("B R EY N");
        QTest::newRow("soft c, -tion")
            << QByteArray("cinection") << QByteArray("S IH N EH K SH AH N");
        QTest::newRow("past after t") << QByteArray("flarted") << QByteArray("F L AA R T IH D");
        QTest::newRow("silent k, -ing") << QByteArray("knarping") << QByteArray("N AA R P IH NG");
        QTest::newRow("doubled letter") << QByteArray("zibbet") << QByteArray("Z IH B EH T");
        QTest::newRow("apostrophe") << QByteArray("o'dell") << QByteArray("AA D EH L");
        QTest::newRow("no letters") << QByteArray("'") << QByteArray();
    }
    void guessedPronunciations()
    {
        QFETCH(QByteArray, word);
        QFETCH(QByteArray, phones);
        QCOMPARE(guessPronunciation(word), phones);
    }

    // Whatever the spelling, the guess is made of the model's phones only; one phone it does
    // not know would make the decoder refuse the word.
    void guessesUseKnownPhones()
    {
        const char *words[] = {"xylophagous", "tschirnhaus", "yggdrasil", "aeiouy", "qqq",
            "bookkeeper", "rhythm", "ouija", "schmooze", "ptarmigan", "zzz", "a", "y", "eye"};
        for (const char *w : words) {
            const QByteArray phones = guessPronunciation(w);
            QVERIFY2(!phones.isEmpty(), w);
            for (const QByteArray &p : phones.split(' '))
                QVERIFY2(kPhones.contains(p), QByteArray(QByteArray(w) + ": " + p).constData());
        }
    }

    void composedPronunciations_data()
    {
        QTest::addColumn<QByteArray>("word");
        QTest::addColumn<QByteArray>("phones");
        QTest::newRow("plural after a voiced end")
            << QByteArray("harbours") << QByteArray("HH AA R B ER Z");
        QTest::newRow("plural after a sibilant")
            << QByteArray("marches") << QByteArray("M AA R CH IH Z");
        QTest::newRow("past after t") << QByteArray("tasted") << QByteArray("T EY S T IH D");
        QTest::newRow("past after a voiceless end")
            << QByteArray("marched") << QByteArray("M AA R CH T");
        QTest::newRow("compound") << QByteArray("harbourtaste")
                                  << QByteArray("HH AA R B ER T EY S T");
        QTest::newRow("neither") << QByteArray("quintrook") << QByteArray();
    }
    void composedPronunciations()
    {
        QFETCH(QByteArray, word);
        QFETCH(QByteArray, phones);
        const QHash<QByteArray, QByteArray> dictionary {{"harbour", "HH AA R B ER"},
            {"march", "M AA R CH"}, {"taste", "T EY S T"}, {"tast", ""}};
        auto lookup = [&](const QByteArray &w) { return dictionary.value(w); };
        QCOMPARE(composedPronunciation(word, lookup), phones);
        // Every part the composition needs is among those it says it may ask for.
        if (!phones.isEmpty()) {
            const QList<QByteArray> parts = pronunciationParts(word);
            bool asked = false;
            for (const QByteArray &p : parts)
                asked = asked || dictionary.contains(p);
            QVERIFY(asked);
        }
    }
};

QTEST_APPLESS_MAIN(TestSpeechInput)
#include "tst_speech_input.moc"
