// The search-box program's persistent settings, counters and time stamps. Every value is
// read from and written to the registry at the moment of use: there is no cache, because
// the box, the settings dialog, the start role and the keyboard hook in other programs
// all share these values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ports/geometry.h"
#include "ports/registry.h"
#include "settings_rules.h"

namespace brimlet {

// 0x00BBGGRR, as a COLORREF.
using ColorRef = uint32_t;

// A dotted version a.b.c.d packed as a·2^48 + b·2^32 + c·2^16 + d.
using VersionNumber = uint64_t;
// Splits at "." (empty parts skipped), at most four parts, each converted like wtoi and cut
// to its low 16 bits; missing parts count 0.
VersionNumber ParseVersionNumber(std::u16string_view dotted) noexcept;
// The first three parts of a dotted version, each cut to 16 bits.
struct VersionTriple {
  uint32_t a = 0, b = 0, c = 0;
};
VersionTriple ParseVersionTriple(std::u16string_view dotted) noexcept;

// The data folder below an application data folder: backslashes added only where missing.
std::u16string DataFolderFrom(std::u16string_view appData);

class Settings {
 public:
  // windowTextColor supplies the default of "CustomSearchWordsColor" at the time of reading.
  using ColorSource = ColorRef (*)() noexcept;
  explicit Settings(IRegistry& registry, ColorSource windowTextColor = nullptr) noexcept
      : registry_(registry), windowTextColor_(windowTextColor) {}

  // Flags.
  bool RestoreLastWindowPos() const noexcept;
  void SetRestoreLastWindowPos(bool value) noexcept;
  bool UseLargeSearchBox() const noexcept;
  void SetUseLargeSearchBox(bool value) noexcept;
  bool HideAtInactivate() const noexcept;
  void SetHideAtInactivate(bool value) noexcept;
  bool SnapSearchBox() const noexcept;
  void SetSnapSearchBox(bool value) noexcept;
  bool RememberImeState() const noexcept;
  void SetRememberImeState(bool value) noexcept;
  bool ImmOpenStatus() const noexcept;
  void SetImmOpenStatus(bool value) noexcept;
  bool SearchBoxDesignMigrated() const noexcept;
  void SetSearchBoxDesignMigrated(bool value) noexcept;
  bool UseCustomSearchWordsColor() const noexcept;
  void SetUseCustomSearchWordsColor(bool value) noexcept;
  bool UseKeyboardHook() const noexcept;
  void SetUseKeyboardHook(bool value) noexcept;
  bool RememberLastSearchEngine() const noexcept;
  void SetRememberLastSearchEngine(bool value) noexcept;
  bool SetDefaultSearchEngine() const noexcept;
  void SetSetDefaultSearchEngine(bool value) noexcept;
  bool RecordSearchWords() const noexcept;
  void SetRecordSearchWords(bool value) noexcept;
  bool ShowLastSearchWords() const noexcept;
  void SetShowLastSearchWords(bool value) noexcept;
  bool Update() const noexcept;
  void SetUpdate(bool value) noexcept;
  bool RunOnce() const noexcept;
  void SetRunOnce(bool value) noexcept;
  // Off by default: when on, the typed words go to the current engine's suggestion address.
  bool SearchSuggestions() const noexcept;
  void SetSearchSuggestions(bool value) noexcept;
  // The host keeps a box process prepared, shown at once by the next summon; off, every
  // summon starts a new box process.
  bool PrepareSearchBox() const noexcept;
  void SetPrepareSearchBox(bool value) noexcept;

  // Numbers.
  int32_t LastWindowPosLeft() const noexcept;
  void SetLastWindowPosLeft(int32_t value) noexcept;
  int32_t LastWindowPosTop() const noexcept;
  void SetLastWindowPosTop(int32_t value) noexcept;
  int32_t LastWindowPosRight() const noexcept;
  void SetLastWindowPosRight(int32_t value) noexcept;
  int32_t LastWindowPosBottom() const noexcept;
  void SetLastWindowPosBottom(int32_t value) noexcept;
  int32_t ImmConversionMode() const noexcept;
  void SetImmConversionMode(int32_t value) noexcept;
  int32_t ImmSentenceMode() const noexcept;
  void SetImmSentenceMode(int32_t value) noexcept;
  int32_t SearchBoxDesign() const noexcept;
  void SetSearchBoxDesign(int32_t value) noexcept;
  int32_t SearchBoxTransparency() const noexcept;
  void SetSearchBoxTransparency(int32_t value) noexcept;
  ColorRef CustomSearchWordsColor() const noexcept;
  void SetCustomSearchWordsColor(ColorRef value) noexcept;
  // 0 Ctrl, 1 Shift, 2 left Ctrl, 3 right Ctrl, 4 left Shift, 5 right Shift; above 5 reads 0.
  int32_t KeyStroke() const noexcept;
  void SetKeyStroke(int32_t value) noexcept;
  int32_t KeyStrokeMonthly() const noexcept;
  void SetKeyStrokeMonthly(int32_t value) noexcept;
  int32_t NotifyCount() const noexcept;
  void SetNotifyCount(int32_t value) noexcept;

  // Counters.
  int32_t SearchBox() const noexcept;
  void SetSearchBox(int32_t value) noexcept;
  int32_t SearchBoxMonthly() const noexcept;
  void SetSearchBoxMonthly(int32_t value) noexcept;
  int32_t Configure() const noexcept;
  void SetConfigure(int32_t value) noexcept;
  int32_t ConfigureMonthly() const noexcept;
  void SetConfigureMonthly(int32_t value) noexcept;
  int32_t Search() const noexcept;
  void SetSearch(int32_t value) noexcept;
  int32_t SearchMonthly() const noexcept;
  void SetSearchMonthly(int32_t value) noexcept;

  // Time stamps: seconds since 1970 UTC, low 32 bits; 0 = never.
  uint32_t LastLiveLog() const noexcept;
  void SetLastLiveLog(int64_t time) noexcept;
  uint32_t LastMonthLog() const noexcept;
  void SetLastMonthLog(int64_t time) noexcept;
  uint32_t LastSearchServiceConfig() const noexcept;
  void SetLastSearchServiceConfig(int64_t time) noexcept;
  uint32_t LastNotify() const noexcept;
  void SetLastNotify(int64_t time) noexcept;

  // Texts.
  std::u16string DefaultSearchEngine() const;
  void SetDefaultSearchEngine(std::u16string_view value) noexcept;
  std::u16string LastSearchEngine() const;
  void SetLastSearchEngine(std::u16string_view value) noexcept;
  // The highest catalogue version this user's update ever installed (dotted): an older
  // catalogue cannot come back once the installed copy is lost.
  std::u16string HighestCatalogueVersion() const;
  void SetHighestCatalogueVersion(std::u16string_view value) noexcept;

  // The saved window position.
  Rect LastWindowRect() const noexcept;
  Point LastWindowPoint() const noexcept;
  // True only when both "LastWindowPosLeft" and "LastWindowPosTop" can be read.
  bool HasLastWindowPos() const noexcept;
  void SetLastWindowRect(const Rect& rect) noexcept;
  void SetLastWindowPoint(const Point& point) noexcept;

  // Per-machine values written by the installer (read only).
  std::u16string Version() const;
  // Letters, digits, "_" and "-" only; any other text reads as missing.
  std::u16string Partner() const;
  bool HasUpgrade() const noexcept;
  VersionNumber InstalledVersionNumber() const;

  // The help page address for a place code ("sb" from the boxes, "cfg" from the dialog).
  std::u16string HelpAddress(std::u16string_view placeCode) const;

  // Raw access by value name, for the few callers that iterate over values.
  bool ReadFlag(std::u16string_view name, bool fallback) const noexcept;
  int32_t ReadNumber(std::u16string_view name, int32_t fallback) const noexcept;
  std::u16string ReadText(RegistryRoot root, std::u16string_view key,
                          std::u16string_view name) const;
  void WriteFlag(std::u16string_view name, bool value) noexcept;
  void WriteNumber(std::u16string_view name, int32_t value) noexcept;
  void WriteText(std::u16string_view name, std::u16string_view value) noexcept;

 private:
  bool TryReadNumber(std::u16string_view name, uint32_t& out) const noexcept;

  IRegistry& registry_;
  ColorSource windowTextColor_;
};

}  // namespace brimlet
