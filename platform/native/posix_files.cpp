#include "native/posix_files.h"

#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "text/utf16.h"

namespace brimlet {

bool PosixFileSystem::FileExists(std::u16string_view path) const noexcept {
  try {
    struct stat st {};
    return ::stat(Utf16ToUtf8(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
  } catch (...) {
    return false;
  }
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
  } catch (...) {
    return false;
  }
}

}  // namespace brimlet
