#!/usr/bin/env python3
"""Measures how many deliberate faults the test suite catches.

usage: mutate.py [--check] [--only N[,N...]] [--jobs J]
  --check   only verify that every mutant's text occurs exactly once in its file
  --only    run just the mutants of these numbers (as listed)

Each mutant is one small source edit of the kind a real slip makes (a swapped unit index, an
off-by-one, a flipped comparison, a dropped call). The script keeps a copy of the tracked files
in build/mutate/src with its own build folder (the linux preset's settings), applies one mutant
at a time there, builds, and runs ctest; a mutant is caught when a test fails or the build's
tests time out, and does not count when it fails to compile. The working tree is never touched.
Prints one line per mutant and the score at the end.
"""
import argparse
import os
import pathlib
import shutil
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
WORK = ROOT / "build" / "mutate"
SOURCE = WORK / "src"
BUILD = WORK / "build"

# (file, text, replacement, what the slip is)
MUTANTS = [
    # config/
    ("config/TextUtil.cpp", "return std::u16string(text.substr(first, last - first + 1));",
     "return std::u16string(text.substr(first, last - first));", "trim drops the last character"),
    ("config/TextUtil.cpp", "const std::size_t end = keepDelimiters ? at + 1 : at;",
     "const std::size_t end = keepDelimiters ? at : at;", "split loses the kept delimiter"),
    ("config/TextUtil.cpp", "if (maxLength != 0 && piece.size() > maxLength) {",
     "if (maxLength != 0 && piece.size() > maxLength + 1) {", "split lets a piece exceed the limit"),
    ("config/TextUtil.cpp", "if (c >= u'A' && c <= u'Z') {", "if (c >= u'A' && c < u'Z') {",
     "lowercasing misses Z"),
    ("config/TextUtil.cpp", "return value < -static_cast<long long>(INT_MAX) ? INT_MAX : static_cast<int>(-value);",
     "return static_cast<int>(-value);", "toInt no longer saturates"),
    ("config/ConfigParser.cpp", "if (line.empty() || line.front() == u';' || line.front() == u'#') {",
     "if (line.empty() || line.front() == u';') {", "# comments are read as entries"),
    ("config/ConfigParser.cpp", "digit = c - u'a' + 10;", "digit = c - u'a' + 11;", "\\u escapes misread"),
    ("config/ConfigParser.cpp",
     "return line.front() == u'[' && line.back() == u']' && line.find(u'=') == std::u16string_view::npos;",
     "return line.front() == u'[' && line.find(u'=') == std::u16string_view::npos;", "any [ line is a section"),
    # text/
    ("text/LanguageNumbers.cpp", "if (tens == 1) {", "if (tens == 2) {", "teens read as tens"),
    ("text/LanguageNumbers.cpp", "if (order == 1 && (units == 1 || units == 2)) {",
     "if (order == 1 && units == 1) {", "no feminine two before thousand"),
    ("text/LanguageNumbers.cpp", "if (units >= 2 && units <= 4) {", "if (units >= 2 && units < 4) {",
     "four takes the wrong plural"),
    ("text/LanguageNumbers.cpp", "const auto thousands = static_cast<unsigned>(value % 1'000'000 / 1000);",
     "const auto thousands = static_cast<unsigned>(value % 1'000'000 / 1001);", "thousands miscounted"),
    ("text/LanguageNumbers.cpp", "if (digits.size() > kLongestWholeNumber) {",
     "if (digits.size() > kLongestWholeNumber + 1) {", "too long numbers read whole"),
    ("text/TextPipeline.cpp", "constexpr std::u16string_view kSentenceEnds = u\".!?\";",
     "constexpr std::u16string_view kSentenceEnds = u\".!\";", "a question ends no sentence"),
    ("text/TextPipeline.cpp", "if (settings_.maxPortionSize != kNoPortioning && text.size() > settings_.minPortionSize) {",
     "if (settings_.maxPortionSize != kNoPortioning && text.size() >= settings_.minPortionSize) {",
     "a text of exactly the minimum is cut"),
    ("text/TextPipeline.cpp", "        offset += portion.size();\n", "        offset += portion.size() + 1;\n",
     "sentence offsets drift"),
    ("text/TextPipeline.cpp", "if (!single_ && first.isPreposition(text)) {", "if (first.isPreposition(text)) {",
     "a lone preposition letter is not spelled"),
    ("text/TextPipeline.cpp", "return first.spellAbbreviations(first.applyReplacements(text));",
     "return first.spellAbbreviations(text);", "replacements of the first language dropped"),
    ("text/TextPipeline.cpp", "    result_ = sink_.speak(subvoice, buffers_[subvoice]);\n",
     "    sink_.speak(subvoice, buffers_[subvoice]);\n    result_ = true;\n", "a failed module call is success"),
    ("text/LanguageSpelling.cpp", "if (mode == Punctuation::None && isPunct(c[0])) {",
     "if (mode != Punctuation::None && isPunct(c[0])) {", "punctuation spoken when it must not be"),
    ("text/LanguageSpelling.cpp", "if (text.size() <= 1) {", "if (text.size() <= 2) {",
     "two-letter words never spelled"),
    ("text/Language.cpp", "bool isCyrillicLetter(char16_t c) { return (c >= 0x040A && c <= 0x044F) || c == 0x0401 || c == 0x0451; }",
     "bool isCyrillicLetter(char16_t c) { return (c >= 0x040A && c <= 0x044F) || c == 0x0401; }", "ё is no letter"),
    ("text/ReplacementDictionary.cpp", "const std::size_t context = index->longestKey - 1;",
     "const std::size_t context = 0;", "replacements not rescanned around a change"),
    # modules/
    ("modules/AudioBlocks.cpp", "const auto widened = static_cast<std::int32_t>((in[i] - 128) * kScale);",
     "const auto widened = static_cast<std::int32_t>((in[i] - 127) * kScale);", "widening off by one step"),
    ("modules/AudioBlocks.cpp", "const std::int16_t mid = i + 1 < n ? static_cast<std::int16_t>((in[i] + in[i + 1]) >> 1) : in[i];",
     "const std::int16_t mid = in[i];", "inserted samples are copies, not means"),
    ("modules/BoundedValue.h", "if (v < minimum || v > maximum) {", "if (v < minimum || v >= maximum) {",
     "the maximum of a pause is refused"),
    ("modules/SpeechModule.cpp", "const double factor = volume == 100 ? 1.0 : volume / 100.0;",
     "const double factor = volume == 100 ? 1.0 : volume / 128.0;", "volume scaled wrongly"),
    ("modules/SpeechModule.cpp", "const double scaled = (in[i] - 128) * factor + 128;",
     "const double scaled = in[i] * factor;", "8-bit volume scales around 0"),
    ("modules/SpeechModule.cpp", "    rate = std::min(value, speedLimit);\n", "    rate = value;\n",
     "the speed limit is ignored"),
    ("modules/SpeechModule.cpp", "std::uint64_t{milliseconds} * outputFormat_.nAvgBytesPerSec / 1000 / blockAlign * blockAlign;",
     "std::uint64_t{milliseconds} * outputFormat_.nAvgBytesPerSec / 1000;", "silence of half frames"),
    ("modules/TempoPitchFilter.cpp", "const double speed = (rate - 50) * static_cast<double>(tempoGain_) / 100.0 + 1.0;",
     "const double speed = (rate - 50) * static_cast<double>(tempoGain_) / 100.0 + 1.5;", "normal rate is fast"),
    ("modules/TempoPitchFilter.cpp", "const double usable = std::clamp(speed, kMinSpeed, kMaxSpeed);",
     "const double usable = speed;", "speed reaches sonic unchecked"),
    ("platform/AudioConversion.cpp", "if (finished && (!stream_ || stream_->finish(out))) {", "if (finished) {",
     "the converter's end is never flushed"),
    # tembra/
    ("tembra/TembraSynthesizer.cpp", "        unit(isSoftClass(k) || k == 0 ? kI + 3 : kI + 4);\n",
     "        unit(isSoftClass(k) || k == 0 ? kI + 4 : kI + 3);\n", "и's endings swapped"),
    ("tembra/TembraSynthesizer.cpp", "        unit(next() == u'а' ? b + 2 : kRoundVowels.has(next()) ? b + 3 : b + 1);\n",
     "        unit(next() == u'а' ? b + 2 : kRoundVowels.has(next()) ? b + 1 : b + 3);\n",
     "voiced stop releases before о/у and consonants swapped"),
    ("tembra/TembraSynthesizer.cpp", "        unit(next() == u'а' ? b + 1 : kRoundVowels.has(next()) ? b + 2 : b);\n",
     "        unit(next() == u'а' ? b + 2 : kRoundVowels.has(next()) ? b + 1 : b);\n",
     "voiceless releases before а and о/у swapped"),
    ("tembra/TembraSynthesizer.cpp", "            units(b + 4, 2);\n", "            units(b + 4, 1);\n",
     "soft voice bar once"),
    ("tembra/TembraSynthesizer.cpp", "        if (kLabials.has(x)) return 12 + soft;\n", "        if (kLabials.has(x)) return 13 - soft;\n",
     "labial codas hard for soft"),
    ("tembra/TembraSynthesizer.cpp", "        case kLateral: unit(kI + 8); break;\n", "        case kLateral: unit(kI + 9); break;\n",
     "и after л takes the coda"),
    ("tembra/TembraSynthesizer.cpp", "            gap_ = 3 * kUnitGap;\n", "            gap_ = 2 * kUnitGap;\n",
     "statement ends too short"),
    ("tembra/TembraSynthesizer.cpp", "            cut_ = 2 * kUnitGap;\n", "            cut_ = kUnitGap;\n",
     "question cut too small"),
    ("tembra/TembraSynthesizer.cpp", "bool isSoftClass(int k) { return k != 0 && (k - 1) % 3 == 0; }",
     "bool isSoftClass(int k) { return k != 0 && k % 3 == 0; }", "soft consonant classes misread"),
    ("tembra/TembraModule.cpp", "    const bool filtered = tempoFilter && rate != 50;\n",
     "    const bool filtered = tempoFilter && rate > 50;\n", "slow rates not slowed"),
    ("tembra/TembraModule.cpp", "    if (volume != 100) {\n", "    if (volume < 50) {\n", "volumes 50..99 unscaled"),
    # engine/
    ("engine/TtsEngine.cpp", "const std::int64_t sum = std::clamp<std::int64_t>(std::int64_t{adjustment} + base, -10, 10);",
     "const std::int64_t sum = std::clamp<std::int64_t>(std::int64_t{adjustment} + base, -10, 9);",
     "the rate clamp stops short"),
    ("engine/TtsEngine.cpp", "const std::uint32_t volume = state.Volume == 100 ? baseVolume_ : state.Volume;",
     "const std::uint32_t volume = state.Volume;", "the site's volume is ignored"),
    ("engine/TtsEngine.cpp", "bool abortRequested(DWORD actions) { return (actions & (SPVES_ABORT | SPVES_SKIP)) != 0; }",
     "bool abortRequested(DWORD actions) { return (actions & SPVES_ABORT) != 0; }", "a skip goes unheard"),
    ("engine/TtsEngine.cpp", "speaking_->SetPunctuation((speakFlags & SPF_NLP_SPEAK_PUNC) ? Punctuation::All : Punctuation::None);",
     "speaking_->SetPunctuation((speakFlags & SPF_NLP_SPEAK_PUNC) ? Punctuation::None : Punctuation::None);",
     "the speak-punctuation flag is ignored"),
    ("engine/TtsEngine.cpp", "                Log::Write(u\"* Sentence boundary error\");\n", "",
     "a failed sentence event is not logged"),
    ("engine/TtsEngine.cpp", "    audioOffset_ += byteCount;\n", "", "events keep offset 2"),
    ("engine/TtsEngine.cpp", "    pendingBookmarks_.clear();\n    return S_OK;\n}", "    return S_OK;\n}",
     "an abort keeps its bookmarks"),
    ("engine/TtsEngine.cpp", "        if (FAILED(result) && fromWide(name) != kFallbackVoice) {",
     "        if (FAILED(result)) {", "a missing tembra is looked up twice"),
    ("engine/Voice.cpp", "    return index == 1 ? 1 : 0;\n", "    return index == 2 ? 1 : 0;\n",
     "digit_subvoice 2 is the first"),
    ("engine/Voice.cpp", "constexpr std::uint32_t kSpellPause = 100;", "constexpr std::uint32_t kSpellPause = 10;",
     "spelling pause too short"),
    ("engine/Voice.cpp", "    if (value >= 0 && value <= 100) {\n        for (const Subvoice& subvoice : subvoices_) {\n            subvoice.module->SetRate(value);",
     "    if (value > 0 && value <= 100) {\n        for (const Subvoice& subvoice : subvoices_) {\n            subvoice.module->SetRate(value);",
     "rate 0 is refused"),
    ("engine/VoicesConf.cpp", "    remove(section);\n    return false;\n", "    return false;\n",
     "a voice with a bad line is kept"),
    # The second set was written from the product code alone, after the tests were condensed,
    # as a check on faults that nobody aimed the tests at.
    ("config/TextUtil.cpp", "        if (end < text.size()) {\n            out += u' ';",
     "        if (end <= text.size()) {\n            out += u' ';", "collapsed spaces leave one at the end"),
    ("platform/Utf.cpp", "if (lead >= 0xC2 && lead <= 0xDF) {", "if (lead >= 0xC0 && lead <= 0xDF) {",
     "overlong UTF-8 accepted"),
    ("platform/Utf.cpp", "out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));",
     "out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x1FF)));", "low surrogates lose a bit"),
    ("platform/Log.cpp", "        } else if (conversion == u'%') {\n            out += u'%';\n            ++i;",
     "        } else if (conversion == u'%') {\n            out += u'%';", "%% written twice"),
    ("text/LangsConf.cpp", "language->loadUserDictionary(platform::joinPath(folder, value));",
     "language->loadDictionary(platform::joinPath(folder, value));", "a user dictionary read as a language's own"),
    ("text/LanguageSpelling.cpp", "out += run.size() == 1 && !isPreposition(run) ? letterName(run) : run;",
     "out += run.size() == 1 ? letterName(run) : run;", "prepositions spelled as letters"),
    ("text/LanguageSpelling.cpp", "        out += letterName(word.substr(i, 1));\n        out += u' ';\n",
     "        out += letterName(word.substr(i, 1));\n", "an abbreviation's letters run together"),
    ("text/TextPipeline.cpp", "return isSpace(c) || language(1).isLetter(c) || (keepsPunctuation && isPunct(c));",
     "return language(1).isLetter(c) || (keepsPunctuation && isPunct(c));",
     "second-language phrases cut at every space"),
    ("text/NumberWords.cpp", "return last == 1 ? Count::One : last >= 2 && last <= 4 ? Count::Few : Count::Many;",
     "return last == 1 ? Count::One : last >= 2 && last < 4 ? Count::Few : Count::Many;", "four counts like five"),
    ("text/NumberWords.cpp", "if (!(order == 1 && group == 1 && value < 2000)) {", "if (!(order == 1 && group == 1)) {",
     "a million and one thousand loses its one"),
    ("text/NumberWords.cpp", "if (count == Count::Few && !noun.adjectival) {",
     "if (count == Count::Few && noun.gender != Gender::Plural) {", "две целых read as две целой"),
    ("text/NumberReading.cpp", "while (isGroupSpace(cursor_.at(quantity.end)) && cursor_.digitsAt(quantity.end + 1) == 3 &&",
     "while (isGroupSpace(cursor_.at(quantity.end)) && cursor_.digitsAt(quantity.end + 1) >= 2 &&",
     "digit groups of two joined as thousands"),
    ("text/NumberWords.cpp", "if (nounForm(value, candidate, *form.noun) == std::pair(form.grammaticalCase, form.plural)) {",
     "if (nounForm(value, candidate, *form.noun).first == form.grammaticalCase) {", "agreement ignores the noun's number"),
    ("text/NumberReading.cpp", "const Slot slot{grammaticalCase, plural && !last ? Gender::Plural : Gender::Masculine};",
     "const Slot slot{grammaticalCase, plural ? Gender::Plural : Gender::Masculine};", "years of a range read as plurals"),
    ("text/DateReading.cpp", "const GrammaticalCase grammaticalCase = cursor_.caseAfterPreposition(start_, {}, Genitive);",
     "const GrammaticalCase grammaticalCase = Genitive;", "a day ignores its preposition"),
    ("text/DateReading.cpp", "const bool padded = i > 0 && isTime && cursor_.at(digitsStart) == u'0';",
     "const bool padded = false;", "minutes lose their leading zero"),
    ("text/AbbreviationReading.cpp", "            i += cursor.spacesAt(i);\n            continue;",
     "            if (cursor.spacesAt(i) == 0) {\n                return 0;\n            }\n            i += cursor.spacesAt(i);\n"
     "            continue;", "\"т.е.\" no longer matches the key \"т. е.\""),
    ("text/ReadingCursor.cpp", "    if (end > 0 && text_[end - 1] == u'.' && (next >= text_.size() || (next > end && isCapitalAt(next)))) {",
     "    if (end > 0 && text_[end - 1] == u'.' && next >= text_.size()) {", "an abbreviation before a capital ends no sentence"),
    ("text/TextReader.cpp", "return (c >= 0x0300 && c <= 0x036F) || c == 0x00AD ||", "return (c >= 0x0300 && c <= 0x036F) ||",
     "a soft hyphen splits a word"),
    ("modules/EnginesConf.cpp", "std::u16string_view(section).substr(0, section.find(u'_'));",
     "std::u16string_view(section).substr(0, section.find(u'-'));", "a module section with a suffix has no kind"),
    ("engine/EngineFolders.cpp",
     "            platform::copyFolder(platform::joinPath(program, kDataFolder), platform::joinPath(perUser, kDataFolder));\n",
     "", "the per-user folder is made but not seeded"),
    ("engine/EngineFolders.cpp", "    if (usable) {\n        folders.push_back(perUser);\n    }\n", "",
     "the per-user copy is never read"),
    ("cli/EventLines.cpp", "if (c == '\"' || c == '\\\\') {", "if (c == '\"') {", "a backslash is not escaped in JSON"),
    ("cli/EventLines.cpp", "} else if (byte < 0x20) {", "} else if (byte < 0x10) {",
     "control characters above 0x0F unescaped in JSON"),
    ("cli/WavOutput.cpp", "const std::uint64_t riffBytes = kHeaderBytesAfterRiffSize + dataBytes + (dataBytes & 1);",
     "const std::uint64_t riffBytes = kHeaderBytesAfterRiffSize + dataBytes;", "the RIFF size misses the pad byte"),
    ("cli/WavOutput.cpp", "putNumber(at + 32, format.nBlockAlign);", "putNumber(at + 32, format.nChannels);",
     "the block alignment written as the channel count"),
    ("cli/TextChunker.cpp", "return byte >= 0xC0 ? 2 : 1;", "return 1;", "a character cut by a block's end is refused"),
    ("cli/TextChunker.cpp", "constexpr std::u16string_view kSentenceEnds = u\".!?\\u2026\";",
     "constexpr std::u16string_view kSentenceEnds = u\".!?\";", "an ellipsis ends no chunk"),
    ("cli/Options.cpp", "value < low || value > high) {", "value < low || value >= high) {",
     "an option's highest value refused"),
    ("engine/TtsEngine.cpp", "        ULONGLONG interest = 0;\n        site_->GetEventInterest(&interest);\n",
     "        ULONGLONG& interest = eventInterest_;\n        site_->GetEventInterest(&interest);\n",
     "a sentence mark replaces the call's event interest"),
    ("modules/RhvoiceModule.cpp", "static_cast<float>((1.0 - rate / 100.0) * 1.8 + 0.1)",
     "static_cast<float>((1.0 - rate / 100.0) * 1.9 + 0.1)", "RHVoice durations stretched wrong"),
    ("modules/RhvoiceModule.cpp", "const bool hasFolder = userDictionary.find(platform::kPathSeparator) != std::u16string::npos;",
     "const bool hasFolder = userDictionary.find(platform::kPathSeparator) == std::u16string::npos;",
     "RHVoice user dictionaries looked up in the wrong folder"),
    ("modules/RhvoiceModule.cpp", "if (count <= 0 || first < 0", "if (count < 0 || first < 0",
     "RHVoice's empty block accepted"),
    ("modules/NewfonModule.cpp", "            if (prepositions.find(pending) == std::u16string_view::npos) {",
     "            if (postpositions.find(pending) == std::u16string_view::npos) {",
     "a letter in both sets joined as a postposition"),
    ("modules/NewfonModule.cpp", "send(api_->setRate, usesTempoFilter() ? 100 : rate);", "send(api_->setRate, rate);",
     "Newfon slowed twice with the tempo filter"),
    ("modules/NewfonModule.cpp", "if (count < newfon::kBlockSamples || result == 1) {",
     "if (count <= newfon::kBlockSamples || result == 1) {", "a full block taken for the last"),
    ("modules/NewfonModule.cpp", "writingAudio.isSet()) {", "false) {", "a slow sink taken for a stalled engine"),
    ("modules/NewfonModule.cpp", "if (initialised_ && --newfonInitCount == 0 && api_->terminate) {",
     "if (initialised_ && api_->terminate) {", "Newfon ended under another instance"),
    ("modules/NewfonModule.cpp", "if (voiceIndex_ < 0 || voiceIndex_ > 3) {", "if (voiceIndex_ < 0 || voiceIndex_ > 7) {",
     "Newfon voice index out of range"),
    # The online modules and their HTTP GET.
    ("modules/OnlineRequest.cpp", "if (byte == ' ') {", "if (byte == '\\t') {", "a space percent-encoded, not a +"),
    ("modules/OnlineModule.cpp", "UrlEncodeUtf8(ToUtf8(text), subname == u\"ru\");", "UrlEncodeUtf8(ToUtf8(text), true);",
     "the byte-order mark sent for every language"),
    ("modules/MsTranslatorModule.cpp", "at += 8 + std::uint64_t{size} + (size & 1);", "at += 8 + std::uint64_t{size};",
     "the pad byte of an odd WAV chunk not skipped"),
    ("modules/MsTranslatorModule.cpp", "held_.assign(data + whole, data + size);", "held_.clear();",
     "a sample split between pieces dropped"),
    ("modules/GTranslatorModule.cpp", "    if (!decoder_->convert(data, size, decoded_)) {",
     "    if (!beginResponse() || !decoder_->convert(data, size, decoded_)) {", "the MP3 decoder reopened for every piece"),
    ("platform/posix/Http.cpp", "const std::size_t piece = std::min(size, kHttpChunk);", "const std::size_t piece = size;",
     "pieces larger than 8 KiB handed over"),
]


def check(mutants):
    bad = 0
    for number, (path, text, _, what) in mutants:
        count = (ROOT / path).read_text(encoding="utf-8").count(text)
        if count != 1:
            print(f"mutant {number} ({what}): found {count} times in {path}")
            bad += 1
    return bad


def sync():
    files = subprocess.run(["git", "ls-files", "-z"], cwd=ROOT, capture_output=True, check=True).stdout
    for name in files.decode().split("\0"):
        if not name:
            continue
        source, target = ROOT / name, SOURCE / name
        if not source.is_file():
            continue
        if target.exists() and target.read_bytes() == source.read_bytes():
            continue
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(source, target)


def run(command, timeout):
    try:
        return subprocess.run(command, cwd=SOURCE, capture_output=True, timeout=timeout).returncode
    except subprocess.TimeoutExpired:
        return None


def build(jobs):
    if not (BUILD / "build.ninja").exists():
        if run(["cmake", "--preset", "linux", "-B", str(BUILD), "-DVX_BUILD_BENCH=OFF"], 600) != 0:
            sys.exit("mutate: cannot configure the copy")
    return run(["cmake", "--build", str(BUILD), "--parallel", str(jobs)], 1800)


def tests(jobs):
    return run(["ctest", "--test-dir", str(BUILD), "--parallel", str(jobs), "--stop-on-failure",
                "--timeout", "120", "-LE", "windows"], 1800)


def main(argv):
    parser = argparse.ArgumentParser()
    parser.add_argument("--check", action="store_true")
    parser.add_argument("--only")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    args = parser.parse_args(argv)
    mutants = list(enumerate(MUTANTS, 1))
    if args.only:
        wanted = {int(n) for n in args.only.split(",")}
        mutants = [m for m in mutants if m[0] in wanted]
    if check(mutants):
        return 1
    if args.check:
        print(f"mutate: {len(mutants)} mutants, each found once")
        return 0
    sync()
    if build(args.jobs) != 0 or tests(args.jobs) != 0:
        sys.exit("mutate: the unmutated copy does not build or pass its tests")
    caught = survived = invalid = 0
    for number, (path, text, replacement, what) in mutants:
        file = SOURCE / path
        original = file.read_text(encoding="utf-8")
        file.write_text(original.replace(text, replacement, 1), encoding="utf-8")
        try:
            if build(args.jobs) != 0:
                verdict = "does not compile"
                invalid += 1
            elif tests(args.jobs) == 0:
                verdict = "SURVIVED"
                survived += 1
            else:
                verdict = "caught"
                caught += 1
        finally:
            file.write_text(original, encoding="utf-8")
        print(f"{number:3} {verdict:16} {path}: {what}", flush=True)
    build(args.jobs)
    total = caught + survived
    print(f"mutate: {caught} of {total} mutants caught ({100 * caught / max(total, 1):.0f}%),"
          f" {invalid} did not compile")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
