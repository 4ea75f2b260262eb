#include "config/ConfigFile.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

namespace vx {
namespace {

using test::TempFolder;

struct Section {
    std::vector<std::u16string> lines;
};

// A reader that keeps, per section, the "key=value" lines it was given.
class SectionsConf : public ConfigFile<Section> {
public:
    SectionsConf() : ConfigFile(u"langs.conf") {}
    ~SectionsConf() override { clear(); }

    bool onEntry(const std::u16string&, const std::u16string& section, const std::u16string& key,
                 const std::u16string& value) override {
        Section* item = get(section);
        if (!item) {
            item = insert(section, std::make_unique<Section>());
        }
        item->lines.push_back(key + u"=" + value);
        return true;
    }
};

class ConfigFileSearch : public testing::Test {
protected:
    std::u16string user() const { return folder.file("user"); }
    std::u16string program() const { return folder.file("program"); }
    void put(const char* where, std::u16string_view text) const {
        folder.writeUtf16(std::string(where) + "/data/langs.conf", text);
    }
    bool load(SectionsConf& conf) const { return conf.load(program(), {user(), program()}); }

    TempFolder folder;
};

TEST_F(ConfigFileSearch, ThePerUserCopyWinsEvenWhenEmpty) {
    put("user", u"");
    put("program", u"[ru]\na=1\n");
    SectionsConf conf;
    EXPECT_TRUE(load(conf));
    EXPECT_TRUE(conf.items().empty());
    EXPECT_EQ(conf.baseDirectory(), program());
    EXPECT_EQ(conf.paths(), (std::vector<std::u16string>{user() + u"/data/langs.conf", program() + u"/data/langs.conf"}));
}

TEST_F(ConfigFileSearch, FallsBackToTheProgramFolder) {
    put("program", u"[ru]\na=1\n");
    SectionsConf conf;
    EXPECT_TRUE(load(conf));
    ASSERT_NE(conf.get(u"ru"), nullptr);
    EXPECT_EQ(conf.get(u"ru")->lines, std::vector<std::u16string>{u"a=1"});
    EXPECT_EQ(conf.get(u"RU"), nullptr);
}

TEST_F(ConfigFileSearch, FailsWhenNoFolderHasTheFile) {
    SectionsConf conf;
    EXPECT_FALSE(load(conf));
    EXPECT_FALSE(conf.load(program(), {}));
}

TEST_F(ConfigFileSearch, ASecondLoadAddsToWhatIsHeld) {
    put("program", u"[ru]\na=1\n");
    SectionsConf conf;
    ASSERT_TRUE(load(conf));
    put("user", u"[ru]\nb=2\n[uk]\nc=3\n");
    ASSERT_TRUE(load(conf));
    EXPECT_EQ(conf.get(u"ru")->lines, (std::vector<std::u16string>{u"a=1", u"b=2"}));
    EXPECT_NE(conf.get(u"uk"), nullptr);
}

TEST_F(ConfigFileSearch, RemoveAndClear) {
    put("program", u"[ru]\na=1\n[uk]\nb=2\n");
    SectionsConf conf;
    ASSERT_TRUE(load(conf));
    EXPECT_TRUE(conf.remove(u"ru"));
    EXPECT_FALSE(conf.remove(u"ru"));
    EXPECT_EQ(conf.get(u"ru"), nullptr);
    EXPECT_NE(conf.get(u"uk"), nullptr);
    conf.clear();
    EXPECT_TRUE(conf.items().empty());
    EXPECT_EQ(conf.baseDirectory(), u"");
}

} // namespace
} // namespace vx
