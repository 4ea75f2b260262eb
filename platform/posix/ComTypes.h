#pragma once
// The COM and SAPI declarations that the engine and its clients use, for builds without the
// Windows SDK: the same names, values, layouts and signatures as SAPI's own, so that the engine
// code reads the same on every platform. Only what the engine and its command-line client need
// is declared. WCHAR is char16_t here, the engine's own text type.

#include "platform/WaveFormat.h"

#include <cstdint>

using HRESULT = std::int32_t;
using ULONG = std::uint32_t;
using LONG = std::int32_t;
using DWORD = std::uint32_t;
using WORD = std::uint16_t;
using USHORT = std::uint16_t;
using BYTE = std::uint8_t;
using BOOL = std::int32_t;
using ULONGLONG = std::uint64_t;
using LANGID = std::uint16_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using WCHAR = char16_t;
using LPCWSTR = const WCHAR*;
using LPWSTR = WCHAR*;
using HWND = void*;

#define STDMETHODCALLTYPE

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111);
constexpr HRESULT SPERR_ALREADY_INITIALIZED = static_cast<HRESULT>(0x80045002);
constexpr HRESULT SPERR_NOT_FOUND = static_cast<HRESULT>(0x8004503A);

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) {
        return false;
    }
    for (int i = 0; i < 8; ++i) {
        if (a.Data4[i] != b.Data4[i]) {
            return false;
        }
    }
    return true;
}
inline bool IsEqualGUID(REFGUID a, REFGUID b) { return a == b; }

// The task allocator: memory handed across the interface boundary.
void* CoTaskMemAlloc(std::size_t size);
void CoTaskMemFree(void* memory);

struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;

protected:
    ~IUnknown() = default;
};

struct ISpObjectTokenCategory;

struct ISpDataKey : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetData(LPCWSTR valueName, ULONG size, const BYTE* data) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetData(LPCWSTR valueName, ULONG* size, BYTE* data) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetStringValue(LPCWSTR valueName, LPCWSTR value) = 0;
    // The value in memory from CoTaskMemAlloc, which the caller frees.
    virtual HRESULT STDMETHODCALLTYPE GetStringValue(LPCWSTR valueName, LPWSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDWORD(LPCWSTR valueName, DWORD value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDWORD(LPCWSTR valueName, DWORD* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenKey(LPCWSTR subKeyName, ISpDataKey** subKey) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateKey(LPCWSTR subKeyName, ISpDataKey** subKey) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeleteKey(LPCWSTR subKeyName) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeleteValue(LPCWSTR valueName) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumKeys(ULONG index, LPWSTR* subKeyName) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumValues(ULONG index, LPWSTR* valueName) = 0;

protected:
    ~ISpDataKey() = default;
};

struct ISpObjectToken : ISpDataKey {
    virtual HRESULT STDMETHODCALLTYPE SetId(LPCWSTR categoryId, LPCWSTR tokenId, BOOL createIfNotExist) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetId(LPWSTR* tokenId) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCategory(ISpObjectTokenCategory** category) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, DWORD classContext, REFIID iid,
                                                     void** object) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStorageFileName(REFCLSID caller, LPCWSTR valueName,
                                                         LPCWSTR fileNameSpecifier, ULONG folder,
                                                         LPWSTR* filePath) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveStorageFileName(REFCLSID caller, LPCWSTR keyName, BOOL deleteFile) = 0;
    virtual HRESULT STDMETHODCALLTYPE Remove(const CLSID* caller) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsUISupported(LPCWSTR typeOfUI, void* extraData, ULONG extraDataSize,
                                                    IUnknown* object, BOOL* supported) = 0;
    virtual HRESULT STDMETHODCALLTYPE DisplayUI(HWND parent, LPCWSTR title, LPCWSTR typeOfUI, void* extraData,
                                                ULONG extraDataSize, IUnknown* object) = 0;
    virtual HRESULT STDMETHODCALLTYPE MatchesAttributes(LPCWSTR attributes, BOOL* matches) = 0;

protected:
    ~ISpObjectToken() = default;
};

struct ISpObjectWithToken : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetObjectToken(ISpObjectToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetObjectToken(ISpObjectToken** token) = 0;

protected:
    ~ISpObjectWithToken() = default;
};

enum SPEVENTENUM {
    SPEI_UNDEFINED = 0,
    SPEI_TTS_BOOKMARK = 4,
    SPEI_WORD_BOUNDARY = 5,
    SPEI_SENTENCE_BOUNDARY = 7,
    SPEI_RESERVED1 = 30,
    SPEI_RESERVED2 = 33,
};

enum SPEVENTLPARAMTYPE {
    SPET_LPARAM_IS_UNDEFINED = 0,
    SPET_LPARAM_IS_TOKEN = 1,
    SPET_LPARAM_IS_OBJECT = 2,
    SPET_LPARAM_IS_POINTER = 3,
    SPET_LPARAM_IS_STRING = 4,
};

// The interest bit of an event; SAPI sets its two reserved bits in every interest mask.
constexpr ULONGLONG SPFEI_FLAGCHECK = (1ULL << SPEI_RESERVED1) | (1ULL << SPEI_RESERVED2);
constexpr ULONGLONG SPFEI(int event) { return (1ULL << event) | SPFEI_FLAGCHECK; }

struct SPEVENT {
    WORD eEventId;
    WORD elParamType;
    ULONG ulStreamNum;
    ULONGLONG ullAudioStreamOffset;
    WPARAM wParam;
    LPARAM lParam;
};

enum SPEAKFLAGS { SPF_DEFAULT = 0, SPF_NLP_SPEAK_PUNC = 1 << 6 };

enum SPVACTIONS {
    SPVA_Speak = 0,
    SPVA_Silence,
    SPVA_Pronounce,
    SPVA_Bookmark,
    SPVA_SpellOut,
    SPVA_Section,
    SPVA_ParseUnknownTag,
};

enum SPVESACTIONS { SPVES_CONTINUE = 0, SPVES_ABORT = 1, SPVES_SKIP = 2, SPVES_RATE = 4, SPVES_VOLUME = 8 };

enum SPVSKIPTYPE { SPVST_SENTENCE = 1 };

enum SPPARTOFSPEECH { SPPS_NotOverriden = -1, SPPS_Unknown = 0 };

using SPPHONEID = WCHAR;

struct SPVPITCH {
    LONG MiddleAdj;
    LONG RangeAdj;
};

struct SPVCONTEXT {
    LPCWSTR pCategory;
    LPCWSTR pBefore;
    LPCWSTR pAfter;
};

struct SPVSTATE {
    SPVACTIONS eAction;
    LANGID LangID;
    WORD wReserved;
    LONG EmphAdj;
    LONG RateAdj;
    ULONG Volume;
    SPVPITCH PitchAdj;
    ULONG SilenceMSecs;
    SPPHONEID* pPhoneIds;
    SPPARTOFSPEECH ePartOfSpeech;
    SPVCONTEXT Context;
};

struct SPVTEXTFRAG {
    SPVTEXTFRAG* pNext;
    SPVSTATE State;
    LPCWSTR pTextStart;
    ULONG ulTextLen;
    ULONG ulTextSrcOffset;
};

struct ISpEventSink : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE AddEvents(const SPEVENT* events, ULONG count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetEventInterest(ULONGLONG* interest) = 0;

protected:
    ~ISpEventSink() = default;
};

struct ISpTTSEngineSite : ISpEventSink {
    virtual DWORD STDMETHODCALLTYPE GetActions() = 0;
    virtual HRESULT STDMETHODCALLTYPE Write(const void* data, ULONG size, ULONG* written) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRate(LONG* rateAdjust) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVolume(USHORT* volume) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSkipInfo(SPVSKIPTYPE* type, LONG* items) = 0;
    virtual HRESULT STDMETHODCALLTYPE CompleteSkip(LONG skipped) = 0;

protected:
    ~ISpTTSEngineSite() = default;
};

struct ISpTTSEngine : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Speak(DWORD speakFlags, REFGUID formatId, const WAVEFORMATEX* format,
                                            const SPVTEXTFRAG* fragments, ISpTTSEngineSite* site) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetOutputFormat(const GUID* targetFormatId, const WAVEFORMATEX* targetFormat,
                                                      GUID* outputFormatId, WAVEFORMATEX** outputFormat) = 0;

protected:
    ~ISpTTSEngine() = default;
};

inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_ISpDataKey = {0x14056581, 0xE16C, 0x11D2, {0xBB, 0x90, 0x00, 0xC0, 0x4F, 0x8E, 0xE6, 0xC0}};
inline constexpr IID IID_ISpObjectToken = {0x14056589, 0xE16C, 0x11D2, {0xBB, 0x90, 0x00, 0xC0, 0x4F, 0x8E, 0xE6, 0xC0}};
inline constexpr IID IID_ISpObjectWithToken = {0x5B559F40, 0xE952, 0x11D2, {0xBB, 0x91, 0x00, 0xC0, 0x4F, 0x8E, 0xE6, 0xC0}};
inline constexpr IID IID_ISpEventSink = {0xBE7A9CC9, 0x5F9E, 0x11D2, {0x96, 0x0F, 0x00, 0xC0, 0x4F, 0x8E, 0xE6, 0x28}};
inline constexpr IID IID_ISpTTSEngineSite = {0x9880499B, 0xCCE9, 0x11D2, {0xB5, 0x03, 0x00, 0xC0, 0x4F, 0x79, 0x73, 0x96}};
inline constexpr IID IID_ISpTTSEngine = {0xA74D7C8E, 0x4CC5, 0x4F2F, {0xA6, 0xEB, 0x80, 0x4D, 0xEE, 0x18, 0x50, 0x0E}};
inline constexpr GUID SPDFID_WaveFormatEx = {0xC31ADBAE, 0x527F, 0x4FF5, {0xA2, 0x30, 0xF6, 0x2B, 0xB6, 0x1F, 0xF7, 0x0C}};
