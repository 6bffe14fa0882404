// Scoped start-up of OLE, COM and GDI+: each pairs its start with the matching end, and ends
// only what it started.
#pragma once

#include <windows.h>
#include <objidl.h>  // gdiplus needs it, and WIN32_LEAN_AND_MEAN leaves it out
#include <gdiplus.h>
#include <ole2.h>

namespace brimlet::win32 {

// OleInitialize is undone by OleUninitialize: CoUninitialize would leave OLE's own count
// (clipboard, drag and drop) raised for the rest of the thread.
class ScopedOle {
 public:
  ScopedOle() noexcept : result_(::OleInitialize(nullptr)) {}
  ~ScopedOle() {
    if (SUCCEEDED(result_)) ::OleUninitialize();
  }
  ScopedOle(const ScopedOle&) = delete;
  ScopedOle& operator=(const ScopedOle&) = delete;
  HRESULT result() const noexcept { return result_; }

 private:
  HRESULT result_;
};

class ScopedCom {
 public:
  explicit ScopedCom(DWORD model = COINIT_APARTMENTTHREADED) noexcept
      : result_(::CoInitializeEx(nullptr, model)) {}
  ~ScopedCom() {
    if (SUCCEEDED(result_)) ::CoUninitialize();
  }
  ScopedCom(const ScopedCom&) = delete;
  ScopedCom& operator=(const ScopedCom&) = delete;
  HRESULT result() const noexcept { return result_; }

 private:
  HRESULT result_;
};

class ScopedGdiPlus {
 public:
  ScopedGdiPlus() noexcept {
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) token_ = 0;
  }
  ~ScopedGdiPlus() {
    if (token_ != 0) Gdiplus::GdiplusShutdown(token_);
  }
  ScopedGdiPlus(const ScopedGdiPlus&) = delete;
  ScopedGdiPlus& operator=(const ScopedGdiPlus&) = delete;
  bool started() const noexcept { return token_ != 0; }

 private:
  ULONG_PTR token_ = 0;
};

}  // namespace brimlet::win32
