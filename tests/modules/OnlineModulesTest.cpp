#include "modules/GTranslatorModule.h"
#include "modules/MsTranslatorModule.h"
#include "modules/OnlineRequest.h"

#include "platform/AudioConversion.h"
#include "platform/Utf.h"
#include "tests/modules/RecordingSink.h"
#include "tests/modules/StandinLibrary.h"
#include "tests/support/LoopbackHttpServer.h"
#include "tests/support/Samples.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

namespace vx {
namespace {

// A text's encoding is decoded back by fuzz_online_request and read in the requests below.
TEST(OnlineRequest, EncodesTheTextAndFillsTheTemplate) {
    EXPECT_EQ(UrlEncodeUtf8(""), "");
    const std::tuple<std::string, std::vector<std::string>, std::string> filled[] = {
        {"l=%s&t=%s", {"ru", "%s"}, "l=ru&t=%s"},
        {"%%%%s%s", {"x"}, "%%sx"},          // four percent signs survive one pass as two
        {"%d%n%x%", {"x"}, "%d%n%x%"},       // no other directive is read
        {"%s/%s/%s", {"a", "b"}, "a/b/%s"}}; // nor a placeholder without an argument
    for (const auto& [format, arguments, expected] : filled)
        EXPECT_EQ(fillPlaceholders<char>(format, arguments), expected) << format;
}

// The tones of LameTones.cmake served: MP3 in the two voices' formats, and 16-bit samples.
class OnlineModules : public testing::Test {
protected:
    OnlineModules() {
        for (const std::string tone : {"tone22050-32.mp3", "tone16000-24.mp3", "tone16000.raw"})
            std::filesystem::copy_file(VX_TONE_FOLDER "/" + tone, server.folder().path() / tone);
    }

    // A module of kind M that asks the server for pathAndQuery in language and waits 400 ms for it.
    template <class M>
    std::unique_ptr<M> module(const std::string& pathAndQuery, std::u16string language, test::Settings settings = {}) {
        auto m = std::make_unique<M>();
        settings.insert(settings.begin(), {{u"request", fromUtf8(server.url(pathAndQuery))},
                                           {u"subname", language}, {u"timeout", u"400"}});
        for (const auto& [key, value] : settings) m->ReadSetting(key, value);
        m->SetVolume(100);
        return m;
    }

    test::LoopbackHttpServer server;
};

// The MP3 of a response is decoded as one stream while it arrives, whatever its pieces, to the
// native format and then the output format; the log says why a response is refused or lost.
TEST_F(OnlineModules, GTranslatorDecodesTheMp3AsItArrives) {
    const std::string ru = "/file/tone22050-32.mp3?type=audio%2Fmpeg&l=%s&t=%s";
    const std::string en = "/file/tone16000-24.mp3?type=audio%2Fmpeg&l=%s&t=%s";
    const std::string late = "* Error: google did not answer within 400 ms.\n";
    const struct {
        std::string path;
        std::u16string language;
        test::Settings settings;
        bool spoken;
        std::string logged; // empty: nothing
        double seconds;     // 0: no audio; -1: some
    } rows[] = {
        {ru, u"ru", {}, true, "", 1.0}, {ru + "&chunk=1000&pause=2", u"ru", {}, true, "", 1.0}, // the same samples
        {ru, u"ru", {{u"samplerate", u"16000"}}, true, "", 1.0}, // resampled after decoding
        {en, u"en", {}, true, "", 1.0}, {en, u"de", {}, false, "* Error: google has no MP3 format of the language 'de': nothing is spoken\n", 0},
        {"/file/tone22050-32.mp3?type=audio%2Fmpeg%3B+charset%3Dx&t=%s", u"ru", {}, false,
         "* Error: google, incorrect content: audio/mpeg; charset=x\n", 0},
        {"/file/tone22050-32.mp3?type=none&t=%s", u"ru", {}, false,
         "* Error: the 'Content-Type' header isn't available.\n", 0},
        {ru + "&delay=2000", u"ru", {}, false, late, 0}, {ru + "&stall=2000", u"ru", {}, false, late, -1},
        {ru + "&truncate=2000", u"ru", {}, true, "* Error: the answer of google broke off.\n", -1},
        {"/zeros/5000?type=audio%2Fmpeg&t=%s", u"ru", {}, false, "", 0}, // no MP3 frame in it: nothing said
    };
    std::vector<unsigned char> first;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        const test::LogTail log;
        test::RecordingSink sink;
        const auto google = module<GTranslatorModule>(row.path, row.language, row.settings);
        google->SetSink(&sink);
        EXPECT_EQ(google->Speak(u"да"), row.spoken);
        EXPECT_EQ(toUtf8(log.text()), row.logged);
        if (row.seconds > 0) {
            // lame writes no tag at these rates to trim its delay by: the tone itself is measured.
            const std::vector<int> tone = test::toneOf(test::decoded(sink.audio, 16));
            EXPECT_NEAR(static_cast<double>(tone.size()) / 22050, row.seconds, 576.0 / 16000);
            EXPECT_NEAR(test::frequency(tone, 22050), 440, 9);
        } else {
            EXPECT_EQ(sink.audio.empty(), row.seconds == 0);
        }
        first = first.empty() ? sink.audio : first;
        EXPECT_TRUE(row.path.find("chunk") == std::string::npos || sink.audio == first);
    }
    // The text, always percent-encoded, with the encoded byte-order mark only for Russian.
    const std::vector<std::string> requests = server.requests();
    ASSERT_GE(requests.size(), 4u);
    EXPECT_NE(requests[0].find("&l=ru&t=%EF%BB%BF%D0%B4%D0%B0\ttext/plain; charset=utf-8"), requests[0].npos) << requests[0];
    EXPECT_NE(requests[3].find("&l=en&t=%D0%B4%D0%B0\t"), std::string::npos) << requests[3];
    const test::LogTail log;
    EXPECT_FALSE(module<GTranslatorModule>("/", u"ru", {{u"request", u"http://127.0.0.1:1/?t=%s"}})->Speak(u"да"));
    EXPECT_EQ(toUtf8(log.text()), "*Can't open the Google translator URL.\n");
}

// A WAV response's header is skipped once, by its chunks, however the response is cut, and 16-bit
// samples cut between pieces are joined; what is not a WAV file is written whole. The samples are
// converted to the output format as one stream; 50 MB of them stream through.
TEST_F(OnlineModules, MsTranslatorWritesTheSamplesOfTheWav) {
    const std::string samples = test::readBytes(VX_TONE_FOLDER "/tone16000.raw").substr(0, 8000); // as 8-bit samples
    const auto chunk = [](const char* id, const std::string& body) {
        const auto n = static_cast<std::uint32_t>(body.size());
        return id + std::string{char(n), char(n >> 8), char(n >> 16), char(n >> 24)} + body + std::string(n % 2, '\0');
    };
    const std::string format = chunk("fmt ", std::string("\1\0\1\0\x40\x1F\0\0\x40\x1F\0\0\1\0\x08\0", 16));
    const auto wav = [&](const std::string& chunks) { return chunk("RIFF", "WAVE" + chunks); };
    server.folder().writeBytes("plain.wav", wav(format + chunk("data", samples)));
    server.folder().writeBytes("list.wav", wav(format + chunk("LIST", "INFOabc") + chunk("data", samples)));
    server.folder().writeBytes("header.wav", wav(format + chunk("data", "")));
    const std::string huge = std::string("RIFF\0\0\0\0WAVEfmt \xFF\xFF\xFF\x0F", 20) + samples;
    server.folder().writeBytes("huge.wav", huge);
    const WAVEFORMATEX from = test::pcm(8000, 1, 8), to = test::pcm(16000);
    std::vector<unsigned char> converted;
    ConvertAudio(reinterpret_cast<const unsigned char*>(samples.data()), 8000, &converted, &from, &to);
    const std::string wave = "?type=audio%2Fx-wav&a=%s&t=%s&l=%s";
    const struct {
        std::string path, written;
        test::Settings settings = {};
        std::size_t stopAfter = 0;
    } rows[] = {
        {"/file/plain.wav" + wave, samples}, {"/file/list.wav" + wave + "&chunk=13&pause=1", samples},
        {"/file/header.wav" + wave, ""}, {"/file/huge.wav" + wave, huge},
        {"/file/tone16000.raw" + wave + "&chunk=1001&pause=2", test::readBytes(VX_TONE_FOLDER "/tone16000.raw"),
         {{u"convert", u"vxtts"}}},
        {"/file/plain.wav" + wave + "&chunk=1000&pause=20", samples.substr(0, 1000 - 44), {}, 1},
        {"/file/plain.wav" + wave + "&chunk=1000&pause=2", {converted.begin(), converted.end()},
         {{u"output_format", u"16000,1,16"}, {u"convert", u"acm"}}},
        {"/prefix/plain.wav/52428800" + wave, samples + std::string(52428800, '\0')},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        test::RecordingSink sink;
        sink.stopAfter = row.stopAfter;
        sink = test::spoken(*module<MsTranslatorModule>(row.path, u"ru", row.settings), u"да", sink);
        EXPECT_TRUE(std::string(sink.audio.begin(), sink.audio.end()) == row.written)
            << sink.audio.size() << " bytes written, not " << row.written.size();
    }
    const std::string application = "&a=" + toUtf8(MsTranslatorModule::kApplicationId) + "&t=%EF%BB%BF";
    EXPECT_NE(server.requests()[0].find(application), std::string::npos);
}

} // namespace
} // namespace vx
