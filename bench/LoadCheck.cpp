// The load check: what screen readers do to the engine, for a bounded time. Eight engine objects,
// made through their COM factory with the shipped data, speak on four threads, each thread taking
// the engines in turn: the built-in voice, eSpeak NG's Russian and the RHVoice stand-in in a voice
// of its own, short texts and long ones, through sites that let a Speak finish, abort it after some
// audio or skip a sentence. Meanwhile another thread asks every engine for its format and token
// and gives the built-in voice's engines a second token.
//
// It reports Speaks per second, failures and the resident memory, and fails (exit code 1) when a
// Speak or another call fails, when the memory grows during the run, or when a thread makes no
// progress for 30 s. A measuring tool: it reads the process's memory from /proc directly.
//
// usage: vx_load [--seconds N]   (default 60)

#include "cli/ComRef.h"
#include "cli/VoiceToken.h"
#include "engine/TtsEngine.h"
#include "platform/DynamicLibrary.h"
#include "platform/Utf.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
// The sanitizers' shadow memory and quarantine make the resident size say nothing about the
// engine's own memory: it is measured only in a plain build.
constexpr bool kMemoryJudged = false;
#else
constexpr bool kMemoryJudged = true;
#endif

namespace vx::bench {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::milliseconds;

constexpr int kEngines = 8;
constexpr int kSpeakers = 4;
constexpr std::array<const char*, 3> kVoices = {"tembra", "espeak_ru", "rhvoice_ru"};
constexpr auto kHangLimit = std::chrono::seconds(30);
constexpr auto kSampleEvery = Milliseconds(100);

// The memory is judged after a warm-up in which the modules load and glibc's per-thread arenas
// settle (about 4 s here), and only in a run long enough for a leak to show.
constexpr double kWarmUpSeconds = 10;
constexpr int kJudgedFromSeconds = 30;
// How much the resident size may grow from the first quarter of the measured run to its last.
// After the warm-up the check's allocations repeat from Speak to Speak and the peak moves by
// 0.25 MB at most. A leaked copy of each Speak's first fragment (under 200 bytes on average, with
// the allocator's header) grew it by 4.3 MB in a 60 s run at 374 Speaks a second, and even the
// shortest text (about 100 bytes) by over 1 MB: 1 MB lets the first pass and makes a leak of one
// string per Speak fail.
constexpr double kGrowthBound = 1024 * 1024;

const std::array<std::u16string, 10> kShortTexts = {
    u"Кнопка «Сохранить»",
    u"Флажок отмечен",
    u"Список, 12 элементов",
    u"Файл report.txt сохранён.",
    u"Меню Правка",
    u"21 000 руб.",
    u"Ошибка 404: страница не найдена.",
    u"Ссылка www.example.org",
    u"Выделено 3 из 7",
    u"Поле ввода, пусто",
};

std::string utf16le(std::u16string_view text) {
    std::string bytes;
    for (const char16_t c : text)
        bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    return bytes;
}

void append(const fs::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::app);
    if (!out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A folder standing for the program's, removed with the object: the shipped data, with the RHVoice
// stand-in added as the module "rhvoice" and the voice "rhvoice_ru". The log goes into it too, so
// that the run neither reads nor grows the user's. Throws std::runtime_error when it cannot be
// made.
class RunFolder {
public:
    RunFolder()
        : path_(fs::temp_directory_path() / ("vx-load-" + std::to_string(::getpid()))) {
        fs::remove_all(path_);
        fs::create_directories(path_ / "data");
        fs::copy(VX_PROGRAM_DATA_DIR, path_ / "data", fs::copy_options::recursive);
        append(path_ / "data" / "engines.conf",
               utf16le(u"\n[rhvoice]\npath = " + fromUtf8(VX_STANDIN_FOLDER) +
                       u"\nmodule = RHVoice" + platform::kLibrarySuffix + u"\nconvert = vxtts\n"));
        append(path_ / "data" / "voices.conf",
               utf16le(u"\n[rhvoice_ru]\nru = rhvoice\nen = rhvoice\ndigit_subvoice = "
                       u"1\nnormalization = full\n"));
        // The engine's log folder is the temporary folder when XDG_RUNTIME_DIR is not set.
        ::setenv("TMPDIR", path_.c_str(), 1);
        ::unsetenv("XDG_RUNTIME_DIR");
    }
    ~RunFolder() { remove(); }
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;

    std::u16string program() const { return path_.u16string(); }
    void remove() const {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    // The engine's log as UTF-8.
    std::string log() const {
        const std::string bytes = readFile(path_ / "vxtts.log");
        std::u16string text;
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
            text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          (static_cast<unsigned char>(bytes[i + 1]) << 8));
        }
        return toUtf8(text);
    }

private:
    fs::path path_;
};

// The paragraphs of the benchmark prose: the long texts.
std::vector<std::u16string> longTexts() {
    const std::u16string prose = fromUtf8(readFile(fs::path(VX_BENCH_DATA_DIR) / "prose_ru.txt"));
    std::vector<std::u16string> paragraphs;
    for (std::size_t start = 0; start < prose.size();) {
        const std::size_t end = std::min(prose.find(u"\n\n", start), prose.size());
        if (end > start + 200) paragraphs.push_back(prose.substr(start, end - start));
        start = end + 2;
    }
    if (paragraphs.empty())
        throw std::runtime_error("no paragraphs in " VX_BENCH_DATA_DIR "/prose_ru.txt");
    return paragraphs;
}

// One engine object with its voice set, as SAPI prepares one, and the format it announced then.
struct Engine {
    cli::ComRef<ISpTTSEngine> object;
    std::string voice;
    WAVEFORMATEX format{};
};

cli::ComRef<ISpObjectToken> makeToken(const std::string& voice) {
    cli::ComRef<ISpObjectToken> token;
    ComObject<cli::VoiceToken>::Create(nullptr, IID_ISpObjectToken, token.out(), fromUtf8(voice));
    return token;
}

HRESULT setToken(ISpTTSEngine& engine, const std::string& voice) {
    cli::ComRef<ISpObjectWithToken> withToken;
    HRESULT result = engine.QueryInterface(IID_ISpObjectWithToken, withToken.out());
    const cli::ComRef<ISpObjectToken> token = makeToken(voice);
    if (SUCCEEDED(result)) result = token ? withToken->SetObjectToken(token.get()) : E_OUTOFMEMORY;
    return result;
}

// The engine's format, or a zero format when it announces none.
WAVEFORMATEX announcedFormat(ISpTTSEngine& engine) {
    GUID id{};
    WAVEFORMATEX* format = nullptr;
    WAVEFORMATEX copy{};
    if (SUCCEEDED(engine.GetOutputFormat(&SPDFID_WaveFormatEx, nullptr, &id, &format)) && format)
        copy = *format;
    CoTaskMemFree(format);
    return copy;
}

bool sameFormat(const WAVEFORMATEX& a, const WAVEFORMATEX& b) {
    return a.wFormatTag == b.wFormatTag && a.nChannels == b.nChannels &&
           a.nSamplesPerSec == b.nSamplesPerSec && a.wBitsPerSample == b.wBitsPerSample &&
           a.nBlockAlign == b.nBlockAlign;
}

// The engines, the voices taken in turn. Throws std::runtime_error when one cannot be made.
std::vector<Engine> makeEngines(const std::u16string& program) {
    std::vector<Engine> engines(kEngines);
    for (int i = 0; i < kEngines; ++i) {
        Engine& engine = engines[static_cast<std::size_t>(i)];
        engine.voice = kVoices[static_cast<std::size_t>(i) % kVoices.size()];
        if (FAILED(ComObject<TtsEngine>::Create(nullptr, IID_ISpTTSEngine, engine.object.out(),
                                                EngineFolders{program, u""})) ||
            setToken(*engine.object.get(), engine.voice) != S_OK) {
            throw std::runtime_error("cannot make an engine object with the voice " + engine.voice);
        }
        engine.format = announcedFormat(*engine.object.get());
        if (engine.format.nBlockAlign == 0) {
            throw std::runtime_error("the engine with the voice " + engine.voice +
                                     " announces no format");
        }
    }
    return engines;
}

// Milliseconds since the run began: what a thread last did, for the watchdog.
class Progress {
public:
    explicit Progress(Clock::time_point start)
        : start_(start) {}
    void mark() { at_ = std::chrono::duration_cast<Milliseconds>(Clock::now() - start_).count(); }
    Milliseconds idleFor(Clock::time_point now) const {
        return std::chrono::duration_cast<Milliseconds>(now - start_) - Milliseconds(at_.load());
    }

private:
    Clock::time_point start_;
    std::atomic<std::int64_t> at_{0};
};

// How the client ends a Speak: it lets it finish, stops it (GetActions answers abort from a
// given write on) or asks once for the next sentence there.
enum class Ending { Finish, Abort, Skip };

// A SAPI-like site: it takes the audio and events, answers GetActions as its ending says, and
// aborts every Speak once the run's time is up, as a client stops speaking when it closes.
class LoadSite final : public ISpTTSEngineSite {
public:
    LoadSite(Ending ending, std::uint32_t atWrite, Clock::time_point deadline, Progress& progress)
        : ending_(ending)
        , atWrite_(atWrite)
        , deadline_(deadline)
        , progress_(progress) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE AddEvents(const SPEVENT*, ULONG) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetEventInterest(ULONGLONG* interest) override {
        *interest =
            SPFEI(SPEI_TTS_BOOKMARK) | SPFEI(SPEI_WORD_BOUNDARY) | SPFEI(SPEI_SENTENCE_BOUNDARY);
        return S_OK;
    }
    DWORD STDMETHODCALLTYPE GetActions() override {
        if (Clock::now() >= deadline_) return timeUp_ = aborted_ = true, SPVES_ABORT;
        const bool reached = writes_ >= atWrite_;
        if (ending_ == Ending::Abort && reached) return aborted_ = true, SPVES_ABORT;
        if (ending_ == Ending::Skip && reached && !skipTaken_) return SPVES_SKIP;
        return writes_ == 0 ? SPVES_RATE | SPVES_VOLUME : SPVES_CONTINUE;
    }
    // Audio after an abort is no progress but a fault: a Speak that never heeds one must not look
    // alive to the watchdog.
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG size, ULONG* written) override {
        if (aborted_) {
            wroteAfterAbort_ = true;
            return E_FAIL;
        }
        ++writes_;
        progress_.mark();
        if (written) *written = size;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetRate(LONG* rate) override { return *rate = 1, S_OK; }
    HRESULT STDMETHODCALLTYPE GetVolume(USHORT* volume) override { return *volume = 90, S_OK; }
    HRESULT STDMETHODCALLTYPE GetSkipInfo(SPVSKIPTYPE* type, LONG* count) override {
        skipTaken_ = true;
        return *type = SPVST_SENTENCE, *count = 1, S_OK;
    }
    HRESULT STDMETHODCALLTYPE CompleteSkip(LONG) override { return skipTaken_ = true, S_OK; }

    // A Speak that its site let finish must have written audio (all the texts say something), and
    // none may write after an abort. What went wrong, or null.
    const char* fault() const {
        if (wroteAfterAbort_) return "wrote audio after an abort";
        return ending_ == Ending::Finish && !timeUp_ && writes_ == 0 ? "wrote no audio" : nullptr;
    }

private:
    Ending ending_;
    std::uint32_t atWrite_;
    Clock::time_point deadline_;
    Progress& progress_;
    std::uint32_t writes_ = 0;
    bool skipTaken_ = false;
    bool timeUp_ = false;
    bool aborted_ = false;
    bool wroteAfterAbort_ = false;
};

// The fragments of one Speak, pointing into its own copy of the texts. A long text goes in three
// parts with a bookmark after the first and a faster rate in the second, as SAPI cuts XML; a short
// one is now and then spelled out.
class Request {
public:
    Request(const std::u16string& text, bool longText, bool spell) {
        if (longText) {
            const std::size_t first = sentenceEndAfter(text, text.size() / 3);
            const std::size_t second = sentenceEndAfter(text, first + text.size() / 4);
            add(SPVA_Speak, text.substr(0, first), 0, 0);
            add(SPVA_Bookmark, u"1", first, 0);
            add(SPVA_Speak, text.substr(first, second - first), first, 2);
            add(SPVA_Speak, text.substr(second), second, 0);
        } else {
            add(spell ? SPVA_SpellOut : SPVA_Speak, text, 0, 0);
        }
        for (std::size_t i = 0; i < fragments_.size(); ++i) {
            fragments_[i].pTextStart = toWide(texts_[i]);
            fragments_[i].pNext = i + 1 < fragments_.size() ? &fragments_[i + 1] : nullptr;
        }
    }

    const SPVTEXTFRAG* fragments() const { return fragments_.data(); }

private:
    // Where the first sentence that ends at or after from ends (past its full stop and space), or
    // the text's end.
    static std::size_t sentenceEndAfter(std::u16string_view text, std::size_t from) {
        const std::size_t stop = text.find(u". ", std::min(from, text.size()));
        return stop == std::u16string_view::npos ? text.size() : stop + 2;
    }

    void add(SPVACTIONS action, std::u16string text, std::size_t offset, LONG rate) {
        SPVTEXTFRAG fragment{};
        fragment.State.eAction = action;
        fragment.State.Volume = 100;
        fragment.State.RateAdj = rate;
        fragment.ulTextLen = static_cast<ULONG>(text.size());
        fragment.ulTextSrcOffset = static_cast<ULONG>(offset);
        texts_.push_back(std::move(text));
        fragments_.push_back(fragment);
    }

    std::vector<std::u16string> texts_;
    std::vector<SPVTEXTFRAG> fragments_;
};

struct Counts {
    std::atomic<std::uint64_t> speaks{0}, aborted{0}, skipped{0}, longOnes{0}, failures{0};
    std::array<std::atomic<std::uint64_t>, kVoices.size()> byVoice{};
};

// One speaking thread: engine after engine until the deadline, a random text and ending each time.
class Speaker {
public:
    Speaker(int index, std::vector<Engine>& engines, const std::vector<std::u16string>& longTexts,
            Counts& counts, Clock::time_point start, Clock::time_point deadline)
        : index_(index)
        , engines_(engines)
        , longTexts_(longTexts)
        , counts_(counts)
        , deadline_(deadline)
        , random_(static_cast<unsigned>(index + 1))
        , progress_(start) {}

    void run() {
        for (std::size_t turn = static_cast<std::size_t>(index_); Clock::now() < deadline_;
             ++turn) {
            speakOnce(turn % engines_.size());
            progress_.mark();
        }
        done_ = true;
    }

    const Progress& progress() const { return progress_; }
    bool done() const { return done_; }
    // The engine this thread speaks with, or spoke with last.
    std::size_t engine() const { return engine_; }

private:
    void speakOnce(std::size_t engineIndex) {
        engine_ = engineIndex;
        Engine& engine = engines_[engineIndex];
        const bool longText = below(4) == 0;
        const std::u16string& text = longText ? longTexts_[below(longTexts_.size())]
                                              : kShortTexts[below(kShortTexts.size())];
        const std::size_t kind = below(10);
        const Ending ending = kind < 6 ? Ending::Finish : kind < 8 ? Ending::Abort : Ending::Skip;
        const Request request(text, longText, !longText && below(8) == 0);
        LoadSite site(ending, static_cast<std::uint32_t>(below(longText ? 40 : 4)), deadline_,
                      progress_);
        const HRESULT result =
            engine.object->Speak(0, SPDFID_WaveFormatEx, nullptr, request.fragments(), &site);
        count(engine, result, site, ending, text);
    }

    void count(const Engine& engine, HRESULT result, const LoadSite& site, Ending ending,
               const std::u16string& text) {
        const bool longText = text.size() > 100;
        ++counts_.speaks;
        ++counts_.byVoice[static_cast<std::size_t>(std::ranges::find(kVoices, engine.voice) -
                                                   kVoices.begin())];
        counts_.aborted += ending == Ending::Abort;
        counts_.skipped += ending == Ending::Skip;
        counts_.longOnes += longText;
        if (const char* fault = site.fault(); fault || FAILED(result)) {
            ++counts_.failures;
            std::printf("vx_load: thread %d: Speak of %s %s (result 0x%08X): %s\n", index_,
                        engine.voice.c_str(), fault ? fault : "failed",
                        static_cast<unsigned>(result), toUtf8(text.substr(0, 40)).c_str());
        }
    }

    std::size_t below(std::size_t bound) { return random_() % bound; }

    int index_;
    std::vector<Engine>& engines_;
    const std::vector<std::u16string>& longTexts_;
    Counts& counts_;
    Clock::time_point deadline_;
    std::minstd_rand random_;
    Progress progress_;
    std::atomic<std::size_t> engine_{0};
    std::atomic<bool> done_{false};
};

// The thread that calls the engines' other methods while they speak: each engine's format must
// stay what it announced, its token must be there, and a second token must be taken. Only the
// built-in voice's engines get one: a second token makes that voice current, whichever it was.
class OtherCalls {
public:
    OtherCalls(std::vector<Engine>& engines, Counts& counts, Clock::time_point start,
               Clock::time_point deadline)
        : engines_(engines)
        , counts_(counts)
        , deadline_(deadline)
        , progress_(start) {}

    void run() {
        for (std::size_t turn = 0; Clock::now() < deadline_; ++turn) {
            check(engines_[turn % engines_.size()]);
            ++calls_;
            progress_.mark();
            std::this_thread::sleep_for(Milliseconds(2));
        }
        done_ = true;
    }

    const Progress& progress() const { return progress_; }
    bool done() const { return done_; }
    std::uint64_t calls() const { return calls_; }

private:
    void check(Engine& engine) {
        if (!sameFormat(announcedFormat(*engine.object.get()), engine.format))
            fail(engine, "GetOutputFormat changed");
        cli::ComRef<ISpObjectWithToken> withToken;
        cli::ComRef<ISpObjectToken> token;
        if (FAILED(engine.object->QueryInterface(IID_ISpObjectWithToken, withToken.out())) ||
            withToken->GetObjectToken(reinterpret_cast<ISpObjectToken**>(token.out())) != S_OK) {
            fail(engine, "GetObjectToken failed");
        }
        if (engine.voice == kVoices[0] && FAILED(setToken(*engine.object.get(), engine.voice))) {
            fail(engine, "a second SetObjectToken failed");
        }
    }

    void fail(const Engine& engine, const char* what) {
        ++counts_.failures;
        std::printf("vx_load: %s engine: %s\n", engine.voice.c_str(), what);
    }

    std::vector<Engine>& engines_;
    Counts& counts_;
    Clock::time_point deadline_;
    Progress progress_;
    std::atomic<std::uint64_t> calls_{0};
    std::atomic<bool> done_{false};
};

// The process's resident size in bytes, from /proc/self/statm; 0 when it cannot be read.
double residentBytes() {
    std::ifstream statm("/proc/self/statm");
    double pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * static_cast<double>(::sysconf(_SC_PAGESIZE));
}

// The resident size through the run, sampled at a steady pace.
class MemoryTrace {
public:
    void sample(double seconds) { samples_.emplace_back(seconds, residentBytes()); }

    double peakBetween(double from, double to) const {
        double peak = 0;
        for (const auto& [at, bytes] : samples_) {
            if (at >= from && at < to) peak = std::max(peak, bytes);
        }
        return peak;
    }

private:
    std::vector<std::pair<double, double>> samples_;
};

double megabytes(double bytes) {
    return bytes / (1024.0 * 1024.0);
}

// What the stand-in library noted since the last call: read and dropped, since it keeps every
// call's line until asked, which would grow its memory over the run.
class StandinJournal {
public:
    StandinJournal() {
        library_.open(fromUtf8(VX_STANDIN_FOLDER "/RHVoice") + platform::kLibrarySuffix);
        library_.find("standin_journal", read_);
    }
    void drain() const {
        if (read_) read_();
    }

private:
    platform::DynamicLibrary library_;
    const char* (*read_)() = nullptr;
};

struct Options {
    int seconds = 60;
};

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--seconds" && i + 1 < argc && std::atoi(argv[i + 1]) > 0) {
            options.seconds = std::atoi(argv[++i]);
        } else {
            throw std::runtime_error("usage: vx_load [--seconds N]");
        }
    }
    return options;
}

// Watches the threads until they end, sampling the memory and emptying the stand-in's journal.
// Returns which thread has made no progress for kHangLimit, when one has; empty when all ended.
std::string watch(const std::vector<Speaker*>& speakers, const OtherCalls& other,
                  const std::vector<Engine>& engines, Clock::time_point start,
                  Clock::time_point deadline, const StandinJournal& journal, MemoryTrace& memory) {
    auto finished = [&] {
        return other.done() &&
               std::ranges::all_of(speakers, [](const Speaker* s) { return s->done(); });
    };
    while (!finished()) {
        std::this_thread::sleep_for(kSampleEvery);
        const Clock::time_point now = Clock::now();
        if (now < deadline) memory.sample(std::chrono::duration<double>(now - start).count());
        journal.drain();
        for (std::size_t i = 0; i < speakers.size(); ++i) {
            if (!speakers[i]->done() && speakers[i]->progress().idleFor(now) > kHangLimit) {
                return "thread " + std::to_string(i) + ", in a Speak of " +
                       engines[speakers[i]->engine()].voice;
            }
        }
        if (!other.done() && other.progress().idleFor(now) > kHangLimit)
            return "the thread of the other calls";
    }
    return {};
}

// Prints the memory figures; false when the last quarter of the measured run peaks more than
// kGrowthBound above its first quarter.
bool memoryIsFlat(const MemoryTrace& memory, int seconds) {
    const double quarter = (seconds - kWarmUpSeconds) / 4;
    const double first = memory.peakBetween(kWarmUpSeconds, kWarmUpSeconds + quarter);
    const double last = memory.peakBetween(seconds - quarter, seconds);
    std::printf("memory: resident peak %.1f MB", megabytes(memory.peakBetween(0, seconds)));
    if (!kMemoryJudged || seconds < kJudgedFromSeconds || first == 0) {
        std::printf("; not judged %s\n", !kMemoryJudged                    ? "in a sanitizer build"
                                         : seconds < kJudgedFromSeconds ? "in a run this short"
                                                                        : "(/proc/self/statm cannot be read)");
        return true;
    }
    const bool flat = last - first <= kGrowthBound;
    std::printf("; first quarter after the warm-up %.1f MB, last quarter %.1f MB: %s (%+.2f MB, "
                "bound +%.2f MB)\n",
                megabytes(first), megabytes(last), flat ? "flat" : "FAIL, it grows",
                megabytes(last - first), megabytes(kGrowthBound));
    return flat;
}

void report(const Counts& counts, std::uint64_t otherCalls, int seconds, double elapsed) {
    const auto number = [](const std::atomic<std::uint64_t>& value) {
        return static_cast<unsigned long long>(value.load());
    };
    std::printf("vx_load: %d engines (%s, %s, %s in turn) on %d threads for %d s (%.1f s with the "
                "last Speaks)\n",
                kEngines, kVoices[0], kVoices[1], kVoices[2], kSpeakers, seconds, elapsed);
    std::printf("speaks: %llu, %.1f per second (%s %llu, %s %llu, %s %llu); long %llu, aborted "
                "%llu, skipping %llu; "
                "other calls %llu\n",
                number(counts.speaks), static_cast<double>(counts.speaks) / elapsed, kVoices[0],
                number(counts.byVoice[0]), kVoices[1], number(counts.byVoice[1]), kVoices[2],
                number(counts.byVoice[2]), number(counts.longOnes), number(counts.aborted),
                number(counts.skipped), static_cast<unsigned long long>(otherCalls));
    std::printf("failures: %llu\n", number(counts.failures));
}

int run(const Options& options) {
    const RunFolder folder;
    const std::vector<std::u16string> paragraphs = longTexts();
    // Loaded before the threads start, so that the library's static data is made before any
    // thread uses it.
    const StandinJournal journal;
    std::vector<Engine> engines = makeEngines(folder.program());
    Counts counts;
    const Clock::time_point start = Clock::now();
    const Clock::time_point deadline = start + std::chrono::seconds(options.seconds);
    std::vector<std::unique_ptr<Speaker>> speakers;
    std::vector<Speaker*> watched;
    for (int i = 0; i < kSpeakers; ++i) {
        speakers.push_back(
            std::make_unique<Speaker>(i, engines, paragraphs, counts, start, deadline));
        watched.push_back(speakers.back().get());
    }
    OtherCalls other(engines, counts, start, deadline);
    std::vector<std::thread> threads;
    for (const auto& speaker : speakers)
        threads.emplace_back([&s = *speaker] { s.run(); });
    threads.emplace_back([&other] { other.run(); });
    MemoryTrace memory;
    const std::string hung = watch(watched, other, engines, start, deadline, journal, memory);
    if (!hung.empty()) {
        // A hung Speak cannot be ended from outside: the process ends without waiting for it.
        std::printf("vx_load: FAIL: %s has made no progress for %lld s\nthe engine's log:\n%s",
                    hung.c_str(), static_cast<long long>(kHangLimit.count()), folder.log().c_str());
        std::fflush(stdout);
        folder.remove();
        std::_Exit(1);
    }
    for (std::thread& thread : threads)
        thread.join();
    report(counts, other.calls(), options.seconds,
           std::chrono::duration<double>(Clock::now() - start).count());
    const bool flat = memoryIsFlat(memory, options.seconds);
    if (counts.failures > 0) std::printf("the engine's log:\n%s", folder.log().c_str());
    return counts.failures == 0 && flat ? 0 : 1;
}

} // namespace
} // namespace vx::bench

int main(int argc, char** argv) {
    try {
        return vx::bench::run(vx::bench::parse(argc, argv));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vx_load: %s\n", error.what());
        return 2;
    }
}
