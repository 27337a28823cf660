#include "test_data_object.h"

#include <algorithm>
#include <cstring>

namespace cw::test {

DVTARGETDEVICE* make_target_device()
{
    // Header plus the driver name "winspool" in UTF-16.
    const wchar_t driver[] = L"winspool";
    const DWORD size = sizeof(DVTARGETDEVICE) + sizeof(driver);
    auto* td = static_cast<DVTARGETDEVICE*>(CoTaskMemAlloc(size));
    std::memset(td, 0, size);
    td->tdSize = size;
    td->tdDriverNameOffset = static_cast<WORD>(offsetof(DVTARGETDEVICE, tdData));
    std::memcpy(reinterpret_cast<BYTE*>(td) + td->tdDriverNameOffset, driver, sizeof(driver));
    return td;
}

namespace {

class Enumerator final : public ComObject<Enumerator, IEnumFORMATETC> {
public:
    Enumerator(TestDataObject* owner, EnumeratorFault fault, std::size_t pos = 0)
        : owner_(owner), fault_(fault), pos_(pos)
    {
        owner_->AddRef();
    }
    ~Enumerator() { owner_->Release(); }

    HRESULT STDMETHODCALLTYPE Next(ULONG count, FORMATETC* out, ULONG* fetched) override
    {
        ULONG got = 0;
        const int call = calls_++;
        const bool fail = call == fault_.at;
        const auto& offers = owner_->offers();
        if (fail && !fault_.with_element) {
            if (fetched) *fetched = 0;
            return fault_.hr;
        }
        while (got < count && pos_ < offers.size()) {
            const TestOffer& o = offers[pos_++];
            FORMATETC& f = out[got++];
            f.cfFormat = o.cf;
            f.ptd = o.target_device ? make_target_device() : nullptr;
            f.dwAspect = o.aspect;
            f.lindex = o.lindex;
            f.tymed = o.tymed;
        }
        if (fetched) *fetched = got;
        if (fail) return fault_.hr;
        return got == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override
    {
        pos_ = std::min(pos_ + count, owner_->offers().size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Reset() override
    {
        pos_ = 0;
        calls_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumFORMATETC** out) override
    {
        *out = new Enumerator(owner_, fault_, pos_);
        return S_OK;
    }

private:
    TestDataObject* owner_;
    EnumeratorFault fault_;
    std::size_t pos_;
    int calls_ = 0;
};

class PatternStream final : public ComObject<PatternStream, IStream, ISequentialStream> {
public:
    PatternStream(std::uint64_t size, std::uint64_t fault_at) : size_(size), fault_at_(fault_at) {}
    HRESULT STDMETHODCALLTYPE Read(void* out, ULONG count, ULONG* read) override
    {
        if (fault_at_ && pos_ >= fault_at_) {
            if (read) *read = 0;
            return STG_E_READFAULT;
        }
        const std::uint64_t left = size_ - std::min(pos_, size_);
        const ULONG n = static_cast<ULONG>(std::min<std::uint64_t>(count, left));
        auto* bytes = static_cast<std::uint8_t*>(out);
        for (ULONG i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>((pos_ + i) % 251);
        pos_ += n;
        if (read) *read = n;
        return n < count ? S_FALSE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* now) override
    {
        std::int64_t base = origin == STREAM_SEEK_SET ? 0 : origin == STREAM_SEEK_CUR ? std::int64_t(pos_) : std::int64_t(size_);
        const std::int64_t target = base + move.QuadPart;
        if (target < 0) return STG_E_INVALIDFUNCTION;
        pos_ = static_cast<std::uint64_t>(target);
        if (now) now->QuadPart = pos_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override
    {
        std::memset(stat, 0, sizeof *stat);
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = size_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

private:
    std::uint64_t size_;
    std::uint64_t fault_at_;
    std::uint64_t pos_ = 0;
};

HGLOBAL global_copy(const std::vector<std::uint8_t>& bytes)
{
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bytes.empty() ? 1 : bytes.size());
    if (!h) return nullptr;
    void* p = GlobalLock(h);
    if (!bytes.empty()) std::memcpy(p, bytes.data(), bytes.size());
    GlobalUnlock(h);
    return h;
}

// A compound file in memory holding `bytes` as its stream "CONTENTS", as a mail program hands
// over a message attachment.
HRESULT make_storage(const std::vector<std::uint8_t>& bytes, IStorage** out)
{
    ILockBytes* lock_bytes = nullptr;
    HRESULT hr = CreateILockBytesOnHGlobal(nullptr, TRUE, &lock_bytes);
    if (SUCCEEDED(hr))
        hr = StgCreateDocfileOnILockBytes(lock_bytes, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, out);
    IStream* stream = nullptr;
    if (SUCCEEDED(hr)) hr = (*out)->CreateStream(L"CONTENTS", STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &stream);
    if (SUCCEEDED(hr)) hr = stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr);
    if (stream) stream->Release();
    if (SUCCEEDED(hr)) hr = (*out)->Commit(STGC_DEFAULT);
    if (lock_bytes) lock_bytes->Release();
    return hr;
}

}  // namespace

IStream* make_pattern_stream(std::uint64_t size, std::uint64_t fault_at) { return new PatternStream(size, fault_at); }

TestDataObject* TestDataObject::create(std::vector<TestOffer> offers, EnumeratorFault fault)
{
    return new TestDataObject(std::move(offers), fault);
}

HRESULT TestDataObject::GetData(FORMATETC* format, STGMEDIUM* medium)
{
    ++get_data_calls_;
    std::memset(medium, 0, sizeof *medium);
    for (const TestOffer& o : offers_) {
        if (o.cf != format->cfFormat || o.aspect != format->dwAspect || o.lindex != format->lindex) continue;
        const DWORD common = o.tymed & format->tymed;
        if (!common) continue;
        switch (o.behaviour) {
            case GetDataBehaviour::Fail:
                return o.fail_hr;
            case GetDataBehaviour::WrongMedium:
                medium->tymed = TYMED_HGLOBAL;
                medium->hGlobal = global_copy(o.bytes);
                return S_OK;
            case GetDataBehaviour::NullStream:
                medium->tymed = TYMED_ISTREAM;
                medium->pstm = nullptr;
                return S_OK;
            case GetDataBehaviour::Normal:
                break;
        }
        if (common & TYMED_HGLOBAL) {
            medium->tymed = TYMED_HGLOBAL;
            medium->hGlobal = global_copy(o.bytes);
            return medium->hGlobal ? S_OK : E_OUTOFMEMORY;
        }
        if (common & TYMED_ISTREAM) {
            medium->tymed = TYMED_ISTREAM;
            if (o.synthetic_stream_size) {
                medium->pstm = make_pattern_stream(o.synthetic_stream_size, o.stream_fault_at);
                return S_OK;
            }
            HGLOBAL h = global_copy(o.bytes);
            HRESULT hr = CreateStreamOnHGlobal(h, TRUE, &medium->pstm);
            if (FAILED(hr)) return hr;
            ULARGE_INTEGER size;
            size.QuadPart = o.bytes.size();
            medium->pstm->SetSize(size);
            return S_OK;
        }
        if (common & TYMED_ISTORAGE) {
            medium->tymed = TYMED_ISTORAGE;
            return make_storage(o.bytes, &medium->pstg);
        }
        return DV_E_TYMED;
    }
    return DV_E_FORMATETC;
}

HRESULT TestDataObject::QueryGetData(FORMATETC* format)
{
    for (const TestOffer& o : offers_)
        if (o.cf == format->cfFormat && (o.tymed & format->tymed)) return S_OK;
    return DV_E_FORMATETC;
}

HRESULT TestDataObject::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out)
{
    if (out) out->ptd = nullptr;
    return E_NOTIMPL;
}

HRESULT TestDataObject::EnumFormatEtc(DWORD direction, IEnumFORMATETC** out)
{
    *out = nullptr;
    if (direction != DATADIR_GET) return E_NOTIMPL;
    if (FAILED(fault_.enum_hr)) return fault_.enum_hr;
    if (fault_.null_enumerator) return S_OK;
    *out = new Enumerator(this, fault_);
    return S_OK;
}

}  // namespace cw::test
