#include "native/posix_files.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <fstream>
#include <iterator>

#include "text/utf16.h"
#include "ports/trace.h"

namespace brimlet {

bool PosixFileSystem::FileExists(std::u16string_view path) const noexcept {
  try {
    struct stat st {};
    return ::stat(Utf16ToUtf8(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
  }
  BRIMLET_CATCH_RETURN_VALUE(false)
}

std::optional<std::vector<std::byte>> PosixFileSystem::ReadFile(std::u16string_view path,
                                                                size_t maxBytes) const {
  std::ifstream in(Utf16ToUtf8(path), std::ios::binary);
  if (!in) return std::nullopt;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0 || static_cast<uint64_t>(size) > maxBytes) return std::nullopt;
  in.seekg(0);
  std::vector<std::byte> data(static_cast<size_t>(size));
  in.read(reinterpret_cast<char*>(data.data()), size);
  data.resize(static_cast<size_t>(in.gcount()));
  return data;
}

bool PosixFileSystem::WriteFile(std::u16string_view path, std::span<const std::byte> data) {
  std::ofstream out(Utf16ToUtf8(path), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  return static_cast<bool>(out);
}

bool PosixFileSystem::RemoveFile(std::u16string_view path) noexcept {
  try {
    return std::remove(Utf16ToUtf8(path).c_str()) == 0;
  }
  BRIMLET_CATCH_RETURN_VALUE(false)
}

std::optional<std::vector<FolderEntry>> PosixFileSystem::ListFolder(
    std::u16string_view folder) const {
  const std::string path = Utf16ToUtf8(folder);
  // Closed on every path, an exception included.
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(path.c_str()), &::closedir);
  if (dir == nullptr) return std::nullopt;
  std::vector<FolderEntry> entries;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat st {};
    const bool isFolder = ::stat((path + "/" + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    entries.push_back({Utf8ToUtf16(name), isFolder});
  }
  return entries;
}

bool PosixFileSystem::CreateFolder(std::u16string_view path) noexcept {
  try {
    std::error_code error;
    const std::filesystem::path target(Utf16ToUtf8(path));
    std::filesystem::create_directories(target, error);
    return std::filesystem::is_directory(target, error);
  }
  BRIMLET_CATCH_RETURN_VALUE(false)
}

}  // namespace brimlet
