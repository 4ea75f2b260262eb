#pragma once
// A small but complete Russian dictionary file: every letter, every number word that
// numberToWords can ask for, a few symbols (some escaped, as "#" and ";" start comments) and
// replacements, among them one that grows the text and one whose output a later entry rewrites.
// Shared by the tests, the fuzz targets and the benchmarks.

#include <string_view>

namespace vx::test {

inline constexpr std::u16string_view kRussianDictionary =
    u"[Letters]\n"
    u"а=а\nб=бэ\nв=вэ\nг=гэ\nд=дэ\nе=е\n"
    u"ё=ё\nж=жэ\nз=зэ\nи=и\nй=и краткое\nк=ка\n"
    u"л=эль\nм=эм\nн=эн\nо=о\nп=пэ\nр=эр\n"
    u"с=эс\nт=тэ\nу=у\nф=эф\nх=ха\nц=цэ\n"
    u"ч=че\nш=ша\nщ=ща\nъ=твёрдый знак\nы=ы\nь=мягкий знак\n"
    u"э=э\nю=ю\nя=я\n"
    u"[Numbers]\n"
    u"0=ноль\n1=один\n2=два\n3=три\n4=четыре\n5=пять\n"
    u"6=шесть\n7=семь\n8=восемь\n9=девять\n10=десять\n11=одиннадцать\n"
    u"12=двенадцать\n13=тринадцать\n14=четырнадцать\n15=пятнадцать\n16=шестнадцать\n17=семнадцать\n"
    u"18=восемнадцать\n19=девятнадцать\n20=двадцать\n30=тридцать\n40=сорок\n50=пятьдесят\n"
    u"60=шестьдесят\n70=семьдесят\n80=восемьдесят\n90=девяносто\n100=сто\n200=двести\n"
    u"300=триста\n400=четыреста\n500=пятьсот\n600=шестьсот\n700=семьсот\n800=восемьсот\n"
    u"900=девятьсот\n1f=одна\n2f=две\nthousand_s=тысяча\nthousand_p1=тысячи\nthousand_p2=тысяч\n"
    u"million_s=миллион\nmillion_p1=миллиона\nmillion_p2=миллионов\nbillion_s=миллиард\nbillion_p1=миллиарда\nbillion_p2=миллиардов\n"
    u"[Symbols]\n"
    u"+=плюс\n-=минус\n%=процент\n№=номер\n@=собака\n&=амперсанд\n"
    u"$=доллар\n*=звёздочка\n\\#=решётка\n\\;=точка с запятой\n\\== равно\n"
    u"[Replacements]\n"
    u"а=аа\nаа=я\nт.д.=так далее\n"
    u"и т.д.=и так далее\nт.е.=то есть\nкг=килограмм\n"
    u"км=километр\nруб.=рублей\nул.=улица:1\n"
    u"ого=ово\n\\u0020-\\u0020 = \\u0020тире\\u0020:0\n";

} // namespace vx::test
