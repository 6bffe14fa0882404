// The host's application module: owns the gadget operations and what they reach the
// system through.
#pragma once

#include <string>

#include "gadget/gadget_host.h"
#include "win32/message_loop.h"
#include "win32/win32_system.h"
#include "win32/win32_trigger_binder.h"
#include "win32/win32_xml.h"

namespace brimlet::win32 {

// The host executable's folder + "Gadgets\"; empty when the path cannot be had.
std::u16string GadgetsFolder();
// The search-box gadget's program, which the host starts for every box: its gadget folder +
// "Brimlet.exe"; empty when the path cannot be had.
std::wstring SearchBoxProgram();

class ZelvoGadgetModule final : public AppModule {
 public:
  ZelvoGadgetModule() : gadgets_({files_, xml_, binder_}, GadgetsFolder()) {}
  // GetGadgetList, StartGadgets, StopGadgets, ExecuteGadgetCommand, ConfigureGadget and
  // RunDefaultCommands; the list is destroyed with the module.
  GadgetHost& Gadgets() noexcept { return gadgets_; }

 private:
  Win32FileSystem files_;
  Win32XmlParser xml_;
  Win32TriggerBinder binder_;
  GadgetHost gadgets_;
};

}  // namespace brimlet::win32
