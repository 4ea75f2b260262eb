/* eSpeak NG's build configuration for libespeak-ng.dll, in place of the header its own CMake
 * build generates from config.h.in. The engine drives the library in synchronous mode only and
 * takes the audio through its callback: no audio output library, no thread for asynchronous
 * speech, no MBROLA voices, no sonic (the engine has its own tempo filter). The Klatt voices are
 * built; speech-player, its C++ alternative, is not. */
#define HAVE_MKSTEMP 1
#define USE_ASYNC 0
#define USE_KLATT 1
#define USE_LIBPCAUDIO 0
#define USE_LIBSONIC 0
#define USE_MBROLA 0
#define USE_SPEECHPLAYER 0
#define PACKAGE_VERSION "1.52.0"
