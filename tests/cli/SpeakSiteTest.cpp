#include "cli/SpeakSite.h"

#include "cli/ComRef.h"
#include "cli/EventLines.h"
#include "cli/VoiceToken.h"

#include <gtest/gtest.h>
#include <sstream>

namespace vx::cli {
namespace {

// Keeps what it is given; fails every write once told to.
class MemoryOutput final : public AudioOutput {
public:
    bool begin(const WAVEFORMATEX&) override { return true; }
    bool write(const void* data, std::size_t bytes) override {
        if (failing) {
            error_ = "full";
            return false;
        }
        audio.append(static_cast<const char*>(data), bytes);
        return true;
    }
    bool finish() override { return true; }

    std::string audio;
    bool failing = false;
};

class SpeakSiteTest : public testing::Test {
protected:
    ComRef<ISpTTSEngineSite> create(std::ostream* eventStream) {
        ComRef<ISpTTSEngineSite> site;
        EXPECT_EQ(ComObject<SpeakSite>::Create(nullptr, IID_ISpTTSEngineSite, site.out(), output,
                                               eventStream),
                  S_OK);
        return site;
    }

    MemoryOutput output;
    std::ostringstream events;
};

TEST_F(SpeakSiteTest, WritesAudioAndCountsIt) {
    auto site = create(nullptr);
    ULONG written = 99;
    EXPECT_EQ(site->Write("abcd", 4, &written), S_OK);
    EXPECT_EQ(written, 4U);
    EXPECT_EQ(site->Write("ef", 2, nullptr), S_OK);
    EXPECT_EQ(output.audio, "abcdef");
    EXPECT_EQ(static_cast<SpeakSite*>(site.get())->audioBytes(), 6U);
    EXPECT_EQ(site->GetActions(), static_cast<DWORD>(SPVES_CONTINUE));
}

TEST_F(SpeakSiteTest, FailedWriteFailsEveryLaterOne) {
    auto site = create(nullptr);
    output.failing = true;
    ULONG written = 99;
    EXPECT_TRUE(FAILED(site->Write("abcd", 4, &written)));
    EXPECT_EQ(written, 0U);
    output.failing = false;
    EXPECT_TRUE(FAILED(site->Write("abcd", 4, &written)));
    EXPECT_TRUE(static_cast<SpeakSite*>(site.get())->writeFailed());
    EXPECT_EQ(output.audio, "");
}

TEST_F(SpeakSiteTest, AsksForEventsOnlyWithAnEventStream) {
    ULONGLONG interest = 99;
    EXPECT_EQ(create(nullptr)->GetEventInterest(&interest), S_OK);
    EXPECT_EQ(interest, 0U);
    EXPECT_EQ(create(&events)->GetEventInterest(&interest), S_OK);
    EXPECT_EQ(interest, SPFEI(SPEI_SENTENCE_BOUNDARY) | SPFEI(SPEI_TTS_BOOKMARK));
}

TEST_F(SpeakSiteTest, AnswersForItsInterfacesOnly) {
    auto site = create(nullptr);
    ComRef<ISpEventSink> sink;
    ComRef<IUnknown> unknown;
    ComRef<ISpObjectToken> token;
    EXPECT_EQ(site->QueryInterface(IID_ISpEventSink, sink.out()), S_OK);
    EXPECT_EQ(site->QueryInterface(IID_IUnknown, unknown.out()), S_OK);
    EXPECT_EQ(site->QueryInterface(IID_ISpObjectToken, token.out()), E_NOINTERFACE);
    EXPECT_FALSE(token);
}

// A sentence at offset 2, length 2 of the chunk "а бв" read from " а  бв" lies at 4, length 2
// of the input; its audio starts after the 3 bytes already written.
TEST_F(SpeakSiteTest, SentenceEventsCountInTheInputAndTheAudio) {
    auto site = create(&events);
    auto* speakSite = static_cast<SpeakSite*>(site.get());
    Chunk chunk{u"а бв", {1, 2, 4, 5, 6}};
    speakSite->setChunk(&chunk);
    ASSERT_EQ(site->Write("abc", 3, nullptr), S_OK);
    SPEVENT sentence{};
    sentence.eEventId = SPEI_SENTENCE_BOUNDARY;
    sentence.wParam = 2;
    sentence.lParam = 2;
    SPEVENT word{};
    word.eEventId = SPEI_WORD_BOUNDARY;
    const std::u16string name = u"7 \"шаг\"";
    SPEVENT bookmark{};
    bookmark.eEventId = SPEI_TTS_BOOKMARK;
    bookmark.elParamType = SPET_LPARAM_IS_STRING;
    bookmark.wParam = 7;
    bookmark.lParam = reinterpret_cast<LPARAM>(name.c_str());
    const SPEVENT all[] = {sentence, word, bookmark};
    EXPECT_EQ(site->AddEvents(all, 3), S_OK);
    EXPECT_EQ(events.str(),
              "{\"event\":\"sentence\",\"offset\":4,\"length\":2,\"position\":3}\n"
              "{\"event\":\"bookmark\",\"name\":\"7 \\\"шаг\\\"\",\"value\":7,\"position\":3}\n");
}

struct JsonCase {
    std::string text;
    std::string literal;
};

class JsonStrings : public testing::TestWithParam<JsonCase> {};

TEST_P(JsonStrings, AreEscaped) {
    EXPECT_EQ(jsonString(GetParam().text), GetParam().literal);
}

INSTANTIATE_TEST_SUITE_P(EventLines, JsonStrings,
                         testing::Values(JsonCase{"", R"("")"}, JsonCase{"мост", R"("мост")"},
                                         JsonCase{R"(a"b\c)", R"("a\"b\\c")"},
                                         JsonCase{"a\nb\tc\x01", R"("a\u000ab\u0009c\u0001")"}));

TEST(VoiceToken, GivesTheVoiceNameOnly) {
    ComRef<ISpObjectToken> token;
    ASSERT_EQ(ComObject<VoiceToken>::Create(nullptr, IID_ISpObjectToken, token.out(),
                                            std::u16string(u"tembra_uk")),
              S_OK);
    const std::u16string voiceName = u"VoiceName";
    LPWSTR value = nullptr;
    ASSERT_EQ(token->GetStringValue(toWide(voiceName), &value), S_OK);
    EXPECT_EQ(fromWide(value), u"tembra_uk");
    CoTaskMemFree(value);

    const std::u16string other = u"Language";
    value = reinterpret_cast<LPWSTR>(&value);
    EXPECT_EQ(token->GetStringValue(toWide(other), &value), SPERR_NOT_FOUND);
    EXPECT_EQ(value, nullptr);
    EXPECT_EQ(token->GetStringValue(toWide(voiceName), nullptr), E_POINTER);
    LPWSTR id = nullptr;
    EXPECT_EQ(token->GetId(&id), E_NOTIMPL);

    ComRef<ISpDataKey> key;
    EXPECT_EQ(token->QueryInterface(IID_ISpDataKey, key.out()), S_OK);
}

} // namespace
} // namespace vx::cli
