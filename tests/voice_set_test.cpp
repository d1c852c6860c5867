#include "platform/binary_file.h"
#include "platform/text_decoding.h"
#include "reading/sound_table.h"

#include <QDir>
#include <QFileInfo>
#include <SDL.h>
#include <gtest/gtest.h>

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

} // namespace

TEST(VoiceSet, TableIsWindows1252WithCrLfRows)
{
    const QByteArray table = bytesOf(QStringLiteral("kaloncor.ref"));
    ASSERT_FALSE(table.isEmpty());
    EXPECT_FALSE(platform::isValidUtf8(table)) << "the accented rows are single Windows-1252 bytes";
    EXPECT_TRUE(table.contains("\xE9 e_aigu\r\n"));
    EXPECT_TRUE(table.startsWith("  silence\r\n")) << "the blank has a (silent) sound";
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

TEST(VoiceSet, CoversLettersDigitsMorsePunctuationAndFrenchAccents)
{
    reading::SoundTable table;
    table.load(platform::decodeText(bytesOf(QStringLiteral("kaloncor.ref"))));
    const std::u32string expected = U"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"
                                    U".,?/=+-'\":;()@!& éèàçùÉÈÀÇÙ";
    for (const char32_t character : expected)
        EXPECT_EQ(table.lookup(character).outcome, reading::SoundTable::Outcome::Found)
            << "U+" << std::hex << static_cast<unsigned>(character);
    EXPECT_EQ(table.lookup(U'a').soundName, table.lookup(U'A').soundName);
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
        EXPECT_LT(seconds, 2.0) << qPrintable(name) << " is not trimmed of silence";
        ++sounds;
    }
    EXPECT_GE(sounds, 89); // letters twice, digits, punctuation, accents twice, the blank
}
