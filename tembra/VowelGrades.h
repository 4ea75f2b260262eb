#pragma once
// How strongly each vowel of a portion is said, from where the stress falls in its word.

#include "tembra/StressDictionary.h"
#include "tembra/TembraSynthesizer.h"

#include <string_view>
#include <vector>

namespace vx::tembra {

// The grade of the letter at each position of text (lower-case Russian letters, spaces and
// punctuation): the stressed vowel of each word Full; the vowel right before it, and an
// unstressed vowel that begins its word, Pretonic; every other vowel Weak, also in the words
// said without stress. Letters other than vowels are Full.
std::vector<VowelGrade> gradeVowels(std::u16string_view text, const StressDictionary& stress);

} // namespace vx::tembra
