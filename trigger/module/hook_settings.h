// The two settings the keyboard hook reads at each watched keystroke, read straight from
// the registry with advapi32 (loaded in every GUI process already): fixed buffers, nothing
// allocated, the same rules as the settings store.
#pragma once

#include <cstdint>

namespace brimlet::trigger {

// "UseKeyboardHook": off only when stored as the number 0.
bool UseKeyboardHook() noexcept;
// "KeyStroke": the kind of double press watched; 0 when missing or malformed.
int32_t KeyStroke() noexcept;

}  // namespace brimlet::trigger
