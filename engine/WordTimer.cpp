#include "engine/WordTimer.h"

#include <algorithm>

namespace vx {
namespace {

// A first guess at the pace before any portion was heard: about 15 characters a second, as
// voices speak at their normal rate.
constexpr double kCharactersPerSecond = 15.0;
// How much a portion's pace counts against the pace learned before it.
constexpr double kPaceWeight = 0.5;

} // namespace

void WordTimer::startPortion(std::vector<Word> words, std::size_t length, const WAVEFORMATEX& format) {
    words_ = std::move(words);
    next_ = 0;
    length_ = length;
    written_ = 0;
    reported_ = false;
    result_ = 0;
    blockAlign_ = std::max<std::uint32_t>(format.nBlockAlign, 1);
    if (bytesPerCharacter_ == 0) {
        bytesPerCharacter_ = format.nAvgBytesPerSec / kCharactersPerSecond;
    }
}

std::int32_t WordTimer::endPortion() {
    while (next_ < words_.size() && result_ == 0) {
        result_ = markWord(words_[next_++]);
    }
    if (written_ > 0 && length_ > 0) {
        const double pace = static_cast<double>(written_) / static_cast<double>(length_);
        bytesPerCharacter_ = bytesPerCharacter_ * (1 - kPaceWeight) + pace * kPaceWeight;
    }
    return result_;
}

std::int32_t WordTimer::markWord(const Word& word) {
    if (word.sentenceLength > 0) {
        const SentenceMark sentence{SentenceMark::kSentence, word.sentenceLength, word.sentencePosition};
        if (const std::int32_t result = engine_->OnAudio(nullptr, 0, &sentence); result != 0) {
            return result;
        }
    }
    const SentenceMark mark{SentenceMark::kWord, word.length, word.position};
    return engine_->OnAudio(nullptr, 0, &mark);
}

// Never before the audio already passed on, so the marks never run backwards.
std::uint64_t WordTimer::estimatedStart(const Word& word) const {
    const auto estimate = static_cast<std::uint64_t>(word.offset * bytesPerCharacter_);
    return std::max(written_, estimate - estimate % blockAlign_);
}

std::int32_t WordTimer::OnAudio(const void* data, std::uint32_t byteCount, const SentenceMark* mark) {
    if (mark && mark->kind == SentenceMark::kWord) {
        reported_ = true;
        const auto word = std::ranges::find(words_, mark->second, &Word::offset);
        if (word == words_.end()) {
            return result_;
        }
        next_ = static_cast<std::size_t>(word - words_.begin()) + 1;
        return result_ = markWord(*word);
    }
    if (mark || !data || byteCount == 0) {
        return result_ = engine_->OnAudio(data, byteCount, mark);
    }
    const auto* bytes = static_cast<const unsigned char*>(data);
    const std::uint64_t end = written_ + byteCount;
    while (!reported_ && next_ < words_.size() && estimatedStart(words_[next_]) < end && result_ == 0) {
        const auto before = static_cast<std::uint32_t>(estimatedStart(words_[next_]) - written_);
        if (before > 0) {
            result_ = engine_->OnAudio(bytes, before, nullptr);
            bytes += before;
            written_ += before;
        }
        if (result_ == 0) {
            result_ = markWord(words_[next_++]);
        }
    }
    const auto rest = static_cast<std::uint32_t>(end - written_);
    if (rest > 0 && result_ == 0) {
        result_ = engine_->OnAudio(bytes, rest, nullptr);
    }
    written_ = end;
    return result_;
}

} // namespace vx
