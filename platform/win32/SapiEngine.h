#pragma once
// The parts of SAPI's engine-side interface (the "DDK" half of SAPI) that MinGW-w64's headers do
// not declare: the engine and its site, the text fragment list, the actions the site asks for,
// and the definition of the wave-format format id. Written from SAPI's documented definitions,
// with SAPI's names, values, layouts and interface ids. Included by platform/Sapi.h after the
// system's <sapi.h>; nothing else includes it.

#include <windows.h>
#include <objbase.h>
#include <mmreg.h>
#include <sapi.h>
#include <sperror.h>

#ifndef SPERR_ALREADY_INITIALIZED
#define SPERR_ALREADY_INITIALIZED MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x5002)
#endif

// What the site asks of a speaking engine (ISpTTSEngineSite::GetActions), a set of bits.
enum SPVESACTIONS {
    SPVES_CONTINUE = 0,
    SPVES_ABORT = 1 << 0,
    SPVES_SKIP = 1 << 1,
    SPVES_RATE = 1 << 2,
    SPVES_VOLUME = 1 << 3,
};

// What a skip request counts (ISpTTSEngineSite::GetSkipInfo).
enum SPVSKIPTYPE {
    SPVST_SENTENCE = 1 << 0,
};

// One piece of the text to speak, with the voice state it is spoken in; the list ends at a
// null pNext. pTextStart points into the caller's text, ulTextSrcOffset is its offset there.
struct SPVTEXTFRAG {
    SPVTEXTFRAG* pNext;
    SPVSTATE State;
    LPCWSTR pTextStart;
    ULONG ulTextLen;
    ULONG ulTextSrcOffset;
};

// The output site that SAPI hands to ISpTTSEngine::Speak: audio goes to Write, events to the
// inherited AddEvents.
struct ISpTTSEngineSite : public ISpEventSink {
    virtual DWORD STDMETHODCALLTYPE GetActions() = 0;
    virtual HRESULT STDMETHODCALLTYPE Write(const void* data, ULONG size, ULONG* written) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRate(LONG* rateAdjust) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVolume(USHORT* volume) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSkipInfo(SPVSKIPTYPE* type, LONG* items) = 0;
    virtual HRESULT STDMETHODCALLTYPE CompleteSkip(LONG skipped) = 0;

protected:
    ~ISpTTSEngineSite() = default; // released, never deleted through the interface
};

// The engine as SAPI calls it.
struct ISpTTSEngine : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Speak(DWORD speakFlags, REFGUID formatId, const WAVEFORMATEX* format,
                                            const SPVTEXTFRAG* fragments, ISpTTSEngineSite* site) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetOutputFormat(const GUID* targetFormatId, const WAVEFORMATEX* targetFormat,
                                                      GUID* outputFormatId, WAVEFORMATEX** outputFormat) = 0;

protected:
    ~ISpTTSEngine() = default; // released, never deleted through the interface
};

// __uuidof for both, as MinGW's headers give it to their own interfaces.
__CRT_UUID_DECL(ISpTTSEngineSite, 0x9880499B, 0xCCE9, 0x11D2, 0xB5, 0x03, 0x00, 0xC0, 0x4F, 0x79, 0x73, 0x96)
__CRT_UUID_DECL(ISpTTSEngine, 0xA74D7C8E, 0x4CC5, 0x4F2F, 0xA6, 0xEB, 0x80, 0x4D, 0xEE, 0x18, 0x50, 0x0E)

// MinGW declares the interface ids of the rest of SAPI with DEFINE_GUID, which defines them only
// where INITGUID is set; these two are ours and are defined here, once for the whole program.
inline constexpr IID IID_ISpTTSEngineSite = {0x9880499B, 0xCCE9, 0x11D2, {0xB5, 0x03, 0x00, 0xC0, 0x4F, 0x79, 0x73, 0x96}};
inline constexpr IID IID_ISpTTSEngine = {0xA74D7C8E, 0x4CC5, 0x4F2F, {0xA6, 0xEB, 0x80, 0x4D, 0xEE, 0x18, 0x50, 0x0E}};
