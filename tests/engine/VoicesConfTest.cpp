#include "tests/engine/EngineFixture.h"

namespace vx {
namespace {

using test::number;

struct VoicesCase {
    std::u16string voicesConf;
    // One line a voice: "<name>: <language>=<module>@<rate>/<volume>/<pitch>...; punctuation
    // <mode>, subvoices <digits>/<symbols>, portions <min>..<max>".
    std::u16string voices;
};

const VoicesCase kVoicesCases[] = {
    {u"[v]\nru = tembra\ndigit_subvoice = 2\npunctuation_subvoice = 2\npunctuation = some\nmax_portion_size = -1\n"
     u"min_portion_size = 3\n",
     u"v: ru=tembra@100/100/50; punctuation 1, subvoices 1/1, portions 3..4294967295\n"},
    // Only "1" and "2" name a subvoice; the punctuation modes are case-sensitive.
    {u"[v]\nru = tembra\ndigit_subvoice = 3\npunctuation_subvoice = two\npunctuation = All\n",
     u"v: ru=tembra@100/100/50; punctuation 0, subvoices 0/0, portions 64..512\n"},
    // Prosody keys act on the subvoices above them (speed 60 on none); speed 150 is refused, volumes clamped.
    {u"[v]\nspeed = 60\nru = tembra\nspeed = 0\nvolume = 150\nspeed = 150\npitch = 30\nuk = tembra_2\nvolume = -5\n",
     u"v: ru=tembra@0/0/30 uk=tembra_2@100/0/50; punctuation 0, subvoices 0/0, portions 64..512\n"},
    // A line that is neither a key nor a subvoice of known parts discards the voice read so far.
    {u"[v]\nru = tembra\nmax_portion_size = 7\nnonsense = 1\nuk = tembra_2\n[w]\nru = tembra\nuk = espeak\n",
     u"v: uk=tembra_2@100/100/50; punctuation 0, subvoices 0/0, portions 64..512\n"},
    // Names are case-sensitive; entries before the first section belong to no voice.
    {u"ru = tembra\n[tembra]\nru = tembra\n[Tembra]\nuk = tembra\n[none]\npunctuation = all\n",
     u"Tembra: uk=tembra@100/100/50; punctuation 0, subvoices 0/0, portions 64..512\n"
     u"none:; punctuation 2, subvoices 0/0, portions 64..512\n"
     u"tembra: ru=tembra@100/100/50; punctuation 0, subvoices 0/0, portions 64..512\n"},
};

using VoicesConfTest = test::ConfigTest;

TEST_F(VoicesConfTest, ReadsVoices) {
    for (const VoicesCase& row : kVoicesCases) {
        SCOPED_TRACE(toUtf8(row.voicesConf));
        write("voices.conf", row.voicesConf);
        VoicesConf manager(test::makeRecordingModule);
        ASSERT_TRUE(manager.load(program, {program}));
        std::u16string voices;
        for (const auto& [name, voice] : manager.items()) {
            voices += name + u":";
            for (const auto& [language, module] : voice->subvoices()) {
                const ModuleSettings& s = module->settings();
                voices += u" " + language->name() + u"=" + manager.moduleName(module) + u"@" + number(s.rate) + u"/" +
                          number(s.volume) + u"/" + number(s.pitch);
            }
            const PipelineSettings& p = voice->settings();
            voices += u"; punctuation " + number(static_cast<int>(p.punctuation)) + u", subvoices " +
                      number(p.digitSubvoice) + u"/" + number(p.punctuationSubvoice) + u", portions " +
                      number(p.minPortionSize) + u".." + number(p.maxPortionSize) + u"\n";
            if (voice->subvoices().empty()) { // nothing to say it with, and no crash
                EXPECT_FALSE(voice->SpeakText(u"да") || voice->Silence(100) || voice->Spell(u"да"));
            }
        }
        EXPECT_EQ(voices, row.voices);
    }
}

} // namespace
} // namespace vx
