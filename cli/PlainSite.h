#pragma once
// The part of an engine site that a client which changes nothing while the engine speaks has in
// common: SAPI's own rate and volume (the client's adjustments come in the fragments), and no
// skip ever asked for.

#include "platform/ComObject.h"

namespace vx::cli {

class PlainSite : public ISpTTSEngineSite {
public:
    virtual ~PlainSite() = default;

    HRESULT STDMETHODCALLTYPE GetRate(LONG* rateAdjust) override {
        if (!rateAdjust) {
            return E_POINTER;
        }
        *rateAdjust = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetVolume(USHORT* volume) override {
        if (!volume) {
            return E_POINTER;
        }
        *volume = 100;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSkipInfo(SPVSKIPTYPE* type, LONG* items) override {
        if (!type || !items) {
            return E_POINTER;
        }
        *type = SPVST_SENTENCE;
        *items = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CompleteSkip(LONG) override { return S_OK; }
};

} // namespace vx::cli
