// The value that keeps caches from answering a request ("?t=..." or "&t=..."). A fresh
// random value for every request: a counter such as the time since boot would link every
// request of one machine across address changes.
#pragma once

#include <cstdint>

namespace brimlet {

class ICacheBuster {
 public:
  virtual ~ICacheBuster() = default;
  virtual uint32_t Next() noexcept = 0;
};

}  // namespace brimlet
