#include "box_session.h"

#include "box_search.h"
#include "ports/trace.h"
#include "search_url.h"
#include "user_engines.h"

namespace brimlet {

std::unique_ptr<SearchEngineList> CopyCatalogue(const SearchEngineList* catalogue) noexcept {
  if (catalogue == nullptr) return nullptr;
  try {
    return catalogue->Clone();
  }
  BRIMLET_CATCH_RETURN_VALUE(nullptr)
}

BoxSession::BoxSession(Settings& settings, IRegistry& registry, const ICodePageConverter& converter,
                       IBoxLauncher& launcher) noexcept
    : settings_(settings), registry_(registry), converter_(converter), launcher_(launcher) {}

void BoxSession::SetCatalogue(const SearchEngineList* catalogue) noexcept {
  ReleaseCatalogue();
  catalogue_ = CopyCatalogue(catalogue);
  if (!catalogue_) return;
  try {
    for (size_t i = 0; i < catalogue_->GetCount(); ++i) rotation_.push_back(catalogue_->GetAt(i));
  } catch (...) {
    BRIMLET_TRACE_CAUGHT();
    ReleaseCatalogue();
  }
}

void BoxSession::ReleaseCatalogue() noexcept {
  current_ = nullptr;
  rotation_.clear();
  catalogue_.reset();
}

void BoxSession::Open() noexcept {
  // Before anything can run a search: a search saves the whole history.
  try {
    LoadHistoryInto(registry_, *history_);
  }
  BRIMLET_CATCH_LOG()
  record_ = settings_.RecordSearchWords();
  hideWhenInactive_ = settings_.HideAtInactivate();
}

void BoxSession::ChooseStartEngine() noexcept {
  if (!catalogue_) return;
  try {
    current_ = ChooseBoxStartEngine(settings_, *catalogue_, current_);
  }
  BRIMLET_CATCH_LOG()
}

void BoxSession::Choose(const ISearchEngineItem* engine) noexcept {
  if (engine != nullptr) current_ = engine;
}

void BoxSession::StepEngine(bool forward) noexcept {
  current_ = brimlet::StepEngine(rotation_, current_, forward);
}

bool BoxSession::ClosesOnDeactivation(bool inactive, bool toTheBoxItself) const noexcept {
  return !searching_ && inactive && !toTheBoxItself && hideWhenInactive_;
}

bool BoxSession::SnapsWhileDragging(bool shiftDown) const noexcept {
  return settings_.SnapSearchBox() != shiftDown;
}

bool BoxSession::RunSearch(std::u16string_view words) {
  BeginSearch();
  const SearchServices services{
      converter_, settings_, registry_, *history_,
      [this](std::u16string_view address) { launcher_.OpenWebAddress(address); }};
  if (catalogue_) {
    bool hadKeyword = false;
    const bool opened = RunKeywordSearch(services, *catalogue_, words, record_, hadKeyword);
    if (hadKeyword) return opened;
  }
  return brimlet::RunSearch(services, current_, words, record_);
}

const ISearchEngineItem* BoxSession::EngineForWords(std::u16string_view words) const {
  if (catalogue_) {
    if (const auto match = MatchKeyword(*catalogue_, words)) return match->engine;
  }
  return current_;
}

BoxSession::SuggestionTarget BoxSession::SuggestionTargetFor(std::u16string_view typed) const {
  SuggestionTarget target;
  const ISearchEngineItem* engine = current_;
  target.words = typed;
  if (catalogue_) {
    if (auto match = MatchKeyword(*catalogue_, typed)) {
      engine = match->engine;
      target.words = std::move(match->words);
    }
  }
  if (engine == nullptr) return target;
  const std::u16string urlTemplate = engine->GetSuggestionsUrl();
  if (urlTemplate.empty()) return target;
  if (auto address = BuildSuggestionUrl(converter_, urlTemplate, target.words)) {
    target.address = std::move(*address);
  }
  return target;
}

bool BoxSession::ForgetHistoryWords(std::u16string_view words) {
  std::optional<std::u16string> engine;
  for (size_t position = 0; position < history_->Count(); ++position) {
    if (history_->WordsAt(position) != words) continue;
    engine = history_->EngineAt(position).value_or(u"");
    history_->RemoveHistoryEntry(words, *engine);
    break;
  }
  if (!engine) {
    // Words another box stored after this one opened (the page-based box lists the store).
    const StoredHistory stored = LoadHistory(registry_);
    for (size_t i = 0; i < stored.words.size(); ++i) {
      if (stored.words[i] == words) {
        engine = stored.engines[i];
        break;
      }
    }
    if (!engine) return false;
  }
  RemoveStoredHistoryPair(registry_, words, *engine);
  return true;
}

bool BoxSession::OpenSettings() noexcept {
  const bool wasHiding = hideWhenInactive_;
  hideWhenInactive_ = false;
  if (launcher_.LaunchSettings()) return true;
  hideWhenInactive_ = wasHiding;
  return false;
}

bool BoxSession::OpenHelp() noexcept {
  try {
    const std::u16string address = settings_.HelpAddress(u"sb");
    if (address.empty()) return false;
    hideWhenInactive_ = false;
    launcher_.OpenWebAddress(address);
    return true;
  }
  BRIMLET_CATCH_RETURN_VALUE(false)
}

void BoxSession::TakeNotice(const Notice& notice) { notice_ = notice; }

bool BoxSession::HasNotice() const noexcept {
  return !notice_.label.empty() && !notice_.description.empty() && !notice_.address.empty();
}

void BoxSession::CountNoticeActedOn() noexcept { settings_.SetNotifyCount(kDailyNoticeLimit); }

bool BoxSession::OpenNotice() noexcept {
  if (notice_.address.empty()) return false;
  CountNoticeActedOn();
  BeginSearch();
  // The address came from the network: the launcher lets only a web address through.
  launcher_.OpenWebAddress(notice_.address);
  return true;
}

}  // namespace brimlet
