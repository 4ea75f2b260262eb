#include "cli/SpeakSite.h"

#include "cli/ComRef.h"
#include "cli/WavOutput.h"

#include <gtest/gtest.h>
#include <sstream>

namespace vx::cli {
namespace {

// A sentence at offset 2, length 2 of the chunk "а бв" read from " а  бв" lies at 4, length 2 of
// the input; its audio starts after the 3 bytes already written. Word boundaries are not
// reported; bookmark names are JSON strings.
TEST(SpeakSite, WritesEventsInTheInputAndTheAudio) {
    std::ostringstream audio, events;
    WavStream output(audio, "memory");
    ComRef<ISpTTSEngineSite> site;
    ASSERT_EQ(ComObject<SpeakSite>::Create(nullptr, IID_ISpTTSEngineSite, site.out(), output, &events), S_OK);
    const Chunk chunk{u"а бв", {1, 2, 4, 5, 6}};
    static_cast<SpeakSite*>(site.get())->setChunk(&chunk);
    ASSERT_EQ(site->Write("abc", 3, nullptr), S_OK);
    const std::u16string name = u"7 \"шаг\"\\\n\x01\x1f";
    const auto event = [](WORD id, WORD type, WPARAM wParam, LPARAM lParam) {
        return SPEVENT{id, type, 0, 0, wParam, lParam};
    };
    const SPEVENT all[] = {event(SPEI_SENTENCE_BOUNDARY, 0, 2, 2), event(SPEI_WORD_BOUNDARY, 0, 0, 0),
                           event(SPEI_TTS_BOOKMARK, SPET_LPARAM_IS_STRING, 7, reinterpret_cast<LPARAM>(name.c_str()))};
    EXPECT_EQ(site->AddEvents(all, 3), S_OK);
    EXPECT_EQ(events.str(), "{\"event\":\"sentence\",\"offset\":4,\"length\":2,\"position\":3}\n"
                            R"({"event":"bookmark","name":"7 \"шаг\"\\\u000a\u0001\u001f","value":7,"position":3})" "\n");
}

} // namespace
} // namespace vx::cli
