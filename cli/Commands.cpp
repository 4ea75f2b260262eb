#include "cli/Commands.h"

#include "cli/ComRef.h"
#include "cli/DeviceOutput.h"
#include "cli/EngineAccess.h"
#include "cli/SapiXml.h"
#include "cli/SpeakSite.h"
#include "cli/TextChunker.h"
#include "cli/VoiceToken.h"
#include "cli/WavOutput.h"
#include "config/ConfigParser.h"
#include "engine/EngineFolders.h"
#include "engine/ModuleFactory.h"
#include "engine/TtsEngine.h"
#include "engine/VoicesConf.h"
#include "platform/Files.h"
#include "platform/Interrupts.h"
#include "platform/Log.h"
#include "platform/Utf.h"

#include <algorithm>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <streambuf>

namespace vx::cli {
namespace {

// The bytes already taken from a stream, then the rest of it: what looking ahead took is read
// again with the text.
class RejoinedBuffer : public std::streambuf {
public:
    RejoinedBuffer(std::string taken, std::istream& rest)
        : taken_(std::move(taken))
        , rest_(rest) {
        setg(taken_.data(), taken_.data(), taken_.data() + taken_.size());
    }

protected:
    // The stream reading from here turns the exception into its bad state, as a failed read of
    // the stream itself would.
    int_type underflow() override {
        rest_.read(block_, sizeof block_);
        if (rest_.bad()) {
            throw std::ios_base::failure("cannot be read");
        }
        if (rest_.gcount() == 0) {
            return traits_type::eof();
        }
        setg(block_, block_, block_ + rest_.gcount());
        return traits_type::to_int_type(block_[0]);
    }

private:
    std::string taken_;
    std::istream& rest_;
    char block_[TextChunker::kBlockBytes];
};

bool isXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The white space, and a byte-order mark before it, at the start of in: taken from it.
std::string takeLeadingSpace(std::istream& in) {
    static constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    std::string taken;
    for (int next = in.peek(); next != std::char_traits<char>::eof(); next = in.peek()) {
        const char c = static_cast<char>(next);
        const bool inMark = taken.size() < kByteOrderMark.size() &&
                            kByteOrderMark.starts_with(taken) && c == kByteOrderMark[taken.size()];
        if (!inMark && !isXmlSpace(c)) {
            break;
        }
        taken += static_cast<char>(in.get());
    }
    return taken;
}

// The stream of a TextInput and the name it goes by in messages.
class TextSource {
public:
    explicit TextSource(const TextInput& input)
        : from_(input.from) {
        switch (input.from) {
        case TextInput::From::Arguments:
            words_.str(input.words);
            stream_ = &words_;
            name_ = "the text";
            break;
        case TextInput::From::StandardInput:
            stream_ = &std::cin;
            name_ = "standard input";
            break;
        case TextInput::From::File:
            openFile(input.file);
            break;
        }
    }

    // The next chunk of the text; a text that cannot be read fails with its name.
    std::optional<Chunk> next(TextChunker& chunker) const {
        try {
            return chunker.next();
        } catch (const InputError& error) {
            throw CommandError(name_ + " " + error.what());
        }
    }

    // True when a file or standard input starts with '<' after white space (and a byte-order
    // mark), as SAPI tells XML from plain text; the stream still starts at the beginning.
    bool startsWithMarkup() {
        if (from_ == TextInput::From::Arguments) {
            return false;
        }
        std::string taken = takeLeadingSpace(*stream_);
        const bool markup = stream_->peek() == '<';
        if (!taken.empty()) {
            rejoin(std::move(taken));
        }
        return markup;
    }

    // The whole text, for what is read at once; a text that cannot be read fails with its name.
    std::u16string wholeText() {
        try {
            return readWholeText(*stream_);
        } catch (const InputError& error) {
            throw CommandError(name_ + " " + error.what());
        }
    }

    std::istream& stream() { return *stream_; }
    const std::string& name() const { return name_; }

private:
    // From now on the text is read from taken, then from the rest of the stream.
    void rejoin(std::string taken) {
        rejoined_ = std::make_unique<RejoinedBuffer>(std::move(taken), *stream_);
        rejoinedStream_ = std::make_unique<std::istream>(rejoined_.get());
        stream_ = rejoinedStream_.get();
    }

    void openFile(const std::filesystem::path& path) {
        name_ = quoted(path.string());
        std::error_code error;
        if (std::filesystem::is_directory(path, error)) {
            throw CommandError("cannot read " + name_ + ": it is a folder");
        }
        if (!std::filesystem::exists(path, error)) {
            throw CommandError("cannot read " + name_ + ": there is no such file");
        }
        file_.open(path, std::ios::binary);
        if (!file_) {
            throw CommandError("cannot read " + name_);
        }
        stream_ = &file_;
    }

    TextInput::From from_;
    std::ifstream file_;
    std::istringstream words_;
    std::unique_ptr<RejoinedBuffer> rejoined_;
    std::unique_ptr<std::istream> rejoinedStream_;
    std::istream* stream_ = nullptr;
    std::string name_;
};

std::unique_ptr<AudioOutput> openOutput(const SayOptions& options) {
    if (options.toStandardOutput) {
        return std::make_unique<WavStream>(std::cout, "standard output");
    }
    if (!options.outputFile.empty()) {
        return std::make_unique<WavFile>(options.outputFile);
    }
    return std::make_unique<DeviceOutput>(options.device);
}

// One fragment for the whole chunk, carrying the command's prosody as SAPI's XML would.
SPVTEXTFRAG fragmentOf(const Chunk& chunk, const SayOptions& options) {
    SPVTEXTFRAG fragment{};
    fragment.State.eAction = options.spell ? SPVA_SpellOut : SPVA_Speak;
    fragment.State.RateAdj = options.rate;
    fragment.State.PitchAdj.MiddleAdj = options.pitch;
    fragment.State.Volume = static_cast<ULONG>(options.volume);
    fragment.State.ePartOfSpeech = SPPS_Unknown;
    fragment.pTextStart = toWide(chunk.text);
    fragment.ulTextLen = static_cast<ULONG>(chunk.text.size());
    // Positions are counted in the chunk's text: the site maps them back into the input, whose
    // offsets can pass what a ULONG holds.
    fragment.ulTextSrcOffset = 0;
    return fragment;
}

// The pipeline's output as lines: each module call as "module<TAB>portion", each sentence start
// as "# sentence length=L offset=O" in the units of the input.
class ListingSink final : public PortionSink {
public:
    ListingSink(std::ostream& out, const VoicesConf& voices, const Voice& voice)
        : out_(out) {
        for (const Subvoice& subvoice : voice.subvoices()) {
            moduleNames_.push_back(toUtf8(voices.moduleName(subvoice.module)));
        }
    }

    void setChunk(const Chunk* chunk) { chunk_ = chunk; }

    bool stopRequested() const override { return false; }
    void sentenceStart(std::uint32_t length, std::uint32_t offset) override {
        const Chunk::Span span = chunk_->sourceSpan(offset, length);
        out_ << "# sentence length=" << span.length << " offset=" << span.offset << '\n';
    }
    // A voice with exact events begins a portion's later sentences at their first words.
    void wordsOf(std::span<const WordSpan> words) override {
        for (const WordSpan& word : words) {
            if (word.sentenceEnd > word.sentenceBegin) {
                sentenceStart(word.sentenceEnd - word.sentenceBegin, word.sentenceBegin);
            }
        }
    }
    bool hasModule(std::size_t subvoice) const override { return subvoice < moduleNames_.size(); }
    bool speak(std::size_t subvoice, const TextPortion& portion) override {
        out_ << moduleNames_[subvoice] << '\t' << toUtf8(portion) << '\n';
        return true;
    }

private:
    std::ostream& out_;
    std::vector<std::string> moduleNames_;
    const Chunk* chunk_ = nullptr;
};

// Why a voice could not speak, when a module of it could not load its engine library: ": the
// module 'name' cannot load 'library'", one clause per module; else empty.
std::string unloadedModules(ISpTTSEngine& engine) {
    std::string why;
    for (const VoicesConf::UnloadedModule& module : static_cast<TtsEngine&>(engine).unloadedModules()) {
        why += (why.empty() ? ": " : "; ") + std::string("the module ") + quoted(toUtf8(module.name)) +
               " cannot load " + quoted(toUtf8(module.library));
    }
    return why;
}

// The output, the site that writes to it and the engine with the voice, ready to speak: declared
// in this order so that the engine goes first and the output, which the site writes to, last.
class Speaking {
public:
    explicit Speaking(const SayOptions& options)
        : options_(options)
        , output_(openOutput(options)) {
        if (FAILED(ComObject<SpeakSite>::Create(nullptr, IID_ISpTTSEngineSite, site_.out(),
                                                *output_, options.events ? &std::cerr : nullptr))) {
            throw std::bad_alloc();
        }
        engine_ = startEngine(options.voice);
        format_ = outputFormat(*engine_.get());
        site().setFormat(format_);
        if (!output_->begin(format_)) {
            throw CommandError(output_->error());
        }
    }

    SpeakSite& site() { return static_cast<SpeakSite&>(*site_.get()); }

    // One Speak call; a failed write of its audio fails the command.
    HRESULT speak(const SPVTEXTFRAG* fragments) {
        const DWORD flags = options_.punctuation ? SPF_NLP_SPEAK_PUNC : SPF_DEFAULT;
        const HRESULT result =
            engine_->Speak(flags, SPDFID_WaveFormatEx, &format_, fragments, site_.get());
        if (platform::interruption() != 0) {
            throw CommandError("interrupted");
        }
        if (site().writeFailed()) {
            throw CommandError(site().outputError());
        }
        return result;
    }

    // Completes the output; a voice that said nothing at all fails, saying whether it failed.
    // Spelling writes a pause after every character, even one the voice has no name for, so a
    // spelling at full volume that gave nothing but silence said nothing too (a quieter one may
    // be silent on purpose).
    void finish(bool failed) {
        const bool judgedBySound = options_.spell && !options_.xml && options_.volume == 100;
        if (judgedBySound ? !site().heardSpeech() : site().audioBytes() == 0) {
            throw CommandError("the voice " + quoted(options_.voice) +
                               (failed ? " failed and" : "") + " said nothing" +
                               unloadedModules(*engine_.get()));
        }
        if (!output_->finish()) {
            throw CommandError(platform::interruption() != 0 ? "interrupted" : output_->error());
        }
    }

private:
    const SayOptions& options_;
    std::unique_ptr<AudioOutput> output_;
    ComRef<ISpTTSEngineSite> site_;
    ComRef<ISpTTSEngine> engine_;
    WAVEFORMATEX format_{};
};

// One bounded chunk per Speak call keeps memory flat however long the text is, and the first
// chunk is spoken while the rest is still unread.
void sayChunks(const SayOptions& options, TextSource& source) {
    TextChunker chunker(source.stream());
    std::optional<Chunk> first = source.next(chunker);
    if (!first) {
        throw CommandError(source.name() + " has nothing to speak");
    }
    Speaking speaking(options);
    bool failed = false;
    for (std::optional<Chunk> chunk = std::move(first); chunk; chunk = source.next(chunker)) {
        speaking.site().setChunk(&*chunk);
        const SPVTEXTFRAG fragment = fragmentOf(*chunk, options);
        const HRESULT result = speaking.speak(&fragment);
        speaking.site().setChunk(nullptr);
        // A chunk the voice could not speak is lost, not the rest; only a voice that says
        // nothing at all is an error.
        failed = failed || FAILED(result);
    }
    speaking.finish(failed);
}

// SAPI XML is one Speak call, as SAPI makes it: its fragments carry their offsets in the input,
// and the command's rate, pitch, volume and spelling are the state its tags start from.
void sayXml(const SayOptions& options, TextSource& source) {
    const std::u16string text = source.wholeText();
    const VoiceBase base{options.rate, options.pitch, static_cast<ULONG>(options.volume),
                         options.spell};
    std::optional<SapiXml> xml;
    try {
        xml.emplace(text, base);
    } catch (const SapiXmlError& error) {
        throw CommandError(source.name() + " is not SAPI XML: " + error.what());
    }
    if (!xml->chain()) {
        throw CommandError(source.name() + " has nothing to speak");
    }
    Speaking speaking(options);
    speaking.finish(FAILED(speaking.speak(xml->chain())));
}

void flushStandardOutput() {
    if (!std::cout.flush()) {
        throw CommandError("cannot write to standard output");
    }
}

} // namespace

int say(const SayOptions& options) {
    // Ctrl-C, SIGTERM and SIGHUP end the speaking through its failure path, so that a WAV file
    // being written is removed, not left half made under its temporary name.
    platform::watchInterrupts();
    // The engine falls back to its default voice for a name it does not know; a command must
    // say so instead.
    Configuration().voice(options.voice);
    TextSource source(options.input);
    if (options.xml || source.startsWithMarkup()) {
        sayXml(options, source);
    } else {
        sayChunks(options, source);
    }
    return 0;
}

int listVoices() {
    Configuration configuration;
    for (const auto& [name, voice] : configuration.voices().items()) {
        std::cout << toUtf8(name) << '\t';
        const char* separator = "";
        for (const Subvoice& subvoice : voice->subvoices()) {
            std::cout << separator << toUtf8(subvoice.language->name()) << '='
                      << toUtf8(configuration.voices().moduleName(subvoice.module));
            separator = " ";
        }
        std::cout << '\n';
    }
    flushStandardOutput();
    return 0;
}

int normalize(const NormalizeOptions& options) {
    Configuration configuration;
    const Voice& voice = configuration.voice(options.voice);
    TextSource source(options.input);
    TextChunker chunker(source.stream());
    // As the engine's Speak does: the speak-punctuation flag decides, not the voice's setting.
    PipelineSettings settings = voice.settings();
    settings.punctuation = options.punctuation ? Punctuation::All : Punctuation::None;
    const std::vector<const Language*> languages = voice.languages();
    ListingSink sink(std::cout, configuration.voices(), voice);
    bool any = false;
    while (const std::optional<Chunk> chunk = source.next(chunker)) {
        any = true;
        sink.setChunk(&*chunk);
        speakText(chunk->text, languages, voice.speaksWithOneModule(), settings, sink);
    }
    if (!any) {
        throw CommandError(source.name() + " has nothing to speak");
    }
    flushStandardOutput();
    return 0;
}

} // namespace vx::cli
