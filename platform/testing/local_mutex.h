// Named mutexes for native tests: names live in this process only, which is all the
// portable logic needs to see "already running".
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>

#include "ports/mutex.h"

namespace brimlet {

class LocalMutexFactory final : public IMutexFactory {
 public:
  struct Table;  // shared with the handles it gives out
  LocalMutexFactory();
  NamedMutexResult Create(std::u16string_view name) noexcept override;

  // Names held by a process we may not open (one of higher integrity): no handle, but
  // already existing, as the Win32 adapter reports a refused open.
  std::set<std::u16string> deniedNames;

 private:
  std::shared_ptr<Table> table_;
};

}  // namespace brimlet
