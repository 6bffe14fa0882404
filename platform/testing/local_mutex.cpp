#include "testing/local_mutex.h"

#include <mutex>
#include "ports/trace.h"

namespace brimlet {

struct LocalMutexFactory::Table {
  std::mutex lock;
  std::map<std::u16string, int> holders;
};

namespace {
class LocalMutex final : public INamedMutex {
 public:
  LocalMutex(std::shared_ptr<LocalMutexFactory::Table> table, std::u16string name)
      : table_(std::move(table)), name_(std::move(name)) {}
  ~LocalMutex() override {
    std::lock_guard guard(table_->lock);
    if (--table_->holders[name_] == 0) table_->holders.erase(name_);
  }

 private:
  std::shared_ptr<LocalMutexFactory::Table> table_;
  std::u16string name_;
};
}  // namespace

LocalMutexFactory::LocalMutexFactory() : table_(std::make_shared<Table>()) {}

NamedMutexResult LocalMutexFactory::Create(std::u16string_view name) noexcept {
  try {
    if (deniedNames.contains(std::u16string(name))) return {nullptr, true};
    std::lock_guard guard(table_->lock);
    // Mutex names are case-sensitive on Windows too.
    int& count = table_->holders[std::u16string(name)];
    const bool existed = count > 0;
    ++count;
    return {std::make_unique<LocalMutex>(table_, std::u16string(name)), existed};
  }
  BRIMLET_CATCH_RETURN_VALUE({})
}

}  // namespace brimlet
