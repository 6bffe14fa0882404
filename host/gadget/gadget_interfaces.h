// The installed gadgets as the rest of the host sees them: plain abstract classes (no
// reference counting) whose slot order is fixed, as gadgets built elsewhere depend on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace brimlet {

// Result codes with the platform's numbers; exports of gadget modules return these.
using GadgetResult = int32_t;
namespace gadget_result {
inline constexpr GadgetResult kOk = 0;
inline constexpr GadgetResult kNotImplemented = static_cast<int32_t>(0x80004001);
inline constexpr GadgetResult kFail = static_cast<int32_t>(0x80004005);
inline constexpr GadgetResult kUnexpected = static_cast<int32_t>(0x8000FFFF);
inline constexpr GadgetResult kInvalidArgument = static_cast<int32_t>(0x80070057);
constexpr bool Succeeded(GadgetResult result) noexcept { return result >= 0; }
}  // namespace gadget_result

class IGadgetItemCommand {
 public:
  virtual std::u16string GetGuid() const = 0;
  virtual int32_t GetType() const noexcept = 0;
  virtual std::u16string GetDisplayName() const = 0;

 protected:
  ~IGadgetItemCommand() = default;  // owned and destroyed through the concrete class
};

class IGadgetItem {
 public:
  virtual std::u16string GetGuid() const = 0;
  virtual std::u16string GetName() const = 0;
  virtual std::u16string GetVersion() const = 0;
  virtual std::u16string GetModule() const = 0;
  virtual int32_t GetTriggerType() const noexcept = 0;
  virtual bool HasConfig() const noexcept = 0;
  virtual std::u16string GetDefaultCommand() const = 0;
  virtual bool InstallTrigger() noexcept = 0;
  virtual bool RemoveTrigger() noexcept = 0;
  virtual GadgetResult ExecuteCommand(std::u16string_view commandGuid) noexcept = 0;
  virtual GadgetResult Configure() noexcept = 0;
  virtual GadgetResult OnStart() noexcept = 0;
  // Appends a borrowed pointer to each command, in manifest order.
  virtual void GetCommands(std::vector<const IGadgetItemCommand*>& list) const = 0;

 protected:
  ~IGadgetItem() = default;
};

class IGadgetList {
 public:
  virtual size_t GetCount() const noexcept = 0;
  // Borrowed; null when the index is outside the list.
  virtual IGadgetItem* GetAt(size_t index) const noexcept = 0;
  virtual void StartAll() noexcept = 0;
  virtual void StopAll() noexcept = 0;
  virtual void RebindTrigger(std::u16string_view gadgetGuid) noexcept = 0;
  virtual GadgetResult ExecuteCommand(std::u16string_view commandGuid) noexcept = 0;
  virtual GadgetResult Configure(std::u16string_view gadgetGuid) noexcept = 0;

 protected:
  ~IGadgetList() = default;
};

}  // namespace brimlet
