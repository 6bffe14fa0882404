// Where a box's start-up time goes: milestones in milliseconds since the process was
// created, written as one trace line (a debugger, or Wine's WINEDEBUG=+debugstr, shows it)
// when the box has painted for the first time. Costs a clock reading per milestone.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace brimlet::win32 {

class StartupTimeline {
 public:
  // Names are literals; milestones beyond the capacity are dropped.
  void Mark(const char16_t* name) noexcept;
  // The trace line, once; later calls write nothing.
  void Report(std::u16string_view what) noexcept;

 private:
  struct Milestone {
    const char16_t* name;
    int64_t counter;
  };
  std::array<Milestone, 24> milestones_{};
  size_t count_ = 0;
  bool reported_ = false;
};

// One box per process: the process's timeline.
StartupTimeline& BoxStartup() noexcept;

}  // namespace brimlet::win32
