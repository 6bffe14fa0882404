// The ready box: a search-role process that the host starts in advance. It prepares the box
// of the current design hidden (catalogue read, window made, toolbars and icons drawn) and
// waits; a summon shows it at once. It holds the search role's mutex only while its box is
// on screen, counts the box when it is shown, and at that moment takes everything that may
// have changed since it was prepared, or gives way to a cold box where it cannot.
#pragma once

#include <cstdint>
#include <string>

#include "roles.h"

namespace brimlet {

// One catalogue file as the box would find it: whether it is there, when it was written
// and its size.
struct FileStamp {
  bool exists = false;
  uint64_t writeTime = 0;
  uint64_t size = 0;
  bool operator==(const FileStamp&) const = default;
};

// What a prepared window was made for; a change in any of them needs another window.
struct BoxPreparation {
  int32_t design = 0;  // "SearchBoxDesign"
  bool large = false;  // "UseLargeSearchBox"
  uint32_t dpi = 96;
  FileStamp dataCatalogue;     // the data folder's copy, taken first when it is there
  FileStamp programCatalogue;  // the copy beside the program
  bool operator==(const BoxPreparation&) const = default;
};

enum class ReadyShow {
  kShow,     // the prepared window serves: the rest is taken afresh as it is shown
  kRebuild,  // same design, but its size, DPI or catalogue changed: make the window again
  kGiveWay,  // a cold box must run: the design changed, a first-run rule is due, or the
             // user turned the prepared box off
};

// May the prepared box be shown as it is at a summon?
ReadyShow DecideReadyShow(const BoxPreparation& prepared, const BoxPreparation& now,
                          const Settings& settings) noexcept;

// The platform side of a prepared box.
class IPreparedBox {
 public:
  virtual ~IPreparedBox() = default;
  // What the window was made for, and what the settings, display and files say now.
  virtual BoxPreparation Prepared() const noexcept = 0;
  virtual BoxPreparation Current() const noexcept = 0;
  // Takes the foreground and the focus for the hidden window at once, so the keys typed from
  // now on wait in its queue instead of reaching the program behind.
  virtual void TakeForeground() noexcept = 0;
  // Makes the window again for the present settings and catalogue; false on failure.
  virtual bool Rebuild() noexcept = 0;
  // Takes the settings, history and monitors of now, shows the window in front with the
  // focus in its field.
  virtual void Show() noexcept = 0;
  virtual WindowRef Window() const noexcept = 0;
  // Asks the host for a cold box (with the right to the foreground) and ends the wait.
  virtual void GiveWay() noexcept = 0;
};

// The summons a ready box process receives, from the hook or from the host.
class ReadyBoxSession {
 public:
  ReadyBoxSession(Settings& settings, IRoleEnvironment& env, IPreparedBox& box) noexcept
      : settings_(settings), env_(env), box_(box) {}

  void OnSummon() noexcept;
  bool Shown() const noexcept { return shown_; }
  bool GaveWay() const noexcept { return gaveWay_; }
  // After the box closed: lets the next summon open another box.
  void OnBoxClosed() noexcept;

 private:
  Settings& settings_;
  IRoleEnvironment& env_;
  IPreparedBox& box_;
  NamedMutexResult mutex_;
  bool shown_ = false;
  bool gaveWay_ = false;
};

}  // namespace brimlet
