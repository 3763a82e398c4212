// SPDX-License-Identifier: GPL-3.0-or-later
#include "speech_recognizer_pronounce.h"

#include <QByteArrayList>

#include <string_view>

namespace qm::platform {

namespace {

bool isVowel(char c)
{
    return c == 'a' || c == 'e' || c == 'i' || c == 'o' || c == 'u';
}

// The letters of `w` at `i` and after, or nothing past its end.
char at(std::string_view w, std::size_t i)
{
    return i < w.size() ? w[i] : '\0';
}

bool startsWith(std::string_view w, std::size_t i, std::string_view s)
{
    return w.substr(i, s.size()) == s;
}

bool softens(char c)
{
    return c == 'e' || c == 'i' || c == 'y';
}

bool voicelessEnd(const QByteArrayList &phones)
{
    if (phones.isEmpty())
        return false;
    const QByteArray &p = phones.back();
    return p == "P" || p == "T" || p == "K" || p == "F" || p == "TH" || p == "S" || p == "SH"
        || p == "CH";
}

// A vowel letter followed by one consonant and a silent final e, as in "rate", "theme",
// "kite", "note", "mute": the vowel says its name.
bool magicE(std::string_view w, std::size_t i)
{
    const char c = at(w, i + 1);
    return c != '\0' && !isVowel(c) && c != 'r' && c != 'w' && c != 'x' && c != 'y'
        && at(w, i + 2) == 'e'
        && (i + 3 == w.size() || (at(w, i + 3) == 's' && i + 4 == w.size())
            || (at(w, i + 3) == 'd' && i + 4 == w.size()));
}

const char *longVowel(char c)
{
    switch (c) {
    case 'a':
        return "EY";
    case 'e':
        return "IY";
    case 'i':
        return "AY";
    case 'o':
        return "OW";
    default:
        return "UW";
    }
}

const char *shortVowel(char c)
{
    switch (c) {
    case 'a':
        return "AE";
    case 'e':
        return "EH";
    case 'i':
        return "IH";
    case 'o':
        return "AA";
    default:
        return "AH";
    }
}

struct Rule {
    std::string_view letters;
    const char *phones;
};

// Spellings read the same wherever they stand, longest first within a starting letter.
constexpr Rule kRules[] = {
    {"tion", "SH AH N"},
    {"sion", "ZH AH N"},
    {"ture", "CH ER"},
    {"eau", "OW"},
    {"igh", "AY"},
    {"ough", "AO"},
    {"augh", "AO"},
    {"tch", "CH"},
    {"sch", "S K"},
    {"dge", "JH"},
    {"ch", "CH"},
    {"sh", "SH"},
    {"th", "TH"},
    {"ph", "F"},
    {"wh", "W"},
    {"ck", "K"},
    {"ng", "NG"},
    {"qu", "K W"},
    {"ee", "IY"},
    {"ea", "IY"},
    {"ei", "EY"},
    {"ai", "EY"},
    {"ay", "EY"},
    {"oa", "OW"},
    {"oo", "UW"},
    {"ou", "AW"},
    {"oi", "OY"},
    {"oy", "OY"},
    {"au", "AO"},
    {"aw", "AO"},
    {"ew", "UW"},
    {"ui", "UW"},
};

} // namespace

QByteArray guessPronunciation(const QByteArray &spelled)
{
    std::string w;
    for (char c : spelled) {
        if (c >= 'a' && c <= 'z')
            w.push_back(c);
    }
    const std::string_view word(w);
    QByteArrayList out;
    auto say = [&](const char *phones) {
        for (const QByteArray &p : QByteArray(phones).split(' ')) {
            // The same sound twice running is heard once ("bookkeeper").
            if (!p.isEmpty() && (out.isEmpty() || out.back() != p))
                out << p;
        }
    };
    const std::size_t n = word.size();
    std::size_t i = 0;
    // A silent first letter: "knight", "write", "psalm", "gnome".
    if (n > 2
        && (startsWith(word, 0, "kn") || startsWith(word, 0, "wr") || startsWith(word, 0, "ps")
            || startsWith(word, 0, "gn")))
        i = 1;
    while (i < n) {
        const char c = word[i];
        const bool last = i + 1 == n;
        // Endings first: they change how the letters before them sound.
        if (i + 2 == n && i >= 2 && word.substr(i) == "ed") {
            const char before = word[i - 1];
            if (before == 't' || before == 'd')
                say("IH D");
            else
                say(voicelessEnd(out) ? "T" : "D");
            break;
        }
        if (i + 3 == n && i >= 2 && word.substr(i) == "ing") {
            say("IH NG");
            break;
        }
        if (i + 2 == n && i >= 2 && word.substr(i) == "le" && !isVowel(word[i - 1])) {
            say("AH L");
            break;
        }
        if (i + 2 == n && i >= 2 && word.substr(i) == "es"
            && (word[i - 1] == 's' || word[i - 1] == 'x' || word[i - 1] == 'z'
                || (i >= 3 && word[i - 1] == 'h' && (word[i - 2] == 'c' || word[i - 2] == 's')))) {
            say("IH Z");
            break;
        }
        // A silent final e, and the e of a plural or past after a long vowel.
        if (c == 'e' && i > 0
            && (last || (i + 2 == n && (word[i + 1] == 's' || word[i + 1] == 'd'))) && n > 2) {
            if (!last) {
                if (word[i + 1] == 's')
                    say(voicelessEnd(out) ? "S" : "Z");
                else
                    say(voicelessEnd(out) ? "T" : "D");
            }
            break;
        }
        // A vowel before r that no vowel follows: "car", "her", "bird", "turn", "fork".
        if (isVowel(c) && at(word, i + 1) == 'r' && !isVowel(at(word, i + 2))
            && at(word, i + 2) != 'y') {
            if (c == 'a')
                say("AA R");
            else if (c == 'o')
                say("AO R");
            else
                say("ER");
            i += 2;
            continue;
        }
        const Rule *rule = nullptr;
        for (const Rule &r : kRules) {
            if (startsWith(word, i, r.letters)) {
                rule = &r;
                break;
            }
        }
        if (rule) {
            say(rule->phones);
            i += rule->letters.size();
            continue;
        }
        // "ow" and "ey" at the end: "window", "valley".
        if (startsWith(word, i, "ow")) {
            say(i + 2 == n ? "OW" : "AW");
            i += 2;
            continue;
        }
        if (startsWith(word, i, "ey")) {
            say(i + 2 == n ? "IY" : "EY");
            i += 2;
            continue;
        }
        if (startsWith(word, i, "ie")) {
            say(i + 2 == n && n <= 3 ? "AY" : "IY");
            i += 2;
            continue;
        }
        if (startsWith(word, i, "ue")) {
            say("UW");
            i += 2;
            continue;
        }
        if (startsWith(word, i, "gh")) {
            if (i == 0)
                say("G");
            i += 2;
            continue;
        }
        if (isVowel(c)) {
            if (magicE(word, i))
                say(longVowel(c));
            else if (last)
                say(c == 'a' ? "AH" : c == 'e' ? "IY" : c == 'i' ? "IY" : longVowel(c));
            else
                say(shortVowel(c));
            ++i;
            continue;
        }
        if (c == 'y') {
            if (i == 0 && isVowel(at(word, 1)))
                say("Y");
            else if (last)
                say(n <= 3 ? "AY" : "IY");
            else
                say("IH");
            ++i;
            continue;
        }
        switch (c) {
        case 'b':
            say("B");
            break;
        case 'c':
            say(softens(at(word, i + 1)) ? "S" : "K");
            break;
        case 'd':
            say("D");
            break;
        case 'f':
            say("F");
            break;
        case 'g':
            say(softens(at(word, i + 1)) ? "JH" : "G");
            break;
        case 'h':
            say("HH");
            break;
        case 'j':
            say("JH");
            break;
        case 'k':
            say("K");
            break;
        case 'l':
            say("L");
            break;
        case 'm':
            say("M");
            break;
        case 'n':
            say(at(word, i + 1) == 'k' ? "NG" : "N");
            break;
        case 'p':
            say("P");
            break;
        case 'q':
            say("K");
            break;
        case 'r':
            say("R");
            break;
        case 's':
            // Between vowels and at the end after a voiced sound, s is said z.
            if ((i > 0 && isVowel(word[i - 1]) && isVowel(at(word, i + 1)))
                || (last && i > 0 && !voicelessEnd(out) && word[i - 1] != 's'))
                say("Z");
            else
                say("S");
            break;
        case 't':
            say("T");
            break;
        case 'v':
            say("V");
            break;
        case 'w':
            say("W");
            break;
        case 'x':
            say(i == 0 ? "Z" : "K S");
            break;
        case 'z':
            say("Z");
            break;
        default:
            break;
        }
        ++i;
    }
    return out.join(' ');
}

QList<QByteArray> pronunciationParts(const QByteArray &word)
{
    QList<QByteArray> parts;
    constexpr qsizetype kShortest = 3;
    for (qsizetype cut = kShortest; cut + kShortest <= word.size(); ++cut)
        parts << word.left(cut) << word.mid(cut);
    for (const char *ending : {"'s", "s", "es", "ed", "d", "ing", "er", "ers", "ly"}) {
        if (word.endsWith(ending) && word.size() - qsizetype(qstrlen(ending)) >= kShortest)
            parts << word.chopped(qstrlen(ending));
    }
    if (word.endsWith("ing") && word.size() > 6)
        parts << word.chopped(3) + 'e'; // "making" → "make"
    return parts;
}

QByteArray composedPronunciation(
    const QByteArray &word, const std::function<QByteArray(const QByteArray &)> &lookup)
{
    // A known word with an ending.
    struct Ending {
        const char *letters;
        const char *phones; // null: depends on the stem's last sound
        bool addE = false;
    };
    const Ending endings[] = {{"'s", nullptr}, {"s", nullptr}, {"es", "IH Z"}, {"ed", nullptr},
        {"d", nullptr}, {"ing", "IH NG"}, {"ing", "IH NG", true}, {"ers", "ER Z"}, {"er", "ER"},
        {"ly", "L IY"}};
    for (const Ending &e : endings) {
        const qsizetype len = qstrlen(e.letters);
        if (!word.endsWith(e.letters) || word.size() - len < 3)
            continue;
        QByteArray stem = word.chopped(len);
        if (e.addE)
            stem += 'e';
        const QByteArray base = lookup(stem);
        if (base.isEmpty())
            continue;
        if (e.phones)
            return base + ' ' + e.phones;
        const QByteArrayList phones = base.split(' ');
        const QByteArray &end = phones.back();
        const bool voiceless = voicelessEnd(phones);
        if (word.endsWith("s")) {
            const bool sibilant = end == "S" || end == "Z" || end == "SH" || end == "ZH"
                || end == "CH" || end == "JH";
            return base + (sibilant ? " IH Z" : voiceless ? " S" : " Z");
        }
        const bool alveolar = end == "T" || end == "D";
        return base + (alveolar ? " IH D" : voiceless ? " T" : " D");
    }
    // Two known words, the longer first part preferred: "sandcastle", "harbourside".
    for (qsizetype cut = word.size() - 3; cut >= 3; --cut) {
        const QByteArray first = lookup(word.left(cut));
        if (first.isEmpty())
            continue;
        const QByteArray second = lookup(word.mid(cut));
        if (!second.isEmpty())
            return first + ' ' + second;
    }
    return {};
}

} // namespace qm::platform
