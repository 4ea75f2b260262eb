#include "modules/GTranslatorModule.h"
#include "modules/MsTranslatorModule.h"
#include "modules/OnlineRequest.h"

#include "platform/Log.h"
#include "platform/Utf.h"
#include "tests/modules/RecordingSink.h"
#include "tests/support/LoopbackHttpServer.h"
#include "tests/support/Samples.h"
#include "tests/support/TempFolder.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace vx {
namespace {

TEST(OnlineRequest, EncodesTheTextAndFillsTheTemplate) {
    const std::pair<std::string, std::string> encoded[] = {
        {"", ""}, {" ", "%EF%BB%BF+"}, {"a b", "%EF%BB%BF%61+%62"}, {"дa", "%EF%BB%BF%D0%B4%61"}};
    for (const auto& [text, expected] : encoded) {
        EXPECT_EQ(UrlEncodeUtf8(text), expected);
    }
    EXPECT_EQ(UrlEncodeUtf8("a&b=#", false), "%61%26%62%3D%23");
    const std::tuple<std::string, std::vector<std::string>, std::string> filled[] = {
        {"l=%s&t=%s", {"ru", "%s"}, "l=ru&t=%s"},
        {"%%%%s%s", {"x"}, "%%sx"},          // four percent signs survive one pass as two
        {"%d%n%x%", {"x"}, "%d%n%x%"},       // no other directive is read
        {"%s/%s/%s", {"a", "b"}, "a/b/%s"}}; // nor a placeholder without an argument
    for (const auto& [format, arguments, expected] : filled) {
        EXPECT_EQ(fillPlaceholders<char>(format, arguments), expected) << format;
    }
}

// A second of 440 Hz at half of full scale, as lame makes MP3 of it at the rates the service
// sends, and as a canonical WAV at 8000 Hz 8-bit.
class OnlineModules : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(Log::Open(u"vxtts.log")); }
    OnlineModules() {
        for (const int rate : {22050, 16000}) {
            std::string raw;
            for (int i = 0; i < rate; ++i) {
                const auto s = static_cast<std::int16_t>(16383 * std::sin(2 * std::numbers::pi * 440 * i / rate));
                raw += static_cast<char>(s & 0xFF);
                raw += static_cast<char>((s >> 8) & 0xFF);
            }
            const std::string name = "sine" + std::to_string(rate);
            server.folder().writeBytes(name + ".raw", raw);
            const std::string khz = rate == 22050 ? "22.05" : "16";
            const std::string folder = server.folder().path().string();
            EXPECT_EQ(std::system(("lame --quiet -r -s " + khz + " --resample " + khz + " -m m --bitwidth 16 -b 32 '" +
                                   folder + "/" + name + ".raw' '" + folder + "/" + name + ".mp3'")
                                      .c_str()),
                      0);
        }
    }

    template <class M> std::unique_ptr<M> module(const std::string& pathAndQuery, const std::u16string& language) {
        auto m = std::make_unique<M>();
        m->ReadSetting(u"request", fromUtf8(server.url(pathAndQuery)));
        m->ReadSetting(u"subname", language);
        m->ReadSetting(u"timeout", u"400");
        m->SetVolume(100);
        return m;
    }

    test::LoopbackHttpServer server;
};

// The samples' length in seconds at rate, and their frequency by the zero crossings of the middle
// half (clear of the codec's edges).
std::pair<double, double> lengthAndFrequency(const std::vector<unsigned char>& audio, double rate, int bits) {
    const std::vector<int> s = test::decoded(audio, bits);
    int crossings = 0;
    for (std::size_t i = s.size() / 4 + 1; i < s.size() * 3 / 4; ++i) {
        crossings += (s[i - 1] < 0) != (s[i] < 0);
    }
    return {static_cast<double>(s.size()) / rate, crossings / (static_cast<double>(s.size()) / rate)};
}

// The MP3 of a response is decoded as one stream while it arrives, whatever its pieces, to the
// native format and then the output format; the log says why a response is refused or lost.
TEST_F(OnlineModules, GTranslatorDecodesTheMp3AsItArrives) {
    const std::string mp3 = "?type=audio%2Fmpeg&l=%s&t=%s";
    const struct {
        std::string path;
        std::u16string language, sampleRate;
        bool spoken;
        std::string logged; // empty: nothing
        double seconds;     // 0: no audio; -1: some
    } rows[] = {
        {"/file/sine22050.mp3" + mp3, u"ru", u"", true, "", 1.0},
        {"/file/sine22050.mp3" + mp3 + "&chunk=1000&pause=2", u"ru", u"", true, "", 1.0}, // the same samples
        {"/file/sine22050.mp3" + mp3, u"ru", u"16000", true, "", 1.0},
        {"/file/sine16000.mp3" + mp3, u"en", u"", true, "", 1.0},
        {"/file/sine16000.mp3" + mp3, u"de", u"", true, "", 0},
        {"/file/sine22050.mp3?type=audio%2Fmpeg%3B+charset%3Dx&t=%s", u"ru", u"", false,
         "* Error: google, incorrect content: audio/mpeg; charset=x\n", 0},
        {"/file/sine22050.mp3?type=none&t=%s", u"ru", u"", false, "* Error: the 'Content-Type' header isn't available.\n", 0},
        {"/file/sine22050.mp3" + mp3 + "&delay=2000", u"ru", u"", false, "* Error: google did not answer within 400 ms.\n", 0},
        {"/file/sine22050.mp3" + mp3 + "&stall=2000", u"ru", u"", false, "* Error: google did not answer within 400 ms.\n", -1},
        {"/file/sine22050.mp3" + mp3 + "&truncate=2000", u"ru", u"", true, "* Error: the answer of google broke off.\n", -1},
    };
    std::vector<unsigned char> first;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        const auto google = module<GTranslatorModule>(row.path, row.language);
        if (!row.sampleRate.empty()) {
            google->ReadSetting(u"samplerate", row.sampleRate);
        }
        const test::LogTail log;
        test::RecordingSink sink;
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
        if (first.empty()) {
            first = sink.audio;
        } else if (row.path.find("chunk") != std::string::npos) {
            EXPECT_TRUE(sink.audio == first);
        }
    }
    // The text, always percent-encoded, with the encoded byte-order mark only for Russian.
    const std::vector<std::string> requests = server.requests();
    ASSERT_GE(requests.size(), 4u);
    EXPECT_NE(requests[0].find("&l=ru&t=%EF%BB%BF%D0%B4%D0%B0\ttext/plain; charset=utf-8"), std::string::npos) << requests[0];
    EXPECT_NE(requests[3].find("&l=en&t=%D0%B4%D0%B0\t"), std::string::npos) << requests[3];
    const auto refused = module<GTranslatorModule>("/", u"ru");
    refused->ReadSetting(u"request", u"http://127.0.0.1:1/?t=%s");
    const test::LogTail log;
    EXPECT_FALSE(refused->Speak(u"да"));
    EXPECT_EQ(toUtf8(log.text()), "*Can't open the Google translator URL.\n");
}

// A WAV response's header is skipped once, by its chunks, however the response is cut; what is
// not a WAV file is written whole. A body of 50 MB streams through.
TEST_F(OnlineModules, MsTranslatorWritesTheSamplesOfTheWav) {
    std::string samples;
    for (int i = 0; i < 8000; ++i) {
        samples += static_cast<char>(128 + std::lround(60 * std::sin(2 * std::numbers::pi * 440 * i / 8000)));
    }
    const auto chunk = [](const char* id, const std::string& body) {
        const auto n = static_cast<std::uint32_t>(body.size());
        return id + std::string{char(n), char(n >> 8), char(n >> 16), char(n >> 24)} + body + std::string(n % 2, '\0');
    };
    const std::string format = chunk("fmt ", std::string("\1\0\1\0\x40\x1F\0\0\x40\x1F\0\0\1\0\x08\0", 16));
    const auto wav = [&](const std::string& chunks) { return chunk("RIFF", "WAVE" + chunks); };
    server.folder().writeBytes("plain.wav", wav(format + chunk("data", samples)));
    server.folder().writeBytes("list.wav", wav(format + chunk("LIST", "INFOabc") + chunk("data", samples)));
    server.folder().writeBytes("header.wav", wav(format + chunk("data", "")));
    const std::string huge = "RIFF\0\0\0\0WAVEfmt \xFF\xFF\xFF\x0F" + samples;
    server.folder().writeBytes("huge.wav", huge);
    const std::string wave = "?type=audio%2Fx-wav&a=%s&t=%s&l=%s";
    const struct {
        std::string path;
        std::string written;
        std::size_t stopAfter;
    } rows[] = {
        {"/file/plain.wav" + wave, samples, 0}, {"/file/list.wav" + wave + "&chunk=13&pause=1", samples, 0},
        {"/file/header.wav" + wave, "", 0},
        {"/file/huge.wav" + wave, huge, 0},
        {"/file/sine16000.raw" + wave, test::readBytes(server.folder().path() / "sine16000.raw"), 0},
        {"/file/plain.wav" + wave + "&chunk=1000&pause=20", samples.substr(0, 1000 - 44), 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        test::RecordingSink sink;
        sink.stopAfter = row.stopAfter;
        sink = test::spoken(*module<MsTranslatorModule>(row.path, u"ru"), u"да", sink);
        EXPECT_TRUE(std::string(sink.audio.begin(), sink.audio.end()) == row.written)
            << sink.audio.size() << " bytes written, not " << row.written.size();
    }
    EXPECT_NE(server.requests()[0].find(std::string("&a=") + toUtf8(MsTranslatorModule::kApplicationId) + "&t=%EF%BB%BF"),
              std::string::npos);
    // 16-bit samples cut between pieces are joined, not lost.
    const auto wide = module<MsTranslatorModule>("/file/sine16000.raw" + wave + "&chunk=1001&pause=2", u"ru");
    wide->ReadSetting(u"convert", u"vxtts");
    const std::vector<unsigned char> spokenWide = test::spoken(*wide, u"да").audio;
    EXPECT_TRUE(std::string(spokenWide.begin(), spokenWide.end()) == rows[4].written);
    // Converted to the output format as one stream.
    const auto converted = module<MsTranslatorModule>("/file/plain.wav" + wave, u"ru");
    converted->ReadSetting(u"output_format", u"16000,1,16");
    converted->ReadSetting(u"convert", u"acm");
    const auto [seconds, frequency] = lengthAndFrequency(test::spoken(*converted, u"да").audio, 16000, 16);
    EXPECT_NEAR(seconds, 1.0, 0.01);
    EXPECT_NEAR(frequency, 440, 9);
    // 50 MB of samples after the header reach the sink as they arrive.
    struct Counter : EngineSink {
        std::int32_t OnAudio(const void*, std::uint32_t bytes, const SentenceMark*) override {
            total += bytes;
            return 0;
        }
        std::uint64_t total = 0;
    } counter;
    const auto big = module<MsTranslatorModule>("/prefix/plain.wav/52428800" + wave, u"ru");
    big->SetSink(&counter);
    EXPECT_TRUE(big->Speak(u"да"));
    EXPECT_EQ(counter.total, 8000u + 52428800u);
}

} // namespace
} // namespace vx
