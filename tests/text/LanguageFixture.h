#pragma once
// Languages built from dictionary text in memory, for the text tests.

#include "config/ConfigParser.h"
#include "tests/support/TempFolder.h"
#include "text/Language.h"

#include <memory>
#include <vector>

namespace vx::test {

// A language named name with the langs.conf keys given as {key, value} pairs and the dictionary
// file text (sections [Letters], [Numbers], [Symbols], [Replacements]).
inline std::unique_ptr<Language> makeLanguage(std::u16string_view dictionary,
                                              const std::vector<std::pair<std::u16string, std::u16string>>& keys = {},
                                              std::u16string name = u"ru") {
    auto language = std::make_unique<Language>(std::move(name));
    for (const auto& [key, value] : keys) {
        language->set(key, value);
    }
    const std::string bytes = utf16le(dictionary);
    ConfigParser::loadBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), u"ru.conf",
                            *language);
    return language;
}

// The numbers section of a Russian dictionary.
inline constexpr std::u16string_view kRussianNumbers =
    u"[Numbers]\n"
    u"0=ноль\n1=один\n2=два\n3=три\n4=четыре\n5=пять\n6=шесть\n7=семь\n8=восемь\n9=девять\n"
    u"10=десять\n11=одиннадцать\n12=двенадцать\n13=тринадцать\n14=четырнадцать\n15=пятнадцать\n"
    u"16=шестнадцать\n17=семнадцать\n18=восемнадцать\n19=девятнадцать\n"
    u"20=двадцать\n30=тридцать\n40=сорок\n50=пятьдесят\n60=шестьдесят\n70=семьдесят\n"
    u"80=восемьдесят\n90=девяносто\n"
    u"100=сто\n200=двести\n300=триста\n400=четыреста\n500=пятьсот\n600=шестьсот\n700=семьсот\n"
    u"800=восемьсот\n900=девятьсот\n"
    u"1f=одна\n2f=две\n"
    u"thousand_s=тысяча\nthousand_p1=тысячи\nthousand_p2=тысяч\n"
    u"million_s=миллион\nmillion_p1=миллиона\nmillion_p2=миллионов\n"
    u"billion_s=миллиард\nbillion_p1=миллиарда\nbillion_p2=миллиардов\n";

} // namespace vx::test
