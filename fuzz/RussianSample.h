#pragma once
// A small but complete Russian dictionary file, shared by the fuzz targets and the benchmarks:
// every letter, every number word that numberToWords can ask for, a few symbols (some of them
// escaped, as "#" and ";" start comments) and replacements, among them one that grows the text
// and one whose output a later entry rewrites.

#include <string_view>

namespace vx::fuzz {

inline constexpr std::u16string_view kRussianSample = uR"([Letters]
а = а
б = бэ
в = вэ
г = гэ
д = дэ
е = е
ё = ё
ж = жэ
з = зэ
и = и
й = и краткое
к = ка
л = эль
м = эм
н = эн
о = о
п = пэ
р = эр
с = эс
т = тэ
у = у
ф = эф
х = ха
ц = цэ
ч = че
ш = ша
щ = ща
ъ = твёрдый знак
ы = ы
ь = мягкий знак
э = э
ю = ю
я = я

[Numbers]
0 = ноль
1 = один
2 = два
3 = три
4 = четыре
5 = пять
6 = шесть
7 = семь
8 = восемь
9 = девять
10 = десять
11 = одиннадцать
12 = двенадцать
13 = тринадцать
14 = четырнадцать
15 = пятнадцать
16 = шестнадцать
17 = семнадцать
18 = восемнадцать
19 = девятнадцать
20 = двадцать
30 = тридцать
40 = сорок
50 = пятьдесят
60 = шестьдесят
70 = семьдесят
80 = восемьдесят
90 = девяносто
100 = сто
200 = двести
300 = триста
400 = четыреста
500 = пятьсот
600 = шестьсот
700 = семьсот
800 = восемьсот
900 = девятьсот
1f = одна
2f = две
thousand_s = тысяча
thousand_p1 = тысячи
thousand_p2 = тысяч
million_s = миллион
million_p1 = миллиона
million_p2 = миллионов
billion_s = миллиард
billion_p1 = миллиарда
billion_p2 = миллиардов

[Symbols]
+ = плюс
- = минус
% = процент
№ = номер
@ = собака
& = амперсанд
$ = доллар
* = звёздочка
\# = решётка
\; = точка с запятой
\== равно

[Replacements]
а = аа
аа = я
т.д. = так далее
и т.д. = и так далее
т.е. = то есть
кг = килограмм
км = километр
руб. = рублей
ул. = улица:1
ого = ово
\u0020-\u0020 = \u0020тире\u0020:0
)";

} // namespace vx::fuzz
