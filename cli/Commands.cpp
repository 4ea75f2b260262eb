#include "cli/Commands.h"

#include "cli/ComRef.h"
#include "cli/SpeakSite.h"
#include "cli/TextChunker.h"
#include "cli/VoiceToken.h"
#include "cli/WavOutput.h"
#include "engine/EngineFolders.h"
#include "engine/ModuleFactory.h"
#include "engine/TtsEngine.h"
#include "engine/VoicesConf.h"
#include "config/ConfigParser.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "platform/Utf.h"

#include <algorithm>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>

namespace vx::cli {
namespace {

std::string quoted(const std::string& text) {
    return "'" + text + "'";
}

// The configuration, found and loaded exactly as the engine object loads it (the log opened
// first, so that what the reading finds wrong is in it), so that what the commands check and show
// is what the engine will use.
class Configuration {
public:
    Configuration()
        : voices_(createModule) {
        Log::Open(u"vxtts.log");
        const EngineFolders folders = installedFolders();
        const std::vector<std::u16string> searched = folders.searchFolders();
        if (!voices_.load(folders.moduleFolder(), searched)) {
            std::string places;
            for (const std::u16string& folder : searched) {
                places += (places.empty() ? "" : ", ") +
                          quoted(toUtf8(platform::joinPath(folder, u"data")));
            }
            throw CommandError(
                "cannot load the configuration (langs.conf, engines.conf, voices.conf) from " +
                places);
        }
    }

    VoicesConf& voices() { return voices_; }

    // The named voice; an unknown name fails with the voices there are (and the file, when it
    // defines none or cannot be read as written), a voice without subvoices (none of its
    // languages or modules exist) with its name.
    Voice& voice(const std::string& name) {
        Voice* found = voices_.get(fromUtf8(name));
        if (!found) {
            std::string names;
            for (const auto& entry : voices_.items()) {
                names += (names.empty() ? "" : ", ") + toUtf8(entry.first);
            }
            throw CommandError("unknown voice " + quoted(name) + " (voices: " + names + ")" + voicesFileProblem());
        }
        if (found->subvoices().empty()) {
            throw CommandError("voice " + name + " has no subvoices");
        }
        return *found;
    }

private:
    // Why the voices.conf that was read may define no voice the user meant: empty when it
    // looks as it should.
    std::string voicesFileProblem() const {
        const std::u16string& path = voices_.loadedPath();
        const auto bytes = platform::readFileBytes(path);
        if (bytes && ConfigParser::looksLikeOtherEncoding(bytes->data(), bytes->size())) {
            return ": " + quoted(toUtf8(path)) + " is not UTF-16LE text";
        }
        if (voices_.items().empty()) {
            return ": " + quoted(toUtf8(path)) + " defines none";
        }
        return "";
    }

    VoicesConf voices_;
};

// The stream of a TextInput and the name it goes by in messages.
class TextSource {
public:
    explicit TextSource(const TextInput& input) {
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

    std::istream& stream() { return *stream_; }
    const std::string& name() const { return name_; }

private:
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

    std::ifstream file_;
    std::istringstream words_;
    std::istream* stream_ = nullptr;
    std::string name_;
};

// An engine object with the voice's token set, as SAPI prepares one for speaking.
ComRef<ISpTTSEngine> startEngine(const std::string& voice) {
    ComRef<ISpTTSEngine> engine;
    if (FAILED(ComObject<TtsEngine>::Create(nullptr, IID_ISpTTSEngine, engine.out()))) {
        throw CommandError("the engine cannot load its configuration");
    }
    ComRef<ISpObjectWithToken> withToken;
    ComRef<ISpObjectToken> token;
    if (FAILED(engine->QueryInterface(IID_ISpObjectWithToken, withToken.out())) ||
        FAILED(ComObject<VoiceToken>::Create(nullptr, IID_ISpObjectToken, token.out(),
                                             fromUtf8(voice))) ||
        FAILED(withToken->SetObjectToken(token.get()))) {
        throw CommandError("the engine cannot load the voice " + quoted(voice));
    }
    return engine;
}

WAVEFORMATEX outputFormat(ISpTTSEngine& engine) {
    GUID formatId{};
    WAVEFORMATEX* announced = nullptr;
    const HRESULT result =
        engine.GetOutputFormat(&SPDFID_WaveFormatEx, nullptr, &formatId, &announced);
    if (FAILED(result) || !announced) {
        throw CommandError("the engine announced no audio format");
    }
    const WAVEFORMATEX format = *announced;
    CoTaskMemFree(announced);
    if (!(formatId == SPDFID_WaveFormatEx) || format.wFormatTag != WAVE_FORMAT_PCM ||
        format.nBlockAlign == 0) {
        throw CommandError("the engine announced an audio format other than PCM");
    }
    return format;
}

std::unique_ptr<AudioOutput> openOutput(const SayOptions& options) {
    if (options.toStandardOutput) {
        return std::make_unique<WavStream>(std::cout, "standard output");
    }
    return std::make_unique<WavFile>(options.outputFile);
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
    fragment.ulTextSrcOffset =
        static_cast<ULONG>(std::min<std::uint64_t>(chunk.source.front(), 0xFFFFFFFF));
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

// One bounded chunk per Speak call keeps memory flat however long the text is, and the first
// chunk is spoken while the rest is still unread.
void speakChunks(Chunk first, TextChunker& chunker, const TextSource& source,
                 const SayOptions& options, const WAVEFORMATEX& format, ISpTTSEngine& engine,
                 SpeakSite& site) {
    const DWORD flags = options.punctuation ? SPF_NLP_SPEAK_PUNC : SPF_DEFAULT;
    bool failed = false;
    for (std::optional<Chunk> chunk = std::move(first); chunk; chunk = source.next(chunker)) {
        site.setChunk(&*chunk);
        const SPVTEXTFRAG fragment = fragmentOf(*chunk, options);
        const HRESULT result = engine.Speak(flags, SPDFID_WaveFormatEx, &format, &fragment, &site);
        site.setChunk(nullptr);
        if (site.writeFailed()) {
            throw CommandError(site.outputError());
        }
        // A chunk the voice could not speak is lost, not the rest; only a voice that says
        // nothing at all is an error.
        failed = failed || FAILED(result);
    }
    if (site.audioBytes() == 0) {
        throw CommandError("the voice " + quoted(options.voice) + (failed ? " failed and" : "") +
                           " said nothing" + unloadedModules(engine));
    }
}

void flushStandardOutput() {
    if (!std::cout.flush()) {
        throw CommandError("cannot write to standard output");
    }
}

} // namespace

int say(const SayOptions& options) {
    // The engine falls back to its default voice for a name it does not know; a command must
    // say so instead.
    Configuration().voice(options.voice);
    TextSource source(options.input);
    TextChunker chunker(source.stream());
    std::optional<Chunk> first = source.next(chunker);
    if (!first) {
        throw CommandError(source.name() + " has nothing to speak");
    }
    // Declared in this order so that the engine goes first and the output, which the site
    // writes to, last.
    std::unique_ptr<AudioOutput> output = openOutput(options);
    ComRef<ISpTTSEngineSite> site;
    if (FAILED(ComObject<SpeakSite>::Create(nullptr, IID_ISpTTSEngineSite, site.out(), *output,
                                            options.events ? &std::cerr : nullptr))) {
        throw std::bad_alloc();
    }
    ComRef<ISpTTSEngine> engine = startEngine(options.voice);
    const WAVEFORMATEX format = outputFormat(*engine.get());
    if (!output->begin(format)) {
        throw CommandError(output->error());
    }
    speakChunks(std::move(*first), chunker, source, options, format, *engine.get(),
                static_cast<SpeakSite&>(*site.get()));
    if (!output->finish()) {
        throw CommandError(output->error());
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
