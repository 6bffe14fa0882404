#include "catalogue_update_win32.h"

#include <objbase.h>
#include <setupapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <vector>

#include "catalogue_reader.h"
#include "catalogue_signature_win32.h"
#include "download_win32.h"
#include "text/utf16.h"
#include "win32/trace.h"
#include "win32/wide.h"
#include "win32/win32_registry.h"
#include "win32/win32_system.h"
#include "win32/win32_xml.h"

namespace brimlet::win32 {
namespace {

constexpr wchar_t kNewCatalogueSuffix[] = L".new";
constexpr int64_t kFileTimeTicksPerSecond = 10'000'000;

void Refuse(std::u16string_view why) noexcept {
  try {
    Trace(u"Brimlet: catalogue update refused: " + std::u16string(why));
  }
  BRIMLET_CATCH_LOG()
}

bool IsFolder(const std::wstring& path) noexcept {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CreateFolders(const std::wstring& path) noexcept {
  const int result = ::SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
  return result == ERROR_SUCCESS || result == ERROR_ALREADY_EXISTS || result == ERROR_FILE_EXISTS;
}

std::wstring TempFolder() {
  wchar_t temp[MAX_PATH + 1] = {};
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
  if (length == 0 || length > MAX_PATH) return {};
  return temp;
}

struct Extraction {
  std::wstring folder;
  CabinetBudget budget;
  bool failed = false;
  std::u16string why;  // why it failed, when that could be said
};

UINT CALLBACK OnCabinetNotification(PVOID context, UINT notification, UINT_PTR param1,
                                    UINT_PTR) noexcept {
  auto& extraction = *static_cast<Extraction*>(context);
  try {
    switch (notification) {
      case SPFILENOTIFY_FILEINCABINET: {
        auto& info = *reinterpret_cast<FILE_IN_CABINET_INFO_W*>(param1);
        const std::u16string name = FromWide(info.NameInCabinet);
        // The extraction service writes wherever the target says, "..\" and devices
        // included: only names and sizes the budget accepts get a target.
        const EntryVerdict verdict = extraction.budget.Admit(name, info.FileSize);
        if (verdict != EntryVerdict::kAccepted) {
          extraction.why = std::u16string(DescribeEntryVerdict(verdict)) + u" (" + name + u")";
          break;
        }
        const std::wstring target = extraction.folder + info.NameInCabinet;
        if (target.size() >= MAX_PATH) {
          extraction.why = u"an entry's path is too long";
          break;
        }
        const std::wstring parent = target.substr(0, target.find_last_of(L'\\'));
        if (!CreateFolders(parent)) {
          extraction.why = u"a folder could not be created";
          break;
        }
        std::wcscpy(info.FullTargetName, target.c_str());
        return FILEOP_DOIT;
      }
      case SPFILENOTIFY_FILEEXTRACTED: {
        const auto& paths = *reinterpret_cast<FILEPATHS_W*>(param1);
        if (paths.Win32Error != NO_ERROR) {
          extraction.failed = true;
          extraction.why = u"an entry could not be unpacked";
        }
        return paths.Win32Error;
      }
      case SPFILENOTIFY_CABINETINFO: {
        // The extractor may never ask for the next cabinet of a set (Wine unpacks what it
        // has): a cabinet that names one is refused at once.
        const auto& info = *reinterpret_cast<CABINET_INFO_W*>(param1);
        if (info.CabinetFile && info.CabinetFile[0] != L'\0') {
          extraction.why = u"the cabinet continues in another one";
          break;
        }
        return NO_ERROR;
      }
      case SPFILENOTIFY_NEEDNEWCABINET:
        extraction.failed = true;
        extraction.why = u"the cabinet continues in another one";
        return ERROR_INVALID_PARAMETER;
      default:
        return 0;
    }
  }
  BRIMLET_CATCH_LOG()
  extraction.failed = true;
  ::SetLastError(ERROR_INVALID_NAME);
  return FILEOP_ABORT;
}

// A folder of the temporary folder that does not exist yet, its length checked for the
// longest entry; empty when the temporary folder's path is too long.
std::wstring FreshExtractionFolder() {
  const std::wstring temp = TempFolder();
  if (temp.empty()) return {};
  SystemCacheBuster random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const auto folder = ExtractionFolderPath(FromWide(temp), random.Next());
    if (!folder) return {};
    const std::wstring path = ToWide(*folder);
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return path;
  }
  return {};
}

bool WriteFlushed(const std::wstring& path, std::span<const std::byte> bytes) noexcept {
  UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
         written == bytes.size() && ::FlushFileBuffers(file.get());
}

int64_t AgeSeconds(const FILETIME& written) noexcept {
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  auto ticks = [](const FILETIME& t) {
    return static_cast<int64_t>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
  };
  return (ticks(now) - ticks(written)) / kFileTimeTicksPerSecond;
}

// Download, check, unpack, check again and install; the time is recorded by the caller.
void Attempt(const CatalogueUpdateOptions& options, Settings& settings, const std::wstring& folder) {
  const std::u16string partner = settings.Partner();
  SystemCacheBuster cacheBuster;
  const BuildSignaturePolicy signatures(options.publicKey, options.allowUnsigned);
  TemporaryDownloadFile cabinet;
  if (FAILED(cabinet.Create())) return;
  if (!DownloadInto(CatalogueCabinetAddress(options.host, partner, cacheBuster.Next()), cabinet,
                    kMaxCabinetBytes)) {
    return;
  }
  cabinet.ReleaseHandle();
  const auto cabinetBytes = Win32FileSystem().ReadFile(FromWide(cabinet.path()), kMaxCabinetBytes);
  if (!cabinetBytes) return;
  std::optional<std::vector<std::byte>> statement;
  if (signatures.policy().verifier) {
    statement = DownloadBytes(
        CatalogueCabinetAddress(options.host, partner, cacheBuster.Next(), u".sig"),
        kMaxStatementBytes);
  }
  const SignatureCheck signature = CheckSignature(signatures.policy(), SignedPurpose::kCatalogue,
                                                  partner, *cabinetBytes, statement);
  if (!signature.accepted()) return Refuse(DescribeSignature(signature.verdict));

  if (folder.empty()) return Refuse(u"the temporary folder's path is too long");
  if (!CreateFolders(folder)) return;
  const std::wstring extracted = folder + L"\\";
  std::u16string why;
  if (!ExtractCabinet(cabinet.path(), extracted, &why)) return Refuse(why);

  Win32FileSystem files;
  Win32XmlParser parser;
  const auto candidate =
      files.ReadFile(FromWide(extracted) + std::u16string(kCatalogueFileName), kMaxCabinetEntryBytes);
  if (!candidate) return Refuse(u"the cabinet holds no catalogue");
  const VersionNumber highest = ParseVersionNumber(settings.HighestCatalogueVersion());
  const VersionNumber inUse =
      CatalogueInUseVersion(files, parser, options.dataFolder, options.programFolder).value_or(0);
  const CandidateCheck check =
      CheckCandidateCatalogue(parser, *candidate, signature.version, std::max(highest, inUse));
  if (check.verdict != CandidateVerdict::kAccepted) return Refuse(DescribeCandidate(check.verdict));
  if (options.dataFolder.empty()) return Refuse(u"no data folder");
  if (!InstallCatalogue(extracted, ToWide(options.dataFolder), *candidate)) {
    return Refuse(u"the catalogue could not be installed");
  }
  settings.SetHighestCatalogueVersion(FormatVersionNumber(check.version));
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
    // One that exists, or that another user's process holds and we may not open, means
    // another update runs.
    const NamedMutexResult mutex = mutexes.Create(kCatalogueUpdateMutex);
    if (!mutex.alreadyExisted) {
      ::Sleep(options.delayMilliseconds);
      Win32Registry registry;
      Settings settings(registry);
      const std::wstring folder = FreshExtractionFolder();
      try {
        Attempt(options, settings, folder);
      }
      BRIMLET_CATCH_LOG()
      // Whatever happened, nothing of the attempt stays behind.
      if (!folder.empty() && IsFolder(folder)) DeleteTree(folder + L"\\");
      settings.SetLastSearchServiceConfig(Win32Clock().NowSeconds());
    }
  }
  BRIMLET_CATCH_LOG()
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
  }
  BRIMLET_CATCH_RETURN_VALUE({})
}

bool ExtractCabinet(const std::wstring& cabinet, const std::wstring& folder,
                    std::u16string* why) noexcept {
  try {
    Extraction extraction{folder, {}, false, {}};
    const BOOL ok = ::SetupIterateCabinetW(cabinet.c_str(), 0, OnCabinetNotification, &extraction);
    if (ok && !extraction.failed) return true;
    if (why) *why = extraction.why.empty() ? u"the cabinet is damaged" : extraction.why;
    return false;
  }
  BRIMLET_CATCH_RETURN_VALUE(false)
}

bool InstallCatalogue(const std::wstring& extractedFolder, const std::wstring& dataFolder,
                      std::span<const std::byte> catalogue) noexcept {
  try {
    if (!CreateFolders(dataFolder)) return false;
    // The icons: a cut icon shows as a blank picture at worst, and the catalogue that
    // names them comes after them.
    const std::wstring images = extractedFolder + L"image\\";
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((images + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      bool copied = CreateFolders(dataFolder + L"image");
      do {
        if (!copied) break;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        copied = ::CopyFileW((images + found.cFileName).c_str(),
                             (dataFolder + L"image\\" + found.cFileName).c_str(), FALSE) != FALSE;
      } while (::FindNextFileW(search, &found));
      ::FindClose(search);
      if (!copied) return false;
    }
    const std::wstring live = dataFolder + AsWide(std::u16string(kCatalogueFileName));
    const std::wstring fresh = live + kNewCatalogueSuffix;
    if (!WriteFlushed(fresh, catalogue) ||
        !::MoveFileExW(fresh.c_str(), live.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      ::DeleteFileW(fresh.c_str());
      return false;
    }
    return true;
  }
  BRIMLET_CATCH_RETURN_VALUE(false)
}

bool DeleteTree(const std::wstring& folder) noexcept {
  try {
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((folder + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        ok = DeleteTree(folder + name + L"\\") && ok;
      } else {
        ok = ::DeleteFileW((folder + name).c_str()) && ok;
      }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return ::RemoveDirectoryW(folder.c_str()) && ok;
  }
  BRIMLET_CATCH_RETURN_VALUE(false)
}

int RemoveStaleLeftovers() noexcept {
  try {
    const std::wstring temp = TempFolder();
    if (temp.empty()) return 0;
    int removed = 0;
    for (const wchar_t* pattern : {L"TFR*", L"_926_*"}) {
      WIN32_FIND_DATAW found;
      HANDLE search = ::FindFirstFileW((temp + pattern).c_str(), &found);
      if (search == INVALID_HANDLE_VALUE) continue;
      do {
        const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (!IsStaleLeftover(FromWide(found.cFileName), isFolder, AgeSeconds(found.ftLastWriteTime))) {
          continue;
        }
        const std::wstring path = temp + found.cFileName;
        if (isFolder ? DeleteTree(path + L"\\") : ::DeleteFileW(path.c_str()) != FALSE) ++removed;
      } while (::FindNextFileW(search, &found));
      ::FindClose(search);
    }
    if (removed > 0) {
      Trace(u"Brimlet: removed " + FormatDecimal(removed) +
            u" download files and folders that an earlier run left behind");
    }
    return removed;
  }
  BRIMLET_CATCH_RETURN_VALUE(0)
}

}  // namespace brimlet::win32
