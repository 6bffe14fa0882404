// What one open search box holds and decides, whichever its design: its own copy of the
// catalogue, the engine rotation and the current engine, the in-memory history, the record,
// pin and searching flags, a delivered notice, and the rules that act on them. The windows
// render it and wire it to the system; it reaches the system only through its ports.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "notice_check.h"
#include "ports/codepage.h"
#include "ports/registry.h"
#include "search_engine_item.h"
#include "search_engine_list.h"
#include "search_history.h"
#include "settings.h"

namespace brimlet {

// A copy of the catalogue for a window to keep for its lifetime; nothing without a
// catalogue or when it cannot be copied.
std::unique_ptr<SearchEngineList> CopyCatalogue(const SearchEngineList* catalogue) noexcept;

// What a box hands to the system: the box's window implements it.
class IBoxLauncher {
 public:
  virtual ~IBoxLauncher() = default;
  // Hands an address to the shell (the implementation refuses anything but a web address).
  virtual void OpenWebAddress(std::u16string_view address) noexcept = 0;
  // Starts the settings dialog, which starts a box again when it ends; false when nothing
  // could be started.
  virtual bool LaunchSettings() noexcept = 0;
};

class BoxSession {
 public:
  BoxSession(Settings& settings, IRegistry& registry, const ICodePageConverter& converter,
             IBoxLauncher& launcher) noexcept;
  BoxSession(const BoxSession&) = delete;
  BoxSession& operator=(const BoxSession&) = delete;

  // Takes a copy of the catalogue; the rotation holds every engine in catalogue order (the
  // user's services, which the list carries after the catalogue's engines, included).
  void SetCatalogue(const SearchEngineList* catalogue) noexcept;
  const SearchEngineList* Catalogue() const noexcept { return catalogue_.get(); }
  // Lets the catalogue go (when the box is gone); no engine is current afterwards.
  void ReleaseCatalogue() noexcept;

  // As the box opens: the stored history in memory, then the record and pin flags from
  // "RecordSearchWords" and "HideAtInactivate".
  void Open() noexcept;
  // The first engine by the start engine rule (which may store "LastSearchEngine").
  void ChooseStartEngine() noexcept;

  const ISearchEngineItem* Current() const noexcept { return current_; }
  // An engine the box's menu returned; nothing changes for none.
  void Choose(const ISearchEngineItem* engine) noexcept;
  // The next (forward) or previous engine in the rotation, wrapping.
  void StepEngine(bool forward) noexcept;

  SearchHistory& History() noexcept { return *history_; }
  // For a reader that may outlive the box (the system auto-complete object).
  const std::shared_ptr<SearchHistory>& SharedHistory() const noexcept { return history_; }

  // Whether this box records its searches; starts as "RecordSearchWords".
  bool Records() const noexcept { return record_; }
  void SetRecords(bool record) noexcept { record_ = record; }
  // A pinned box stays open when another window becomes active.
  bool Pinned() const noexcept { return !hideWhenInactive_; }
  void SetPinned(bool pinned) noexcept { hideWhenInactive_ = !pinned; }
  bool Searching() const noexcept { return searching_; }

  // Whether losing activation closes the box: not while a search runs (the browser takes
  // the activation), not when the activation goes to the box itself, not when pinned.
  bool ClosesOnDeactivation(bool inactive, bool toTheBoxItself) const noexcept;
  // Whether a drag snaps to the monitor's edges: "SnapSearchBox", inverted while Shift is
  // held.
  bool SnapsWhileDragging(bool shiftDown) const noexcept;

  // From here on deactivation does not close the box: the window hides itself next.
  void BeginSearch() noexcept { searching_ = true; }
  // Runs a search with the current engine through the box search rules (opening, history,
  // "LastSearchEngine", counters). True when an address was opened.
  // Words that begin with an engine's keyword go to that engine instead (the current engine
  // and "LastSearchEngine" stay).
  bool RunSearch(std::u16string_view words);
  // The engine a search of these words would use: the keyword's engine, else the current one.
  const ISearchEngineItem* EngineForWords(std::u16string_view words) const;

  // What the box would ask for suggestions about the field's text: the words a search would
  // send (those after a keyword, with the keyword's engine), and that engine's suggestion
  // address filled in with them; the address is empty when the engine has none.
  struct SuggestionTarget {
    std::u16string words;
    std::u16string address;
  };
  SuggestionTarget SuggestionTargetFor(std::u16string_view typed) const;

  // The user removes a history word from the list: its entry leaves the in-memory list and
  // its pair the store, at once (the first stored pair with these words when the list does
  // not hold them). False when neither has these words.
  bool ForgetHistoryWords(std::u16string_view words);

  // Starts the settings dialog; the box stays open until it closes, pinned while the
  // dialog comes up. True when started: the box closes then.
  bool OpenSettings() noexcept;
  // Opens the help page (place code "sb"), pinned while it comes up. True when an address
  // was handed over: the box closes then.
  bool OpenHelp() noexcept;

  // A notice the check delivered; the texts stay until the next one.
  void TakeNotice(const Notice& notice);
  // A notice with all three texts, which a box may offer.
  bool HasNotice() const noexcept;
  const Notice& CurrentNotice() const noexcept { return notice_; }
  // The user acted on the notice: no more notices today.
  void CountNoticeActedOn() noexcept;
  // Opens the notice's address as a search would (the box closes next); false without one.
  bool OpenNotice() noexcept;

 private:
  Settings& settings_;
  IRegistry& registry_;
  const ICodePageConverter& converter_;
  IBoxLauncher& launcher_;

  std::unique_ptr<SearchEngineList> catalogue_;
  std::vector<const ISearchEngineItem*> rotation_;
  const ISearchEngineItem* current_ = nullptr;
  std::shared_ptr<SearchHistory> history_ = std::make_shared<SearchHistory>();

  bool record_ = false;
  bool hideWhenInactive_ = true;
  bool searching_ = false;
  Notice notice_;
};

}  // namespace brimlet
