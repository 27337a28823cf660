#pragma once
// An IDataObject whose FORMATETC catalogue and GetData behaviour a test controls.

#include <cstdint>
#include <string>
#include <vector>

#include "base/com_object_win.h"
#include "base/win32.h"

namespace cw::test {

enum class GetDataBehaviour { Normal, Fail, WrongMedium, NullStream };

struct TestOffer {
    CLIPFORMAT cf = 0;
    DWORD tymed = TYMED_HGLOBAL;
    DWORD aspect = DVASPECT_CONTENT;
    LONG lindex = -1;
    bool target_device = false;
    std::vector<std::uint8_t> bytes;
    GetDataBehaviour behaviour = GetDataBehaviour::Normal;
    HRESULT fail_hr = DV_E_FORMATETC;
    // For large streams: the stream reports this many bytes (pattern-filled) instead of `bytes`.
    std::uint64_t synthetic_stream_size = 0;
    // With synthetic_stream_size: Read fails with STG_E_READFAULT once this many bytes were read
    // (0: never), as a provider that loses its source halfway does.
    std::uint64_t stream_fault_at = 0;
};

struct EnumeratorFault {
    int at = -1;                  // index of the Next call that fails; -1 never
    HRESULT hr = E_FAIL;
    bool with_element = false;    // the failing call still hands out its element
    HRESULT enum_hr = S_OK;       // EnumFormatEtc itself fails with this when it is a failure
    bool null_enumerator = false; // EnumFormatEtc succeeds without an enumerator
};

class TestDataObject final : public ComObject<TestDataObject, IDataObject> {
public:
    static TestDataObject* create(std::vector<TestOffer> offers, EnumeratorFault fault = {});

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override;
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override;
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override
    {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

    const std::vector<TestOffer>& offers() const { return offers_; }
    int get_data_calls() const { return get_data_calls_; }

private:
    TestDataObject(std::vector<TestOffer> offers, EnumeratorFault fault) : offers_(std::move(offers)), fault_(fault) {}
    std::vector<TestOffer> offers_;
    EnumeratorFault fault_;
    int get_data_calls_ = 0;
};

// A target device record as OLE expects it (allocated with CoTaskMemAlloc; the receiver frees it).
DVTARGETDEVICE* make_target_device();

// An IStream over `size` bytes of a repeating pattern, without holding them in memory.
IStream* make_pattern_stream(std::uint64_t size, std::uint64_t fault_at = 0);

}  // namespace cw::test
