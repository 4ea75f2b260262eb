#include "speechd/ModuleConfig.h"
#include "speechd/ModuleProtocol.h"
#include "speechd/Ssml.h"
#include "speechd/SpeechSettings.h"
#include "platform/Utf.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace vx::speechd {
namespace {

using Kind = Request::Kind;

// The requests read from the input fed in pieces of size bytes, each as one line: its kind,
// "open" for an opening, then the text's lines as "|"-joined, the settings, or the problem.
std::vector<std::string> requests(std::string_view input, std::size_t size) {
    static const char* const kNames[] = {"INIT", "SPEAK", "CHAR", "KEY", "SOUND_ICON", "STOP", "PAUSE",
                                         "LIST VOICES", "SET", "AUDIO", "LOGLEVEL", "DEBUG", "QUIT", "UNKNOWN"};
    ProtocolReader reader;
    std::vector<std::string> read;
    for (std::size_t at = 0; at < input.size(); at += size) {
        reader.feed(input.substr(at, size));
        while (std::optional<Request> request = reader.next()) {
            std::string line = kNames[static_cast<int>(request->kind)] + std::string(request->opening ? " open" : "");
            std::string text = request->text;
            std::replace(text.begin(), text.end(), '\n', '|');
            if (!text.empty()) line += " " + text + " (" + std::to_string(request->lines) + ")";
            for (const auto& [name, value] : request->settings) line += " " + name + "=" + value;
            if (!request->problem.empty()) line += " ! " + request->problem;
            if (!request->line.empty()) line += " [" + request->line + "]";
            read.push_back(line);
        }
    }
    return read;
}

TEST(ProtocolReader, ReadsCommandsAndBlocksHoweverTheInputIsCut) {
    const std::string input = "INIT\nSET\nrate=20\nlanguage=ru-RU\n.\nSPEAK\n<speak>Да\n..точка\n..\n.\nCHAR\nspace\n.\n"
                              "STOP\nLIST VOICES\nDEBUG ON /tmp/x\nHELLO\nSET\nrate\n.\nQUIT\n";
    const std::vector<std::string> expected{"INIT", "SET open", "SET rate=20 language=ru-RU", "SPEAK open",
                                            "SPEAK <speak>Да|.точка|. (3)", "CHAR open", "CHAR space (1)", "STOP",
                                            "LIST VOICES", "DEBUG [DEBUG ON /tmp/x]", "UNKNOWN [HELLO]", "SET open",
                                            "SET ! 'rate' is no name=value line", "QUIT"};
    for (const std::size_t size : {input.size(), std::size_t{1}, std::size_t{7}})
        EXPECT_EQ(requests(input, size), expected) << "pieces of " << size;
}

TEST(ProtocolReader, DropsWhatPassesTheLimitAndSaysSo) {
    const std::string huge(ProtocolReader::kMaxTextBytes + 10, 'a');
    const std::string tooLong = "longer than " + std::to_string(ProtocolReader::kMaxTextBytes) + " bytes";
    EXPECT_EQ(requests("SPEAK\n" + huge + "\nнет\n.\nSTOP\n", 1 << 16),
              (std::vector<std::string>{"SPEAK open", "SPEAK нет (2) ! " + tooLong, "STOP"}));
    EXPECT_EQ(requests(huge + "\nSTOP\n", 1 << 20),
              (std::vector<std::string>{"UNKNOWN [a line " + tooLong + "]", "STOP"}));
    EXPECT_EQ(requests("SET\nrate=1\nvoice=" + std::string(70000, 'x') + "\n.\n", 1 << 16),
              (std::vector<std::string>{"SET open", "SET rate=1 ! settings of more than 65536 bytes"}));
}

// The bytes an audio event carries, with the escapes undone as the server undoes them.
std::string unescapedAudio(const std::string& event) {
    const std::size_t start = event.find(std::string("705-AUDIO") + '\0') + 10;
    const std::size_t end = event.find("\n705 AUDIO\n");
    std::string data;
    for (std::size_t i = start; i < end; ++i)
        data.push_back(event[i] == 0x7D ? static_cast<char>(event[++i] ^ 0x20) : event[i]);
    return data;
}

TEST(ProtocolReplies, AudioIsEscapedSoThatNoLineEndsInsideIt) {
    const WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, 22050, 44100, 2, 16, 0};
    const std::string samples{'\n', 0x7D, 'a', 0, 0x5D, 0x2A, '\n', 0x7D};
    const std::string event = audioEvent(format, samples.data(), samples.size());
    EXPECT_TRUE(event.starts_with("705-bits=16\n705-num_channels=1\n705-sample_rate=22050\n705-num_samples=4\n"
                                  "705-big_endian=0\n705-AUDIO"));
    EXPECT_EQ(std::count(event.begin(), event.end(), '\n'), 7); // six header lines and the last
    EXPECT_EQ(unescapedAudio(event), samples);
    EXPECT_EQ(errorReply(303, "rate: 'x'\nlanguage", "ERROR"), "303-rate: 'x' language\n303 ERROR\n");
}

std::string pieces(std::string_view ssml) {
    std::string out;
    for (const SsmlPiece& piece : readSsml(ssml))
        out += piece.kind == SsmlPiece::Kind::Mark ? "[" + toUtf8(piece.text) + "]" : toUtf8(piece.text) + "|";
    return out;
}

TEST(Ssml, TextAndMarksInOrder) {
    const std::pair<std::string_view, std::string_view> rows[] = {
        {"<speak>Раз <mark name=\"a\"/> два<mark name='b c'/></speak>", " Раз |[a] два|[b c]"},
        {"<speak><s>один</s><s>два</s></speak>", "  один  два  |"},
        {"a &lt; b &amp;&amp; c &#1076;&#x430; &bogus; &#xD800; &", "a < b && c да &bogus; &#xD800; &|"},
        {"1 < 2 > 0 <", "1 < 2 > 0 <|"},
        {"<mark name=\"&quot;x&quot;\"/><mark/><mark id=\"y\"/>  ", "[\"x\"]"},
        {"<speak>\n</speak>", ""},
        {"<mark name=\"a&#10;702 END\"/>да<mark name=\"b\x01\"/>", "да|"},
        {"да <b нет", "да <b нет|"},
    };
    for (const auto& [ssml, expected] : rows) EXPECT_EQ(pieces(ssml), expected) << ssml;
}

TEST(SpeechSettings, ServerValuesBecomeTheEngines) {
    SpeechSettings settings;
    for (const auto& [name, value] : {std::pair{"rate", "-55"}, {"pitch", "100"}, {"volume", "-30"},
                                      {"punctuation_mode", "most"}, {"spelling_mode", "on"}, {"cap_let_recogn", "icon"}})
        EXPECT_EQ(settings.apply(name, value), "") << name;
    EXPECT_EQ(settings.apply("rate", "101"), "rate: '101' is no valid value (-100..100)");
    EXPECT_EQ(settings.apply("spelling_mode", "yes"), "spelling_mode: 'yes' is no valid value (on, off)");
    EXPECT_EQ(settings.sapiRate(), -5);
    EXPECT_EQ(settings.sapiPitch(), 10);
    EXPECT_EQ(settings.sapiVolume(), 70);
    EXPECT_TRUE(settings.speakPunctuation && settings.spelling);
    EXPECT_EQ(settings.apply("volume", "40"), "");
    EXPECT_EQ(settings.sapiVolume(), 100);
}

TEST(SpeechSettings, TheVoiceFollowsNameLanguageAndDefault) {
    const std::vector<VoiceEntry> voices{{"espeak_ru", "ru"}, {"tembra", "ru"}, {"tembra_uk", "uk"}};
    // synthesis voice, language, default voice -> the voice
    const std::array<std::array<std::string, 4>, 8> rows{{
        {"", "", "tembra", "tembra"}, {"", "ru-RU", "tembra", "tembra"}, {"", "uk", "tembra", "tembra_uk"},
        {"", "en", "tembra", "tembra"}, {"", "ru", "", "espeak_ru"}, {"espeak_ru", "uk", "tembra", "espeak_ru"},
        {"bogus", "uk", "tembra", "tembra_uk"}, {"", "", "bogus", "espeak_ru"},
    }};
    for (const auto& [voice, language, defaultVoice, expected] : rows) {
        SpeechSettings settings;
        settings.apply("synthesis_voice", voice.empty() ? "NULL" : voice);
        settings.apply("language", language.empty() ? "NULL" : language);
        EXPECT_EQ(settings.voiceFor(voices, defaultVoice), expected) << voice << " " << language << " " << defaultVoice;
    }
    EXPECT_EQ(SpeechSettings().voiceFor({}, "tembra"), "");
}

TEST(ModuleConfig, ReadsItsSettingsAndNamesWhatItCannotTake) {
    test::TempFolder folder;
    const std::string path = (folder.path() / "vxtts.conf").string();
    std::ofstream(path) << "# comment\nDefaultVoice \"tembra_uk\"  # the Ukrainian one\n\nAudioLeadMilliseconds 80\n"
                           "AudioLeadMilliseconds 5\nVolume 3\n";
    const ModuleConfig config = readModuleConfig(path);
    EXPECT_EQ(config.defaultVoice, "tembra_uk");
    EXPECT_EQ(config.audioLead.count(), 80);
    EXPECT_EQ(config.problems, (std::vector<std::string>{
                                   path + ", line 5: AudioLeadMilliseconds: '5' is no number of 20..5000",
                                   path + ", line 6: unknown setting 'Volume'"}));
    EXPECT_EQ(readModuleConfig(path + ".missing").problems.size(), 1U);
}

} // namespace
} // namespace vx::speechd
