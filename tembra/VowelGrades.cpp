#include "tembra/VowelGrades.h"

#include "tembra/Letters.h"

namespace vx::tembra {
namespace {

void gradeWord(std::u16string_view word, std::size_t stressed, VowelGrade* grades) {
    std::size_t previousVowel = std::u16string_view::npos;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (!isVowel(word[i])) {
            continue;
        }
        grades[i] = i == stressed ? VowelGrade::Full : i == 0 ? VowelGrade::Pretonic : VowelGrade::Weak;
        if (i == stressed && previousVowel != std::u16string_view::npos) {
            grades[previousVowel] = VowelGrade::Pretonic;
        }
        previousVowel = i;
    }
}

} // namespace

std::vector<VowelGrade> gradeVowels(std::u16string_view text, const StressDictionary& stress) {
    std::vector<VowelGrade> grades(text.size(), VowelGrade::Full);
    for (std::size_t start = 0; start < text.size();) {
        if (!isRussianLetter(text[start])) {
            ++start;
            continue;
        }
        std::size_t end = start;
        while (end < text.size() && isRussianLetter(text[end])) {
            ++end;
        }
        const std::u16string_view word = text.substr(start, end - start);
        gradeWord(word, stress.stressedVowel(word), grades.data() + start);
        start = end;
    }
    return grades;
}

} // namespace vx::tembra
