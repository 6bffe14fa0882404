#include "settings.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "endpoints.h"
#include "text/utf16.h"

namespace brimlet {
namespace {

constexpr size_t kMaxTextBytes = 64 * 1024;  // far above any setting; bounds a hostile value

uint32_t LoadDword(const std::array<std::byte, 4>& bytes) noexcept {
  uint32_t value;
  std::memcpy(&value, bytes.data(), 4);
  return value;
}

std::span<const std::byte> AsBytes(const uint32_t& value) noexcept {
  return {reinterpret_cast<const std::byte*>(&value), 4};
}

}  // namespace

VersionNumber ParseVersionNumber(std::u16string_view dotted) noexcept {
  VersionNumber result = 0;
  int part = 0;
  size_t start = 0;
  while (part < 4 && start <= dotted.size()) {
    size_t end = dotted.find(u'.', start);
    if (end == std::u16string_view::npos) end = dotted.size();
    const auto piece = dotted.substr(start, end - start);
    if (!piece.empty()) {
      const auto value = static_cast<uint64_t>(ParseDecimalPrefix(piece)) & 0xFFFF;
      result |= value << (48 - 16 * part);
      ++part;
    }
    start = end + 1;
  }
  return result;
}

VersionTriple ParseVersionTriple(std::u16string_view dotted) noexcept {
  const VersionNumber v = ParseVersionNumber(dotted);
  return {static_cast<uint32_t>((v >> 48) & 0xFFFF), static_cast<uint32_t>((v >> 32) & 0xFFFF),
          static_cast<uint32_t>((v >> 16) & 0xFFFF)};
}

std::u16string DataFolderFrom(std::u16string_view appData) {
  std::u16string folder(appData);
  auto appendPart = [&](std::u16string_view part) {
    if (!folder.empty() && folder.back() != u'\\') folder += u'\\';
    folder += part;
  };
  appendPart(u"Zelvo\\");
  folder += u"BrimletBox";
  appendPart(kGadgetGuid);
  folder += u'\\';
  return folder;
}

bool Settings::TryReadNumber(std::u16string_view name, uint32_t& out) const noexcept {
  std::array<std::byte, 4> bytes{};
  const RegistryQuery q =
      registry_.QueryValue(RegistryRoot::kCurrentUser, kSettingsKey, name, bytes);
  if (!IsStoredNumber(q)) return false;
  out = LoadDword(bytes);
  return true;
}

bool Settings::ReadFlag(std::u16string_view name, bool fallback) const noexcept {
  uint32_t value;
  return TryReadNumber(name, value) ? value != 0 : fallback;
}

int32_t Settings::ReadNumber(std::u16string_view name, int32_t fallback) const noexcept {
  uint32_t value;
  return TryReadNumber(name, value) ? static_cast<int32_t>(value) : fallback;
}

std::u16string Settings::ReadText(RegistryRoot root, std::u16string_view key,
                                  std::u16string_view name) const {
  const RegistryQuery probe = registry_.QueryValue(root, key, name, {});
  if ((probe.status != RegistryStatus::kOk && probe.status != RegistryStatus::kMoreData) ||
      probe.type != reg_type::kSz || probe.size > kMaxTextBytes) {
    return {};
  }
  std::u16string text(probe.size / 2, u'\0');
  std::span<std::byte> buffer(reinterpret_cast<std::byte*>(text.data()), text.size() * 2);
  if (buffer.empty()) return {};
  const RegistryQuery read = registry_.QueryValue(root, key, name, buffer);
  if (read.status != RegistryStatus::kOk || read.type != reg_type::kSz) return {};
  text.resize(std::min(text.size(), read.size / 2));
  // Stored with or without a terminator: the text ends at the first zero.
  if (const auto zero = text.find(u'\0'); zero != std::u16string::npos) text.resize(zero);
  return text;
}

void Settings::WriteFlag(std::u16string_view name, bool value) noexcept {
  WriteNumber(name, value ? 1 : 0);
}

void Settings::WriteNumber(std::u16string_view name, int32_t value) noexcept {
  const auto raw = static_cast<uint32_t>(value);
  registry_.SetValue(RegistryRoot::kCurrentUser, kSettingsKey, name, reg_type::kDword,
                     AsBytes(raw));
}

void Settings::WriteText(std::u16string_view name, std::u16string_view value) noexcept {
  // Exactly twice the length: no terminator is stored.
  registry_.SetValue(RegistryRoot::kCurrentUser, kSettingsKey, name, reg_type::kSz,
                     {reinterpret_cast<const std::byte*>(value.data()), value.size() * 2});
}

#define BRIMLET_FLAG(Name, Default)                                             \
  bool Settings::Name() const noexcept { return ReadFlag(u## #Name, Default); } \
  void Settings::Set##Name(bool value) noexcept { WriteFlag(u## #Name, value); }
#define BRIMLET_NUMBER(Name, Default)                                                \
  int32_t Settings::Name() const noexcept { return ReadNumber(u## #Name, Default); } \
  void Settings::Set##Name(int32_t value) noexcept { WriteNumber(u## #Name, value); }
#define BRIMLET_TIME(Name)                                                     \
  uint32_t Settings::Name() const noexcept {                                   \
    return static_cast<uint32_t>(ReadNumber(u## #Name, 0));                    \
  }                                                                            \
  void Settings::Set##Name(int64_t time) noexcept {                            \
    WriteNumber(u## #Name, static_cast<int32_t>(static_cast<uint32_t>(time))); \
  }
#define BRIMLET_TEXT(Name)                                                \
  std::u16string Settings::Name() const {                                 \
    return ReadText(RegistryRoot::kCurrentUser, kSettingsKey, u## #Name); \
  }                                                                       \
  void Settings::Set##Name(std::u16string_view value) noexcept { WriteText(u## #Name, value); }

BRIMLET_FLAG(RestoreLastWindowPos, false)
BRIMLET_FLAG(UseLargeSearchBox, true)
BRIMLET_FLAG(HideAtInactivate, true)
BRIMLET_FLAG(SnapSearchBox, true)
BRIMLET_FLAG(RememberImeState, true)
BRIMLET_FLAG(ImmOpenStatus, false)
BRIMLET_FLAG(SearchBoxDesignMigrated, false)
BRIMLET_FLAG(UseCustomSearchWordsColor, false)
BRIMLET_FLAG(UseKeyboardHook, true)
BRIMLET_FLAG(RememberLastSearchEngine, false)
BRIMLET_FLAG(SetDefaultSearchEngine, false)
BRIMLET_FLAG(RecordSearchWords, false)
BRIMLET_FLAG(ShowLastSearchWords, false)
BRIMLET_FLAG(Update, true)
BRIMLET_FLAG(RunOnce, false)
BRIMLET_FLAG(SearchSuggestions, false)
BRIMLET_FLAG(PrepareSearchBox, true)

BRIMLET_NUMBER(LastWindowPosLeft, 0)
BRIMLET_NUMBER(LastWindowPosTop, 0)
BRIMLET_NUMBER(LastWindowPosRight, 0)
BRIMLET_NUMBER(LastWindowPosBottom, 0)
BRIMLET_NUMBER(ImmConversionMode, 0)
BRIMLET_NUMBER(ImmSentenceMode, 0)
BRIMLET_NUMBER(SearchBoxDesign, 0)
BRIMLET_NUMBER(SearchBoxTransparency, 100)
BRIMLET_NUMBER(NotifyCount, 0)
BRIMLET_NUMBER(SearchBox, 0)
BRIMLET_NUMBER(SearchBoxMonthly, 0)
BRIMLET_NUMBER(Configure, 0)
BRIMLET_NUMBER(ConfigureMonthly, 0)
BRIMLET_NUMBER(Search, 0)
BRIMLET_NUMBER(SearchMonthly, 0)

BRIMLET_TIME(LastLiveLog)
BRIMLET_TIME(LastMonthLog)
BRIMLET_TIME(LastSearchServiceConfig)
BRIMLET_TIME(LastNotify)

BRIMLET_TEXT(DefaultSearchEngine)
BRIMLET_TEXT(LastSearchEngine)
BRIMLET_TEXT(HighestCatalogueVersion)

#undef BRIMLET_FLAG
#undef BRIMLET_NUMBER
#undef BRIMLET_TIME
#undef BRIMLET_TEXT

ColorRef Settings::CustomSearchWordsColor() const noexcept {
  uint32_t value;
  if (TryReadNumber(u"CustomSearchWordsColor", value)) return value;
  // Follows the system colours until the user saves a colour of their own.
  return windowTextColor_ ? windowTextColor_() : 0;
}
void Settings::SetCustomSearchWordsColor(ColorRef value) noexcept {
  WriteNumber(u"CustomSearchWordsColor", static_cast<int32_t>(value));
}

int32_t Settings::KeyStroke() const noexcept {
  return KeyStrokeFromStored(ReadNumber(u"KeyStroke", 0));
}
void Settings::SetKeyStroke(int32_t value) noexcept { WriteNumber(u"KeyStroke", value); }

int32_t Settings::KeyStrokeMonthly() const noexcept {
  const int32_t value = ReadNumber(u"KeyStrokeMonthly", 0);
  return value > 5 ? 0 : value;
}
void Settings::SetKeyStrokeMonthly(int32_t value) noexcept {
  WriteNumber(u"KeyStrokeMonthly", value);
}

Rect Settings::LastWindowRect() const noexcept {
  return {LastWindowPosLeft(), LastWindowPosTop(), LastWindowPosRight(), LastWindowPosBottom()};
}
Point Settings::LastWindowPoint() const noexcept {
  return {LastWindowPosLeft(), LastWindowPosTop()};
}
bool Settings::HasLastWindowPos() const noexcept {
  uint32_t ignored;
  return TryReadNumber(u"LastWindowPosLeft", ignored) &&
         TryReadNumber(u"LastWindowPosTop", ignored);
}
void Settings::SetLastWindowRect(const Rect& rect) noexcept {
  SetLastWindowPosLeft(rect.left);
  SetLastWindowPosTop(rect.top);
  SetLastWindowPosRight(rect.right);
  SetLastWindowPosBottom(rect.bottom);
}
void Settings::SetLastWindowPoint(const Point& point) noexcept {
  SetLastWindowPosLeft(point.x);
  SetLastWindowPosTop(point.y);
}

std::u16string Settings::Version() const {
  return ReadText(RegistryRoot::kLocalMachine, kProductKey, u"Version");
}
std::u16string Settings::Partner() const {
  std::u16string partner = ReadText(RegistryRoot::kLocalMachine, kProductKey, u"Partner");
  // The code goes unescaped into the help, notice, catalogue and log addresses: one that
  // could add a parameter or climb a path ("&", "/", "..") is malformed and reads as missing.
  const bool plain = std::all_of(partner.begin(), partner.end(), [](char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           c == u'_' || c == u'-';
  });
  if (!plain) partner.clear();
  return partner;
}
bool Settings::HasUpgrade() const noexcept {
  // Any type, any data: only existence counts.
  return registry_.QueryValue(RegistryRoot::kLocalMachine, kProductKey, u"Upgrade", {}).status ==
         RegistryStatus::kOk;
}
VersionNumber Settings::InstalledVersionNumber() const { return ParseVersionNumber(Version()); }

std::u16string Settings::HelpAddress(std::u16string_view placeCode) const {
  std::u16string helpPage = AsciiToUtf16(kHelpHost) + u"/brimletbox/help.htm";
  std::u16string escapedPage;
  for (char16_t c : helpPage) {
    if (c == u':')
      escapedPage += u"%3a";
    else if (c == u'/')
      escapedPage += u"%2f";
    else if (c == u'.')
      escapedPage += u"%2e";
    else
      escapedPage += c;
  }
  const VersionTriple v = ParseVersionTriple(Version());
  std::u16string address =
      AsciiToUtf16(kHelpHost) + u"/go.phtml?type=cnt&fm=13&agent=&partner=AP&lang=utf&url=" +
      escapedPage + u"&name=bmb_" + Partner() + u"_help_fr_" + std::u16string(placeCode) + u"_v" +
      FormatDecimal(v.a) + u"_" + FormatDecimal(v.b) + u"_" + FormatDecimal(v.c);
  // The address was formatted into a 1,024-character buffer.
  if (address.size() > 1023) address.resize(1023);
  return address;
}

}  // namespace brimlet
