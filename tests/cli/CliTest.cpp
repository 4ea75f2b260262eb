// The vxtts command's parts: its options, the chunks it cuts the text into, the SAPI XML it reads
// into fragments, the site that writes the engine's audio and events, and the WAV files it writes.

#include "cli/ComRef.h"
#include "cli/Options.h"
#include "cli/SapiXml.h"
#include "cli/SpeakSite.h"
#include "cli/TextChunker.h"
#include "cli/WavOutput.h"
#include "platform/Interrupts.h"
#include "platform/Utf.h"
#include "tests/support/Samples.h"
#include "tests/support/TempFolder.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sstream>

namespace vx::cli {
namespace {

using test::pcm;

// The parsed command line in one line, or "error: " and the message.
std::string parsed(std::vector<std::string_view> arguments) {
    try {
        using Command = Invocation::Command;
        const Invocation invocation = parseArguments(arguments);
        const SayOptions& say = invocation.say;
        const NormalizeOptions& normalize = invocation.normalize;
        const TextInput& input = invocation.command == Command::Say ? say.input : normalize.input;
        const std::string text = input.from == TextInput::From::File            ? "file:" + input.file.string()
                                 : input.from == TextInput::From::StandardInput ? "stdin"
                                                                                : "words:" + input.words;
        if (invocation.command != Command::Say) {
            return invocation.command == Command::Help     ? "help " + invocation.helpTopic
                   : invocation.command == Command::Voices ? "voices"
                                                           : "normalize " + normalize.voice +
                                                                 (normalize.punctuation ? " punct " : " ") + text;
        }
        const std::string output = say.toStandardOutput           ? " stdout "
                                   : !say.outputFile.empty()      ? " o=" + say.outputFile.string() + " "
                                                                  : " device=" + say.device + " ";
        return "say " + say.voice + " r" + std::to_string(say.rate) + " p" + std::to_string(say.pitch) + " a" +
               std::to_string(say.volume) + (say.spell ? " spell" : "") + (say.punctuation ? " punct" : "") +
               (say.events ? " events" : "") + (say.xml ? " xml" : "") + output + text;
    } catch (const UsageError& error) {
        return std::string("error: ") + error.what();
    }
}

TEST(Options, CommandLinesAreRead) {
    const auto sayError = [](const std::string& what) { return "error: say: " + what + " (see 'vxtts say --help')"; };
    const std::pair<std::vector<std::string_view>, std::string> rows[] = {
        {{}, "help "}, {{"-h"}, "help "}, {{"help", "say"}, "help say"}, {{"say", "-o", "a.wav", "--help"}, "help say"},
        {{"say", "-o", "a.wav", "--", "--help"}, "say tembra r0 p0 a100 o=a.wav words:--help"},
        {{"say", "-o", "a.wav", "Привет,", "мир"}, "say tembra r0 p0 a100 o=a.wav words:Привет, мир"},
        {{"say", "Да", "--stdout"}, "say tembra r0 p0 a100 stdout words:Да"},
        {{"say", "--voice=x", "--rate", "-10", "-p", "+10", "--volume=0", "--spell", "--punct", "--events", "-o", "c",
          "-"},
         "say x r-10 p10 a0 spell punct events o=c stdin"},
        {{"say", "--output=c", "--", "-5", "градусов"}, "say tembra r0 p0 a100 o=c words:-5 градусов"},
        {{"say", "--xml", "--stdout", "<emph>Да</emph>"}, "say tembra r0 p0 a100 xml stdout words:<emph>Да</emph>"},
        {{"normalize", "--punct", "-v", "tembra_uk", "-f", "x"}, "normalize tembra_uk punct file:x"},
        {{"speak"}, "error: unknown command 'speak' (see 'vxtts --help')"},
        {{"voices", "x"}, "error: voices: takes no arguments (see 'vxtts voices --help')"},
        {{"normalize", "--spell", "Да"}, "error: normalize: unknown option '--spell' (put -- before text that starts "
                                         "with -) (see 'vxtts normalize --help')"},
        {{"say", "Да"}, "say tembra r0 p0 a100 device= words:Да"},
        {{"say", "--device", "hw:1", "Да"}, "say tembra r0 p0 a100 device=hw:1 words:Да"},
        {{"say", "--stdout", "-o", "a.wav", "Да"}, sayError("give one of -o FILE.wav, --stdout and --device NAME, once")},
        {{"say", "--stdout"}, sayError("no text: give TEXT, -f FILE or - for standard input")},
        {{"say", "--stdout", "Да", "-"},
         sayError("more than one text: give TEXT, -f FILE or - for standard input, only one of them")},
        {{"say", "--stdout", "-r", "11", "Да"}, sayError("-r takes a whole number from -10 to 10, not '11'")},
        {{"say", "--stdout", "--pitch=1.5", "Да"}, sayError("--pitch takes a whole number from -10 to 10, not '1.5'")},
        {{"say", "--stdout", "-a", "", "Да"}, sayError("-a takes a whole number from 0 to 100, not ''")},
        {{"say", "--stdout", "Да", "-v"}, sayError("-v needs a value")},
        {{"say", "-o", "", "Да"}, sayError("-o and --device need a name")},
        {{"say", "--stdout", "-5", "градусов"}, sayError("unknown option '-5' (put -- before text that starts with -)")},
    };
    for (const auto& [arguments, expected] : rows) EXPECT_EQ(parsed(arguments), expected);
}

using Strings = std::vector<std::string>;

// Cut at the last sentence end (or paragraph break) within the limit, else at the last space,
// else anywhere but inside a surrogate pair; decoded across blocks; bad bytes end the chunks with
// their offset.
TEST(TextChunker, CutsTheText) {
    const std::string block(TextChunker::kBlockBytes - 1, 'a');
    const auto bad = [](int at) { return Strings{"is not UTF-8 (bad bytes at byte " + std::to_string(at) + ")"}; };
    const std::tuple<std::string, std::size_t, Strings> rows[] = {
        {"  Один \t\r\n два\u00A0 три  \n", 1024, {"Один два три"}}, {" \n\t ", 1024, {}},
        {"\xEF\xBB\xBFДа.", 1024, {"Да."}}, {"Аа. Бб. Вв.", 8, {"Аа. Бб.", "Вв."}},
        {"Да? Нет! Ну", 5, {"Да?", "Нет!", "Ну"}}, {"А\u2026 б в.", 6, {"А\u2026", "б в."}},
        {"«Да!» Нет.", 6, {"«Да!»", "Нет."}}, {"a.b cc dd", 6, {"a.b cc", "dd"}},
        {"Аа. бб вв гг", 9, {"Аа.", "бб вв гг"}}, {"аааа бббб вввв", 6, {"аааа", "бббб", "вввв"}},
        {"абвгдежз", 3, {"абв", "где", "жз"}}, {"Глава\n\nТекст идёт", 8, {"Глава", "Текст", "идёт"}},
        {"Глава\nТекст. А", 8, {"Глава", "Текст. А"}}, {block + "я", 8192, {block + "я"}},
        {"\U0001F600\U0001F600\U0001F600", 3, {"\U0001F600", "\U0001F600", "\U0001F600"}},
        // Bad bytes: a continuation byte too many, a sequence that is no character, a character cut by the end.
        {"\xC3\xA9\xA9", 1024, bad(2)}, {"\xED\xA0\x80", 1024, bad(0)}, {std::string(5000, 'a') + "\xE2\x82", 8192, bad(5000)},
    };
    for (const auto& [text, maxChunk, expected] : rows) {
        std::istringstream in(text);
        TextChunker chunker(in, maxChunk);
        Strings chunks;
        try {
            while (const auto chunk = chunker.next()) chunks.push_back(toUtf8(chunk->text));
        } catch (const InputError& error) {
            chunks.push_back(error.what());
        }
        EXPECT_EQ(chunks, expected) << text.substr(0, 40);
    }
}

// The first chunk of a long text is handed out after reading only a few blocks.
TEST(TextChunker, Streams) {
    std::istringstream input(std::string(1000000, 'a') + ". Да.");
    ASSERT_TRUE(TextChunker(input, 1024).next());
    EXPECT_LE(static_cast<std::size_t>(input.tellg()), 1024 * 2 + 2 * TextChunker::kBlockBytes);
}

// A sentence (and a word) at offset 2, length 2 of the chunk "а бв" read from " а  бв" lies at 4,
// length 2 of the input; its audio starts after the 3 bytes already written. Bookmark names are
// JSON strings.
TEST(SpeakSite, WritesEventsInTheInputAndTheAudio) {
    std::ostringstream audio, events;
    WavStream output(audio, "memory");
    ComRef<ISpTTSEngineSite> site;
    ASSERT_EQ(ComObject<SpeakSite>::Create(nullptr, IID_ISpTTSEngineSite, site.out(), output, &events), S_OK);
    const Chunk chunk{u"а бв", {1, 2, 4, 5, 6}};
    static_cast<SpeakSite*>(site.get())->setChunk(&chunk);
    ASSERT_EQ(site->Write("abc", 3, nullptr), S_OK);
    const std::u16string name = u"7 \"шаг\"\\\n\x01\x1f";
    const auto event = [](WORD id, WORD type, WPARAM w, LPARAM l) { return SPEVENT{id, type, 0, 0, w, l}; };
    const SPEVENT all[] = {event(SPEI_SENTENCE_BOUNDARY, 0, 2, 2), event(SPEI_WORD_BOUNDARY, 0, 2, 2),
                           event(SPEI_TTS_BOOKMARK, SPET_LPARAM_IS_STRING, 7, reinterpret_cast<LPARAM>(name.c_str()))};
    EXPECT_EQ(site->AddEvents(all, 3), S_OK);
    EXPECT_EQ(events.str(), "{\"event\":\"sentence\",\"offset\":4,\"length\":2,\"position\":3}\n"
                            "{\"event\":\"word\",\"offset\":4,\"length\":2,\"position\":3}\n"
                            R"({"event":"bookmark","name":"7 \"шаг\"\\\u000a\u0001\u001f","value":7,"position":3})" "\n");
}

// Each fragment in one line: the action, the text, where it is written in the input (offset+length)
// and what differs from SAPI's default state. The chain links the fragments in order and each text
// ends with a null character.
Strings fragmentsOf(const SapiXml& xml) {
    Strings lines;
    const SPVTEXTFRAG* next = xml.chain();
    for (std::size_t i = 0; i < xml.fragments().size(); ++i) {
        const SPVTEXTFRAG& f = xml.fragments()[i];
        const SPVSTATE& s = f.State;
        EXPECT_TRUE(next == &f && f.pTextStart[f.ulTextLen] == u'\0');
        next = f.pNext;
        static const char* const kActions[] = {"speak", "silence", "pron", "bookmark", "spell", "section", "tag"};
        std::string line = std::string(kActions[s.eAction]) + " \"" + toUtf8({f.pTextStart, f.ulTextLen}) + "\" " +
                           std::to_string(f.ulTextSrcOffset) + "+" + std::to_string(xml.source(i).length);
        for (const auto& [name, value, normal] : {std::tuple{" r", s.RateAdj, 0}, {" p", s.PitchAdj.MiddleAdj, 0},
                                                  {" v", static_cast<LONG>(s.Volume), 100}, {" emph", s.EmphAdj, 0},
                                                  {" ms", static_cast<LONG>(s.SilenceMSecs), 0}, {" lang", s.LangID, 0}})
            if (value != normal) line += name + std::to_string(value);
        if (s.pPhoneIds) line += " sym=" + toUtf8(s.pPhoneIds);
        if (s.Context.pCategory) line += " context=" + toUtf8(s.Context.pCategory);
        lines.push_back(line);
    }
    EXPECT_EQ(next, nullptr);
    return lines;
}

// Runs of text carry the state of their tags, relative values adding up and nothing truncated but
// the volume; a self-closing tag holds to the end of the enclosing element; items are fragments of
// their own, and so is each unknown tag, as written. The command's settings are the base.
TEST(SapiXml, ReadsTagsIntoFragments) {
    const std::tuple<std::u16string, Strings, VoiceBase> rows[] = {
        {u"Да <bookmark mark=\"7 шаг\"/> нет", {"speak \"Да \" 0+3", "bookmark \"7 шаг\" 19+5", "speak \" нет\" 27+4"}, {}},
        {u"<rate speed='5'>а<rate speed='-3'>б</rate>в</rate>г",
         {"speak \"а\" 16+1 r5", "speak \"б\" 34+1 r2", "speak \"в\" 42+1 r5", "speak \"г\" 50+1"}, {}},
        {u"<rate absspeed=\"-5\"><rate speed=\"2\">а</rate></rate><rate absspeed='15'><rate speed='20'>б</rate></rate>",
         {"speak \"а\" 36+1 r-3", "speak \"б\" 88+1 r35"}, {}},
        {u"<pitch middle=\"3\">а<pitch absmiddle=\"-4\">б</pitch></pitch>", {"speak \"а\" 18+1 p3", "speak \"б\" 41+1 p-4"}, {}},
        {u"<volume level=\"50\">а<volume level=\"150\">б</volume><volume level=\"-5\">в</volume></volume>",
         {"speak \"а\" 19+1 v50", "speak \"б\" 40+1", "speak \"в\" 69+1 v0"}, {}},
        {u"а<volume level='20'/>б<rate speed='2'>в<rate speed='1'/>г</rate>д",
         {"speak \"а\" 0+1", "speak \"б\" 21+1 v20", "speak \"в\" 38+1 r2 v20", "speak \"г\" 56+1 r3 v20",
          "speak \"д\" 64+1 v20"}, {}},
        {u"<emph>а</emph> <spell>бв</spell>", {"speak \"а\" 6+1 emph1", "spell \"бв\" 22+2"}, {}},
        {u"а<silence msec=\"250\"/><silence msec=\"99999\"/>", {"speak \"а\" 0+1", "silence \"\" 1+0 ms250",
                                                             "silence \"\" 22+0 ms65535"}, {}},
        {u"<pron sym=\" h eh  l ow \"/><pron sym=\"d a\">да</pron>",
         {"pron \"\" 0+0 sym=h eh l ow", "pron \"да\" 42+2 sym=d a"}, {}},
        {u"&lt;&gt;&amp;&quot;&apos;&#1076;&#x430;&#x1F600; <bookmark mark='a \"b\" &amp;'/>",
         {"speak \"<>&\"'да\U0001F600 \" 0+49", "bookmark \"a \"b\" &\" 65+11"}, {}},
        {u"<Foo x=\"&amp;\">а</FOO><bar/><RATE Speed=\"1\">б</Rate>",
         {"tag \"<Foo x=\"&amp;\">\" 0+15", "speak \"а\" 15+1", "tag \"</FOO>\" 16+6", "tag \"<bar/>\" 22+6",
          "speak \"б\" 44+1 r1"}, {}},
        {u"<?xml version=\"1.0\"?>\n<sapi> <!-- <rate> --> а </sapi>", {"speak \" а \" 44+3"}, {}},
        {u"<lang langid=\"419\"><context id=\"date_dmy\">1.2</context></lang>", {"speak \"1.2\" 42+3 lang1049 context=date_dmy"}, {}},
        {u"а<rate absspeed=\"1\">б</rate><volume level=\"50\"><pron sym=\"x\">в</pron></volume>",
         {"spell \"а\" 0+1 r2 p-1 v50", "spell \"б\" 20+1 r3 p-1 v50", "pron \"в\" 61+1 r2 p-1 v25 sym=x"}, {2, -1, 50, true}},
    };
    for (const auto& [xml, expected, base] : rows) EXPECT_EQ(fragmentsOf(SapiXml(xml, base)), expected) << toUtf8(xml);
}

// Malformed XML fails with the line and column of what is wrong.
TEST(SapiXml, NamesWhereTheXmlIsWrong) {
    const std::pair<std::u16string, std::string> rows[] = {
        {u"<rate speed=\"1\">а", "line 1, column 1: <rate> is not closed"},
        {u"а</rate>", "line 1, column 2: </rate> closes no open tag"},
        {u"<rate speed='1'><emph>а</rate></emph>", "line 1, column 24: </rate> does not close <emph>"},
        {u"а\nб\n  < rate", "line 3, column 3: '<' that starts no tag (write &lt; for the character)"},
        {u"<rate speed='1'", "line 1, column 1: <rate> is not closed with '>'"},
        {u"<rate speed=1>", "line 1, column 13: bad attribute: the value of 'speed' of <rate> is not in quotes"},
        {u"<rate speed=\"1>а", "line 1, column 13: bad attribute: the value of 'speed' of <rate> has no closing quote"},
        {u"<rate speed>", "line 1, column 12: bad attribute: 'speed' of <rate> has no '=' and value"},
        {u"<rate speed='1'speed='2'>", "line 1, column 16: bad attribute in <rate>: attributes are set apart by white space"},
        {u"<rate speed='1' SPEED='2'/>", "line 1, column 17: bad attribute: 'speed' of <rate> is given twice"},
        {u"</rate x='1'>", "line 1, column 8: bad attribute in </rate>: a closing tag has none"},
        {u"<bookmark mark='a<b'/>", "line 1, column 18: bad attribute: '<' in the value of 'mark' of <bookmark> (write &lt;)"},
        {u"<rate/>", "line 1, column 1: <rate> needs speed or absspeed"},
        {u"<bookmark/>", "line 1, column 1: <bookmark> needs the attribute mark"},
        {u"<volume level=' loud'/>", "line 1, column 16: bad attribute: level=' loud' of <volume> is not a whole number"},
        {u"<lang langid='ru'/>", "line 1, column 15: bad attribute: langid='ru' of <lang> is not a LANGID (hexadecimal, as 419)"},
        {u"<silence msec='1'>а</silence>", "line 1, column 1: <silence> must be empty: write <silence …/>"},
        {u"<spell/>", "line 1, column 1: <spell/> is empty: <spell> encloses the text it is for"},
        {u"Tom & Jerry", "line 1, column 5: '&' that starts no entity (write &amp; for the character)"},
        {u"<bookmark mark='&nbsp;'/>", "line 1, column 17: unknown entity '&nbsp;' (XML has &lt; &gt; &amp; &quot; &apos;)"},
        {u"&#xD800;", "line 1, column 1: bad character reference '&#xD800;'"},
        {u"а&#0;", "line 1, column 2: bad character reference '&#0;'"},
        {u"&#x110000;", "line 1, column 1: bad character reference '&#x110000;'"},
        {u"<!DOCTYPE sapi>", "line 1, column 1: '<!' starts markup that SAPI's XML does not take (comments only: <!-- -->)"},
        {u"а <!-- <rate>", "line 1, column 3: the comment is not closed with '-->'"},
    };
    for (const auto& [xml, expected] : rows) {
        try {
            SapiXml read(xml);
            ADD_FAILURE() << toUtf8(xml) << " was read";
        } catch (const SapiXmlError& error) {
            EXPECT_EQ(error.what(), expected);
        }
    }
}

// The header's tags, then its little-endian numbers: RIFF size, fmt size, format tag, channels,
// rate, bytes a second, block align, bits, data size.
std::string fields(const std::string& header) {
    std::string out = header.substr(0, 4) + header.substr(8, 8) + header.substr(36, 4);
    for (const auto& [at, size] :
         {std::pair{4, 4}, {16, 4}, {20, 2}, {22, 2}, {24, 4}, {28, 4}, {32, 2}, {34, 2}, {40, 4}}) {
        std::uint32_t value = 0;
        for (int i = size - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(header.at(at + i));
        out += " " + std::to_string(value);
    }
    return out;
}

// An odd data chunk is padded and the RIFF size counts the pad byte; sizes that RIFF cannot hold
// are unknown (0xFFFFFFFF). A file appears under its name only once finished, and alone.
TEST(WavOutput, HeadersAndFilesAreComplete) {
    const std::tuple<WAVEFORMATEX, std::uint64_t, std::string> rows[] = {
        {pcm(22050, 1, 8), 1001, "RIFFWAVEfmt data 1038 16 1 1 22050 22050 1 8 1001"},
        {pcm(44100, 2, 16), 4, "RIFFWAVEfmt data 40 16 1 2 44100 176400 4 16 4"},
        {pcm(16000, 1, 16), 0xFFFFFFDA, "RIFFWAVEfmt data 4294967294 16 1 1 16000 32000 2 16 4294967258"},
        {pcm(16000, 1, 16), 0xFFFFFFDB, "RIFFWAVEfmt data 4294967295 16 1 1 16000 32000 2 16 4294967295"},
    };
    for (const auto& [format, dataBytes, expected] : rows) {
        const auto header = wavHeader(format, dataBytes);
        EXPECT_EQ(fields(std::string(header.begin(), header.end())), expected);
    }
    test::TempFolder folder;
    WavFile file(folder.path() / "out.wav");
    ASSERT_TRUE(file.begin(pcm(22050, 1, 8)) && file.write("abc", 3) && file.write("de", 2));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "out.wav"));
    ASSERT_TRUE(file.finish());
    const std::string bytes = test::readBytes(folder.path() / "out.wav");
    EXPECT_EQ(fields(bytes), "RIFFWAVEfmt data 42 16 1 1 22050 22050 1 8 5");
    EXPECT_EQ(bytes.substr(kWavHeaderBytes), std::string("abcde\0", 6));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);

    // Past what RIFF's sizes count (here made small), the file is RF64, its audio moved behind
    // the longer header: the sizes are in ds64, the RIFF and data sizes 0xFFFFFFFF.
    std::string audio(600001, '\0');
    for (std::size_t i = 0; i < audio.size(); ++i) audio[i] = static_cast<char>(i * 7 % 251);
    const auto writeBig = [&](const std::string& name) {
        WavFile big(folder.path() / name, audio.size() - 1);
        return big.begin(pcm(22050, 1, 8)) && big.write(audio.data(), 1) &&
               big.write(audio.data() + 1, audio.size() - 1) && big.finish();
    };
    ASSERT_TRUE(writeBig("big.wav"));
    const auto little = [](std::uint64_t value, int width) {
        std::string out;
        for (int i = 0; i < width; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
        return out;
    };
    const std::string rf64 = "RF64" + little(0xFFFFFFFF, 4) + "WAVEds64" + little(28, 4) + little(600074, 8) +
                             little(600001, 8) + little(600001, 8) + little(0, 4) + "fmt " + little(16, 4) + little(1, 2) +
                             little(1, 2) + little(22050, 4) + little(22050, 4) + little(1, 2) + little(8, 2) + "data" +
                             little(0xFFFFFFFF, 4);
    EXPECT_EQ(test::readBytes(folder.path() / "big.wav"), rf64 + audio + '\0');
    // A signal ends the move, and the file is not made (in a child, where the signal stays noted).
    EXPECT_EXIT(
        {
            platform::watchInterrupts();
            std::raise(SIGINT);
            const bool made = writeBig("stopped.wav");
            std::exit(made || std::distance(std::filesystem::directory_iterator(folder.path()), {}) != 2 ? 1 : 0);
        },
        testing::ExitedWithCode(0), "");
}

} // namespace
} // namespace vx::cli
