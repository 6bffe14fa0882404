#include "content_moniker.h"

#include <atomic>
#include <cstring>
#include <new>
#include <utility>

#include "page_source.h"
#include "text/utf16.h"
#include "win32/com_object.h"
#include "win32/result.h"

namespace brimlet::win32 {
namespace {

inline void GlobalFreeFn(HGLOBAL memory) noexcept { ::GlobalFree(memory); }
using UniqueHGlobal = UniqueResource<HGLOBAL, GlobalFreeFn, detail::Null<HGLOBAL>>;

// A failed allocation does not always set a last error; S_OK must never stand for it.
HRESULT LastErrorResult() noexcept {
  const DWORD error = ::GetLastError();
  return error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_OUTOFMEMORY;
}

HRESULT StreamOverCopy(std::string_view bytes, ComPtr<IStream>& stream) noexcept {
  // A movable block of size 0 cannot be locked; the stream then makes its own.
  if (bytes.empty()) return ::CreateStreamOnHGlobal(nullptr, TRUE, stream.put());
  UniqueHGlobal memory(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes.size()));
  if (!memory) return LastErrorResult();
  void* target = ::GlobalLock(memory.get());
  if (!target) return LastErrorResult();
  std::memcpy(target, bytes.data(), bytes.size());
  ::GlobalUnlock(memory.get());
  const HRESULT hr = ::CreateStreamOnHGlobal(memory.get(), TRUE, stream.put());
  if (FAILED(hr)) return hr;
  memory.release();  // the stream frees it now
  // The stream takes the block's size, which the system may have rounded up.
  ULARGE_INTEGER size{};
  size.QuadPart = bytes.size();
  return stream->SetSize(size);
}

template <typename T>
HRESULT NotImplemented(T** out) noexcept {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

class ContentMoniker final
    : public ComObject<Answers<IMoniker, IID_IMoniker, IID_IPersistStream, IID_IPersist>> {
 public:
  ContentMoniker(HMODULE module, std::u16string skinFolder) noexcept
      : module_(module), skinFolder_(std::move(skinFolder)), tick_(::GetTickCount()) {}

  // IPersist, IPersistStream: the moniker is never saved.
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* classId) noexcept override {
    if (classId) *classId = CLSID_NULL;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE IsDirty() noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Load(IStream*) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Save(IStream*, BOOL) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER*) noexcept override { return E_NOTIMPL; }

  // IMoniker
  HRESULT STDMETHODCALLTYPE BindToObject(IBindCtx*, IMoniker*, REFIID,
                                         void** object) noexcept override {
    return NotImplemented(object);
  }
  HRESULT STDMETHODCALLTYPE BindToStorage(IBindCtx*, IMoniker*, REFIID iid,
                                          void** object) noexcept override {
    if (!object) return E_POINTER;
    *object = nullptr;
    ComPtr<IStream> stream;
    const HRESULT hr = LoadPageStream(module_, skinFolder_, stream);
    if (FAILED(hr)) return hr;
    return stream->QueryInterface(iid, object);
  }
  HRESULT STDMETHODCALLTYPE Reduce(IBindCtx*, DWORD, IMoniker**,
                                   IMoniker** reduced) noexcept override {
    return NotImplemented(reduced);
  }
  HRESULT STDMETHODCALLTYPE ComposeWith(IMoniker*, BOOL, IMoniker** composite) noexcept override {
    return NotImplemented(composite);
  }
  HRESULT STDMETHODCALLTYPE Enum(BOOL, IEnumMoniker** monikers) noexcept override {
    return NotImplemented(monikers);
  }
  HRESULT STDMETHODCALLTYPE IsEqual(IMoniker*) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Hash(DWORD*) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE IsRunning(IBindCtx*, IMoniker*, IMoniker*) noexcept override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetTimeOfLastChange(IBindCtx*, IMoniker*, FILETIME*) noexcept override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Inverse(IMoniker** inverse) noexcept override {
    return NotImplemented(inverse);
  }
  HRESULT STDMETHODCALLTYPE CommonPrefixWith(IMoniker*, IMoniker** prefix) noexcept override {
    return NotImplemented(prefix);
  }
  HRESULT STDMETHODCALLTYPE RelativePathTo(IMoniker*, IMoniker** path) noexcept override {
    return NotImplemented(path);
  }
  HRESULT STDMETHODCALLTYPE GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR* name) noexcept override {
    if (!name) return E_POINTER;
    *name = nullptr;
    try {
      const std::u16string text = PageDisplayName(skinFolder_, tick_);
      if (text.size() >= kDisplayNameCapacity) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
      const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
      auto* copy = static_cast<wchar_t*>(::CoTaskMemAlloc(bytes));
      if (!copy) return E_OUTOFMEMORY;
      std::memcpy(copy, text.c_str(), bytes);
      *name = copy;
      return S_OK;
    }
    BRIMLET_CATCH_RETURN()
  }
  HRESULT STDMETHODCALLTYPE ParseDisplayName(IBindCtx*, IMoniker*, LPOLESTR, ULONG*,
                                             IMoniker** result) noexcept override {
    return NotImplemented(result);
  }
  HRESULT STDMETHODCALLTYPE IsSystemMoniker(DWORD* kind) noexcept override {
    if (!kind) return E_POINTER;
    *kind = MKSYS_NONE;
    return S_FALSE;
  }

 private:
  ~ContentMoniker() override = default;

  const HMODULE module_;
  const std::u16string skinFolder_;
  const uint32_t tick_;
};

}  // namespace

HRESULT CreatePageStream(std::string_view utf8Page, std::u16string_view skinFolder,
                         ComPtr<IStream>& stream) noexcept {
  stream.reset();
  try {
    const std::string filled = Utf16ToUtf8(FillPage(Utf8ToUtf16(utf8Page), skinFolder));
    const HRESULT hr = StreamOverCopy(filled, stream);
    if (FAILED(hr)) stream.reset();
    return hr;
  }
  BRIMLET_CATCH_RETURN()
}

HRESULT LoadPageStream(HMODULE module, std::u16string_view skinFolder,
                       ComPtr<IStream>& stream) noexcept {
  stream.reset();
  HRSRC info = ::FindResourceW(module, kPageResourceName, RT_HTML);
  if (!info) return E_FAIL;
  HGLOBAL loaded = ::LoadResource(module, info);
  const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
  if (!bytes) return E_FAIL;
  const DWORD size = ::SizeofResource(module, info);
  return CreatePageStream(std::string_view(static_cast<const char*>(bytes), size), skinFolder,
                          stream);
}

ComPtr<IMoniker> CreateContentMoniker(HMODULE module, std::u16string skinFolder) noexcept {
  return ComPtr<IMoniker>::Attach(
      MakeComObject<ContentMoniker>(module, std::move(skinFolder)).detach());
}

}  // namespace brimlet::win32
