#include "suggestion_fetcher.h"

#include <map>
#include <mutex>
#include <thread>

#include "download_win32.h"
#include "suggestion_answer.h"
#include "win32/trace.h"

namespace brimlet::win32 {

struct SuggestionFetcher::Mailbox {
  std::mutex lock;
  HWND window = nullptr;
  UINT message = 0;
  std::map<uint32_t, std::vector<std::u16string>> answers;
};

SuggestionFetcher::SuggestionFetcher(HWND window, UINT message)
    : mailbox_(std::make_shared<Mailbox>()) {
  mailbox_->window = window;
  mailbox_->message = message;
}

SuggestionFetcher::~SuggestionFetcher() { Forget(); }

bool SuggestionFetcher::Start(const SuggestionRequest& request) noexcept {
  try {
    std::thread([mailbox = mailbox_, request] {
      try {
        std::vector<std::u16string> suggestions;
        if (const auto body = FetchIntoMemory(request.address, kMaxSuggestionAnswerBytes,
                                              kSuggestionTimeLimitMs)) {
          suggestions = ReadSuggestionAnswer(*body, request.words);
        }
        const std::lock_guard hold(mailbox->lock);
        if (mailbox->window == nullptr) return;
        mailbox->answers[request.id] = std::move(suggestions);
        ::PostMessageW(mailbox->window, mailbox->message, request.id, 0);
      }
      BRIMLET_CATCH_LOG()
    }).detach();
    return true;
  }
  BRIMLET_CATCH_RETURN_VALUE(false)
}

std::vector<std::u16string> SuggestionFetcher::Take(uint32_t id) noexcept {
  const std::lock_guard hold(mailbox_->lock);
  std::vector<std::u16string> suggestions;
  if (auto found = mailbox_->answers.find(id); found != mailbox_->answers.end()) {
    suggestions = std::move(found->second);
  }
  mailbox_->answers.clear();
  return suggestions;
}

void SuggestionFetcher::Forget() noexcept {
  const std::lock_guard hold(mailbox_->lock);
  mailbox_->window = nullptr;
  mailbox_->answers.clear();
}

}  // namespace brimlet::win32
