// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/binary_file.h"
#include "text/text_decoding.h"
#include "reading/sound_table.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <SDL.h>
#include <algorithm>
#include <cmath>
#include <utility>
#include <gtest/gtest.h>
#include <vector>

// The voice set bundled with the program, as built: every character of the sample
// exercise speaks, and every sound the table names is there and decodes.
namespace {

const QString kVoiceSet = QStringLiteral(VOICE_SET_DIR) + QLatin1Char('/');

QByteArray bytesOf(const QString &name)
{
    const platform::FileContent content = platform::readOrCreateFile(kVoiceSet + name);
    EXPECT_TRUE(content.ok) << qPrintable(name);
    return content.bytes;
}

// What espeak-ng's French voice says for a text, as phonemes, without stress marks,
// pauses and blanks: what a listener tells apart.
QString phonemes(const QString &text)
{
    QProcess espeak;
    espeak.start(QStringLiteral("espeak-ng"), {QStringLiteral("-v"), QStringLiteral("fr"), QStringLiteral("-q"),
                                               QStringLiteral("-x"), text});
    if (!espeak.waitForFinished(10000) || espeak.exitCode() != 0)
        return QStringLiteral("(espeak-ng failed on %1)").arg(text);
    static const QRegularExpression marks(QStringLiteral("_[!|:]?|[',\\s]"));
    return QString::fromUtf8(espeak.readAllStandardOutput()).remove(marks);
}

// The word spoken for each character, from the voice set's source list.
QMap<QChar, QString> spokenWords()
{
    QFile list(QStringLiteral(VOICE_SET_TSV));
    EXPECT_TRUE(list.open(QIODevice::ReadOnly));
    QMap<QChar, QString> words;
    for (const QString &line : QString::fromUtf8(list.readAll()).split(QLatin1Char('\n'))) {
        const QStringList columns = line.split(QLatin1Char('\t'));
        if (columns.size() == 3 && !line.startsWith(QLatin1Char('#')))
            for (const QChar character : columns[2])
                words.insert(character, columns[1]);
    }
    return words;
}

struct Sound
{
    QString name;
    std::vector<double> samples; // full scale is 1
    int rate = 0;

    double seconds() const { return static_cast<double>(samples.size()) / rate; }
};

std::vector<Sound> spokenSounds()
{
    std::vector<Sound> sounds;
    const QStringList files = QDir(kVoiceSet).entryList({QStringLiteral("*.wav")}, QDir::Files, QDir::Name);
    for (const QString &file : files) {
        if (file == QStringLiteral("silence.wav"))
            continue;
        SDL_AudioSpec spec{};
        Uint8 *buffer = nullptr;
        Uint32 length = 0;
        if (SDL_LoadWAV((kVoiceSet + file).toUtf8().constData(), &spec, &buffer, &length) == nullptr) {
            ADD_FAILURE() << qPrintable(file) << ": " << SDL_GetError();
            continue;
        }
        Sound sound{file, {}, spec.freq};
        const auto *pcm = reinterpret_cast<const Sint16 *>(buffer);
        for (Uint32 i = 0; i < length / 2; ++i)
            sound.samples.push_back(pcm[i] / 32768.0);
        SDL_FreeWAV(buffer);
        sounds.push_back(std::move(sound));
    }
    return sounds;
}

double decibels(double level)
{
    return 20.0 * std::log10(std::max(level, 1e-9));
}

} // namespace

TEST(VoiceSet, EachLetterAndDigitSaysItsFrenchNameUnlikeAnyOther)
{
    // espeak-ng reading the lone character says its French name: the word must sound the same.
    const QMap<QChar, QString> words = spokenWords();
    QMap<QString, QChar> heard;
    for (const QChar character : QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789")) {
        ASSERT_TRUE(words.contains(character)) << "no word for " << character.toLatin1();
        const QString word = phonemes(words[character]);
        EXPECT_EQ(word, phonemes(character)) << character.toLatin1() << " is said \"" << qPrintable(words[character])
                                             << "\" [" << qPrintable(word) << "]";
        EXPECT_FALSE(heard.contains(word)) << character.toLatin1() << " sounds like " << heard[word].toLatin1()
                                           << " [" << qPrintable(word) << "]";
        heard.insert(word, character);
    }
}

TEST(VoiceSet, SignsBracketsAndAccentsSayTheirUsualFrenchNames)
{
    // As espeak-ng transcribes what the voice says: « + » is /plys/, never the /ply/ of « ne… plus »,
    // and « guillemet ouvrant » has no liaison /t/.
    const QMap<QChar, QString> words = spokenWords();
    const std::pair<QChar, const char *> names[] = {
        {u'+', "plys"},           {u'\u00D7', "fwa"},          {u'*', "asterisk"},        {u'%', "pursA~"},
        {u'#', "djEz"},           {u'\u2019', "apOstrOf"},     {u'\u00AB', "gijmEuvrA~"}, {u'\u00BB', "gijmEfErmA~"},
        {u'<', "E~ferjWr"},       {u'>', "syperjWr"},          {u'[', "kroSEuvrA~"},      {u']', "kroSEfErmA~"},
        {u'\u00EA', "@sirkO~flEks"}, {u'\u00E2', "asirkO~flEks"}, {u'\u00EE', "isirkO~flEks"},
        {u'\u00F4', "osirkO~flEks"}, {u'\u00FB', "ysirkO~flEks"}, {u'\u00EB', "@trema"},
        {u'\u00EF', "itrema"},      {u'\u0153', "@dA~lo"},
        // What French typography and a keyboard add to a text.
        {u'\u2014', "tirEkadratE~"}, {u'\u2013', "d@mikadratE~"}, {u'\u201C', "gijmEuvrA~"},
        {u'\u201D', "gijmEfErmA~"}, {u'\u2018', "apOstrOfuvrA~t"}, {u'\u2026', "pwE~dsyspA~sjO~"},
        {u'\u00B0', "d@gre"},       {u'\u20AC', "Yro"},            {u'\u00E6', "@dA~la"},
        {u'\u0178', "igrEktrema"},  {u'\u00A7', "paragraf"},       {u'\u00B2', "EkspozA~dY"},
        {u'\u00B5', "mikro"},       {u'\u00B7', "pwE~medjA~"},     {u'\u00DF', "EstsEt"},
        {u'\u00BF', "kEstjO~E~vErse"}, {u'\u00A1', "EksklamE~vErse"}, {u'^', "sirkO~flEks"},
        {u'~', "tild"},              {u'`', "aksA~grav"},           {u'{', "akoladuvrA~t"},
        {u'}', "akoladfErmA~t"},     {u'|', "barvErtikal"},         {u'\\', "barOblikE~vErse"},
    };
    for (const auto &[character, name] : names) {
        ASSERT_TRUE(words.contains(character)) << "no word for U+" << std::hex << character.unicode();
        EXPECT_EQ(phonemes(words[character]).toStdString(), name)
            << "U+" << std::hex << character.unicode() << " is said \"" << qPrintable(words[character]) << '"';
    }
}

TEST(VoiceSet, NoTwoSoundsSayTheSameWord)
{
    const QMap<QChar, QString> words = spokenWords();
    QMap<QString, QString> heard; // phonemes -> word
    for (const QString &word : QSet<QString>(words.cbegin(), words.cend())) {
        const QString said = phonemes(word);
        EXPECT_FALSE(heard.contains(said)) << '"' << qPrintable(word) << "\" sounds like \"" << qPrintable(heard[said])
                                           << "\" [" << qPrintable(said) << ']';
        heard.insert(said, word);
    }
}

TEST(VoiceSet, SoundNamesAreSafeFileNamesOnWindowsAndLinux)
{
    // Lower-case ASCII letters, digits and '_' only: no character that Windows refuses in a
    // name (< > * % # are table characters), no blank or quote, and no two names that differ
    // by case alone, since a lookup that ignores case would take either.
    static const QRegularExpression safe(QStringLiteral("^[a-z0-9_]{1,64}$"));
    static const QRegularExpression device(QStringLiteral("^(con|prn|aux|nul|com[0-9]|lpt[0-9])$"));
    reading::SoundTable table;
    table.load(platform::decodeText(bytesOf(QStringLiteral("kaloncor.ref"))));
    for (const std::u32string &row : table.rows()) {
        if (row.empty())
            continue;
        const QString name = platform::toQString(row.substr(2)).trimmed();
        EXPECT_TRUE(safe.match(name).hasMatch()) << qPrintable(name);
        EXPECT_FALSE(device.match(name).hasMatch()) << qPrintable(name) << " is a Windows device name";
    }
}

TEST(VoiceSet, EverySoundFileIsDistinct)
{
    QMap<QByteArray, QString> seen;
    for (const QString &file : QDir(kVoiceSet).entryList({QStringLiteral("*.wav")}, QDir::Files)) {
        const QByteArray hash = QCryptographicHash::hash(bytesOf(file), QCryptographicHash::Sha256);
        EXPECT_FALSE(seen.contains(hash)) << qPrintable(file) << " is the same as " << qPrintable(seen[hash]);
        seen.insert(hash, file);
    }
    EXPECT_GE(seen.size(), 60);
}

TEST(VoiceSet, EverySoundIsEquallyLoudShortAndStartsAndStopsWithoutAClick)
{
    const std::vector<Sound> sounds = spokenSounds();
    ASSERT_GE(sounds.size(), 60u);
    constexpr double kSilence = 1.0 / 316; // -50 dBFS: below it, nothing is heard
    double quietest = 0;
    double loudest = -200;
    for (const Sound &sound : sounds) {
        const std::vector<double> &x = sound.samples;
        const char *name = qPrintable(sound.name);
        ASSERT_FALSE(x.empty()) << name;
        double peak = 0;
        double energy = 0;
        for (const double sample : x) {
            peak = std::max(peak, std::abs(sample));
            energy += sample * sample;
        }
        const double rms = decibels(std::sqrt(energy / x.size()));
        quietest = std::min(quietest, rms);
        loudest = std::max(loudest, rms);
        EXPECT_LE(decibels(peak), -1.0 + 0.01) << name;
        EXPECT_LT(sound.seconds(), 0.8) << name;

        const auto loud = [&](double sample) { return std::abs(sample) > kSilence; };
        const auto first = std::find_if(x.begin(), x.end(), loud) - x.begin();
        const auto last = x.rend() - std::find_if(x.rbegin(), x.rend(), loud);
        EXPECT_LE(first * 1000.0 / sound.rate, 5.0) << name << ": leading silence";
        EXPECT_LE((x.size() - last) * 1000.0 / sound.rate, 20.0) << name << ": trailing silence";

        // A 5 ms fade: no sample near an end rises above the straight line from 0 to the peak.
        const int fade = sound.rate * 5 / 1000;
        for (int i = 0; i < fade && i < static_cast<int>(x.size()); ++i) {
            const double ceiling = peak * (i + 1) / fade + 2.0 / 32768;
            EXPECT_LE(std::abs(x[i]), ceiling) << name << ": fade-in at sample " << i;
            EXPECT_LE(std::abs(x[x.size() - 1 - i]), ceiling) << name << ": fade-out at " << i << " from the end";
        }
    }
    EXPECT_LE(loudest - quietest, 2.0) << "RMS from " << quietest << " to " << loudest << " dBFS";
}

TEST(VoiceSet, TableIsUtf8WithCrLfRows)
{
    // UTF-8, since Windows-1252 has no narrow no-break space.
    const QByteArray table = bytesOf(QStringLiteral("kaloncor.ref"));
    ASSERT_FALSE(table.isEmpty());
    EXPECT_TRUE(platform::isValidUtf8(table));
    EXPECT_FALSE(table.startsWith("\xEF\xBB\xBF")) << "no byte-order mark";
    EXPECT_TRUE(table.contains("\xC3\xA9 e_aigu\r\n"));
    EXPECT_TRUE(table.contains("\xE2\x80\x99 apostrophe\r\n"));
    EXPECT_TRUE(table.startsWith("  silence\r\n")) << "the blank has a (silent) sound";
    EXPECT_TRUE(table.contains("\xE2\x80\xAF silence\r\n\t silence\r\n"));
    EXPECT_EQ(table.count("\r\n"), table.count('\n')) << "every row ends with CR LF";
}

TEST(VoiceSet, EveryCharacterOfTheSampleHasASound)
{
    reading::SoundTable table;
    table.load(platform::decodeText(bytesOf(QStringLiteral("kaloncor.ref"))));
    const QByteArray sample = bytesOf(QStringLiteral("test.txt"));
    ASSERT_GT(sample.size(), 50);
    EXPECT_TRUE(sample.contains("\r\n"));
    for (const char32_t character : platform::decodeText(sample)) {
        const reading::SoundTable::Lookup found = table.lookup(character);
        EXPECT_NE(found.outcome, reading::SoundTable::Outcome::Missing)
            << "no sound for U+" << std::hex << static_cast<unsigned>(character);
    }
}

TEST(VoiceSet, CoversLettersDigitsMorsePunctuationBracketsAndFrenchAccents)
{
    reading::SoundTable table;
    table.load(platform::decodeText(bytesOf(QStringLiteral("kaloncor.ref"))));
    const std::u32string expected = U"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"
                                    U".,?/=+-'\":;()@!&$_ éèàçùäöüñÉÈÀÇÙÄÖÜÑ"
                                    U"×’«»<>[]*%# êâîôûëïœÊÂÎÔÛËÏŒ"
                                    U"—–“”‘…°€æÆÿŸ§²³µ·ß¿¡^~{|}\\`";
    for (const char32_t character : expected)
        EXPECT_EQ(table.lookup(character).outcome, reading::SoundTable::Outcome::Found)
            << "U+" << std::hex << static_cast<unsigned>(character);
    EXPECT_EQ(table.lookup(U'a').soundName, table.lookup(U'A').soundName);
    for (const char32_t blank : std::u32string(U"\u00A0\u202F\t"))
        EXPECT_EQ(table.lookup(blank).soundName, QStringLiteral("silence")) << std::hex << static_cast<unsigned>(blank);
    // An accent written apart (e + U+0301, as some editors write é) is read as é.
    const std::u32string apart = platform::decodeText(QByteArray("e\xCC\x81"));
    ASSERT_EQ(apart.size(), 1u);
    EXPECT_EQ(table.lookup(apart[0]).soundName, QStringLiteral("e_aigu"));
}

TEST(VoiceSet, EverySoundOfTheTableExistsAndDecodes)
{
    reading::SoundTable table;
    table.load(platform::decodeText(bytesOf(QStringLiteral("kaloncor.ref"))));
    int sounds = 0;
    for (const std::u32string &row : table.rows()) {
        if (row.empty())
            continue;
        const QString name = platform::toQString(row.substr(2)).trimmed();
        const QString path = kVoiceSet + name + QStringLiteral(".wav");
        SDL_AudioSpec spec{};
        Uint8 *buffer = nullptr;
        Uint32 length = 0;
        ASSERT_NE(SDL_LoadWAV(path.toUtf8().constData(), &spec, &buffer, &length), nullptr)
            << qPrintable(path) << ": " << SDL_GetError();
        const double seconds = static_cast<double>(length) / (SDL_AUDIO_BITSIZE(spec.format) / 8) / spec.channels / spec.freq;
        SDL_FreeWAV(buffer);
        EXPECT_EQ(spec.freq, 22050) << qPrintable(name);
        EXPECT_EQ(spec.channels, 1) << qPrintable(name);
        EXPECT_EQ(spec.format, AUDIO_S16LSB) << qPrintable(name);
        EXPECT_GT(seconds, 0.05) << qPrintable(name);
        EXPECT_LT(seconds, 0.8) << qPrintable(name);
        ++sounds;
    }
    EXPECT_GE(sounds, 155); // letters twice, digits, punctuation and signs, accents twice, the blanks
}
