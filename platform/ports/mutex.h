// Named mutex port. The product's mutexes are markers only ("this job is running"):
// created without initial ownership, never waited on, released by closing.
#pragma once

#include <memory>
#include <string_view>

namespace brimlet {

class INamedMutex {
 public:
  virtual ~INamedMutex() = default;  // closes the handle
};

struct NamedMutexResult {
  std::unique_ptr<INamedMutex> handle;  // empty when the mutex could not be created
  // Another holder had it when we created ours; also when it exists but may not be opened
  // (held by a process of higher integrity), where `handle` stays empty.
  bool alreadyExisted = false;
};

class IMutexFactory {
 public:
  virtual ~IMutexFactory() = default;
  virtual NamedMutexResult Create(std::u16string_view name) noexcept = 0;
};

}  // namespace brimlet
