#include "cli/VoiceToken.h"

namespace vx::cli {

std::span<const InterfaceEntry> VoiceToken::interfaces() {
    static constexpr InterfaceEntry kInterfaces[] = {
        interfaceEntry<VoiceToken, ISpObjectToken>(IID_ISpObjectToken),
        interfaceEntry<VoiceToken, ISpDataKey>(IID_ISpDataKey),
    };
    return kInterfaces;
}

HRESULT VoiceToken::GetStringValue(LPCWSTR valueName, LPWSTR* value) {
    if (!valueName || !value) {
        return E_POINTER;
    }
    *value = nullptr;
    if (fromWide(valueName) != u"VoiceName") {
        return SPERR_NOT_FOUND;
    }
    *value = CoTaskMemDuplicate(voiceName_);
    return *value ? S_OK : E_OUTOFMEMORY;
}

} // namespace vx::cli
