#include "catalogue_update_win32.h"

#include <bcrypt.h>
#include <objbase.h>
#include <setupapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <vector>

#include "catalogue_reader.h"
#include "catalogue_signature.h"
#include "download_win32.h"
#include "win32/wide.h"
#include "win32/win32_registry.h"
#include "win32/win32_system.h"
#include "win32/win32_xml.h"

namespace brimlet::win32 {
namespace {

constexpr size_t kMaxCabinetBytes = 64 << 20;
constexpr size_t kMaxSignatureBytes = 256;

bool IsFolder(const std::wstring& path) noexcept {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CreateFolders(const std::wstring& path) noexcept {
  const int result = ::SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
  return result == ERROR_SUCCESS || result == ERROR_ALREADY_EXISTS || result == ERROR_FILE_EXISTS;
}

struct Extraction {
  std::wstring folder;
  bool failed = false;
};

UINT CALLBACK OnCabinetNotification(PVOID context, UINT notification, UINT_PTR param1,
                                    UINT_PTR) noexcept {
  auto& extraction = *static_cast<Extraction*>(context);
  try {
    switch (notification) {
      case SPFILENOTIFY_FILEINCABINET: {
        auto& info = *reinterpret_cast<FILE_IN_CABINET_INFO_W*>(param1);
        const std::u16string name = FromWide(info.NameInCabinet);
        // The extraction service writes wherever the target says, "..\" included.
        if (!IsSafeCabinetEntryName(name)) break;
        const std::wstring target = extraction.folder + info.NameInCabinet;
        if (target.size() >= MAX_PATH) break;
        const std::wstring parent = target.substr(0, target.find_last_of(L"\\/"));
        if (!CreateFolders(parent)) break;
        std::wcscpy(info.FullTargetName, target.c_str());
        return FILEOP_DOIT;
      }
      case SPFILENOTIFY_FILEEXTRACTED: {
        const auto& paths = *reinterpret_cast<FILEPATHS_W*>(param1);
        if (paths.Win32Error != NO_ERROR) extraction.failed = true;
        return paths.Win32Error;
      }
      case SPFILENOTIFY_CABINETINFO: {
        // The extractor may never ask for the next cabinet of a set (Wine unpacks what it
        // has): a cabinet that names one is refused at once.
        const auto& info = *reinterpret_cast<CABINET_INFO_W*>(param1);
        if (info.CabinetFile && info.CabinetFile[0] != L'\0') break;
        return NO_ERROR;
      }
      case SPFILENOTIFY_NEEDNEWCABINET:
        extraction.failed = true;  // sets of cabinets are refused
        return ERROR_INVALID_PARAMETER;
      default:
        return 0;
    }
  } catch (...) {
  }
  extraction.failed = true;
  ::SetLastError(ERROR_INVALID_NAME);
  return FILEOP_ABORT;
}

std::wstring FreshExtractionFolder() {
  wchar_t temp[MAX_PATH + 1] = {};
  if (::GetTempPathW(MAX_PATH + 1, temp) == 0) return {};
  wchar_t folder[MAX_PATH] = {};
  for (;;) {
    std::swprintf(folder, MAX_PATH, L"%ls_926_%u", temp, ::GetTickCount());
    if (::GetFileAttributesW(folder) == INVALID_FILE_ATTRIBUTES) return folder;
    ::Sleep(10);
  }
}

std::optional<std::vector<std::byte>> Download(std::u16string_view address) {
  TemporaryDownloadFile file;
  if (FAILED(file.Create()) || !DownloadInto(address, file)) return std::nullopt;
  file.ReleaseHandle();
  return Win32FileSystem().ReadFile(FromWide(file.path()), kMaxSignatureBytes);
}

// The cabinet and, when the build requires it, its signature are in order.
bool SignatureAccepted(const CatalogueUpdateOptions& options, const std::u16string& partner,
                       const std::wstring& cabinet) {
  if (!options.publicKey) return true;
  const auto signature =
      Download(CatalogueCabinetAddress(options.host, partner, ::GetTickCount(), u".sig"));
  if (!signature) return false;
  const auto data = Win32FileSystem().ReadFile(FromWide(cabinet), kMaxCabinetBytes);
  return data && VerifyCatalogueSignature(*data, *signature, *options.publicKey);
}

// Download, check, unpack and install; the time is recorded by the caller.
void Attempt(const CatalogueUpdateOptions& options, Settings& settings) {
  const std::u16string partner = settings.Partner();
  TemporaryDownloadFile cabinet;
  if (FAILED(cabinet.Create())) return;
  if (!DownloadInto(CatalogueCabinetAddress(options.host, partner, ::GetTickCount()), cabinet)) {
    return;
  }
  cabinet.ReleaseHandle();
  if (!SignatureAccepted(options, partner, cabinet.path())) return;
  const std::wstring folder = FreshExtractionFolder();
  if (folder.empty() || !CreateFolders(folder)) return;
  const std::wstring extracted = folder + L"\\";
  if (ExtractCabinet(cabinet.path(), extracted)) {
    Win32FileSystem files;
    Win32XmlParser parser;
    if (!options.dataFolder.empty() &&
        IsNewerCatalogue(files, parser, FromWide(extracted), options.dataFolder,
                         options.programFolder) &&
        CreateFolders(ToWide(options.dataFolder))) {
      CopyOrDeleteTree(extracted, ToWide(options.dataFolder), false);
    }
  }
  CopyOrDeleteTree(extracted, L"", true);  // whatever happened, nothing stays behind
  cabinet.Reopen();
}

DWORD WINAPI CatalogueUpdateThread(void* parameter) noexcept {
  std::unique_ptr<CatalogueUpdateOptions> options(static_cast<CatalogueUpdateOptions*>(parameter));
  RunCatalogueUpdate(*options);
  return 0;
}

}  // namespace

void RunCatalogueUpdate(const CatalogueUpdateOptions& options) noexcept {
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  try {
    Win32MutexFactory mutexes;
    const NamedMutexResult mutex = mutexes.Create(kCatalogueUpdateMutex);
    if (!(mutex.handle && mutex.alreadyExisted)) {
      ::Sleep(options.delayMilliseconds);
      Win32Registry registry;
      Settings settings(registry);
      try {
        Attempt(options, settings);
      } catch (...) {
      }
      settings.SetLastSearchServiceConfig(Win32Clock().NowSeconds());
    }
  } catch (...) {
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
}

UniqueHandle StartCatalogueUpdate(CatalogueUpdateOptions options) noexcept {
  try {
    Win32Registry registry;
    Settings settings(registry);
    if (!IsCatalogueUpdateDue(settings.LastSearchServiceConfig(), Win32Clock().NowSeconds())) {
      return {};
    }
    auto owned = std::make_unique<CatalogueUpdateOptions>(std::move(options));
    UniqueHandle thread(::CreateThread(nullptr, 0, CatalogueUpdateThread, owned.get(), 0, nullptr));
    if (thread) owned.release();  // the thread owns it now
    return thread;
  } catch (...) {
    return {};
  }
}

bool ExtractCabinet(const std::wstring& cabinet, const std::wstring& folder) noexcept {
  try {
    Extraction extraction{folder};
    const BOOL ok = ::SetupIterateCabinetW(cabinet.c_str(), 0, OnCabinetNotification, &extraction);
    return ok && !extraction.failed;
  } catch (...) {
    return false;
  }
}

bool CopyOrDeleteTree(const std::wstring& source, const std::wstring& target,
                      bool remove) noexcept {
  try {
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((source + L"*.*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    std::vector<WIN32_FIND_DATAW> entries;
    do {
      if (std::wcscmp(found.cFileName, L".") != 0 && std::wcscmp(found.cFileName, L"..") != 0) {
        entries.push_back(found);
      }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    // Icons first, the catalogue that names them last.
    std::stable_partition(entries.begin(), entries.end(), [](const WIN32_FIND_DATAW& e) {
      return ::lstrcmpiW(e.cFileName, AsWide(std::u16string(kCatalogueFileName))) != 0;
    });
    for (const WIN32_FIND_DATAW& entry : entries) {
      const std::wstring name = entry.cFileName;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        const std::wstring targetFolder = remove ? std::wstring() : target + name + L"\\";
        if (!remove && !IsFolder(targetFolder) &&
            !::CreateDirectoryW(targetFolder.c_str(), nullptr)) {
          return false;
        }
        if (!CopyOrDeleteTree(source + name + L"\\", targetFolder, remove)) return false;
      } else if (remove) {
        if (!::DeleteFileW((source + name).c_str())) return false;
      } else if (!::CopyFileW((source + name).c_str(), (target + name).c_str(), FALSE)) {
        return false;
      }
    }
    return remove ? ::RemoveDirectoryW(source.c_str()) != FALSE : true;
  } catch (...) {
    return false;
  }
}

bool VerifyCatalogueSignature(std::span<const std::byte> data, std::span<const std::byte> signature,
                              const std::array<std::byte, 65>& publicKey) noexcept {
  auto raw = DerSignatureToRaw(signature);
  if (!raw) return false;
  BCRYPT_ALG_HANDLE sha = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  BCRYPT_ALG_HANDLE ecdsa = nullptr;
  BCRYPT_KEY_HANDLE key = nullptr;
  bool verified = false;
  UCHAR digest[32] = {};
  struct {
    BCRYPT_ECCKEY_BLOB header;
    std::byte xy[64];
  } blob = {{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32}, {}};
  std::copy(publicKey.begin() + 1, publicKey.end(), blob.xy);
  auto* bytes = reinterpret_cast<PUCHAR>(const_cast<std::byte*>(data.data()));
  if (BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(&sha, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) &&
      BCRYPT_SUCCESS(::BCryptCreateHash(sha, &hash, nullptr, 0, nullptr, 0, 0)) &&
      BCRYPT_SUCCESS(::BCryptHashData(hash, bytes, static_cast<ULONG>(data.size()), 0)) &&
      BCRYPT_SUCCESS(::BCryptFinishHash(hash, digest, sizeof(digest), 0)) &&
      BCRYPT_SUCCESS(
          ::BCryptOpenAlgorithmProvider(&ecdsa, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0)) &&
      BCRYPT_SUCCESS(::BCryptImportKeyPair(ecdsa, nullptr, BCRYPT_ECCPUBLIC_BLOB, &key,
                                           reinterpret_cast<PUCHAR>(&blob), sizeof(blob), 0))) {
    verified = BCRYPT_SUCCESS(::BCryptVerifySignature(key, nullptr, digest, sizeof(digest),
                                                      reinterpret_cast<PUCHAR>(raw->data()),
                                                      static_cast<ULONG>(raw->size()), 0));
  }
  if (key) ::BCryptDestroyKey(key);
  if (ecdsa) ::BCryptCloseAlgorithmProvider(ecdsa, 0);
  if (hash) ::BCryptDestroyHash(hash);
  if (sha) ::BCryptCloseAlgorithmProvider(sha, 0);
  return verified;
}

}  // namespace brimlet::win32
