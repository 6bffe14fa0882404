// The host's operations on its gadgets, through which the tray window and the entry reach
// them. Owns the one gadget list, created and loaded on first use and never reloaded.
#pragma once

#include <memory>
#include <string>

#include "gadget_list.h"

namespace brimlet {

class GadgetHost {
 public:
  // `gadgetsFolder` ends in a path separator.
  GadgetHost(GadgetEnvironment env, std::u16string gadgetsFolder) noexcept
      : env_(env), gadgetsFolder_(std::move(gadgetsFolder)) {}

  // Null only when the list could not be created.
  IGadgetList* GetGadgetList() noexcept;
  // Installs every gadget's hook and tells each gadget whose hook went in that it starts.
  void StartGadgets() noexcept;
  // Removes every hook the host installed.
  void StopGadgets() noexcept;
  GadgetResult ExecuteGadgetCommand(std::u16string_view commandGuid) noexcept;
  // After a successful configuration the gadget's hook is installed afresh, so that a
  // module that changed on disk is the one hooked.
  GadgetResult ConfigureGadget(std::u16string_view gadgetGuid) noexcept;
  // Each gadget's commands whose guid is its default command, in list and command order.
  void RunDefaultCommands() noexcept;

 private:
  GadgetEnvironment env_;
  std::u16string gadgetsFolder_;
  std::unique_ptr<GadgetList> list_;
};

}  // namespace brimlet
