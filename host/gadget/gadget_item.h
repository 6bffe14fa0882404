// One installed gadget and its commands, as read from its manifest, with the operations
// that bind its trigger module.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "gadget_interfaces.h"
#include "trigger_binder.h"

namespace brimlet {

inline constexpr int32_t kKeyboardTrigger = 1;
inline constexpr int32_t kMouseTrigger = 2;
inline constexpr int32_t kMenuCommandType = 1;  // commands of this type are listed in the menu

class GadgetItemCommand final : public IGadgetItemCommand {
 public:
  GadgetItemCommand(int32_t type, std::u16string guid, std::u16string displayName)
      : type_(type), guid_(std::move(guid)), displayName_(std::move(displayName)) {}
  std::u16string GetGuid() const override { return guid_; }
  int32_t GetType() const noexcept override { return type_; }
  std::u16string GetDisplayName() const override { return displayName_; }
  virtual ~GadgetItemCommand() = default;

 private:
  int32_t type_;
  std::u16string guid_;
  std::u16string displayName_;
};

struct GadgetDescription {
  std::u16string guid;
  std::u16string name;
  std::u16string version;
  std::u16string module;
  bool hasConfig = false;
  std::u16string defaultCommand;
  int32_t triggerType = 0;
  std::vector<std::unique_ptr<GadgetItemCommand>> commands;
};

class GadgetItem final : public IGadgetItem {
 public:
  // `gadgetsFolder` ends in a path separator; the module is looked for in the folder named
  // by the gadget's guid there, whatever folder the manifest came from.
  GadgetItem(GadgetDescription description, std::u16string gadgetsFolder,
             ITriggerBinder& binder) noexcept;
  GadgetItem(const GadgetItem&) = delete;
  GadgetItem& operator=(const GadgetItem&) = delete;

  std::u16string GetGuid() const override { return d_.guid; }
  std::u16string GetName() const override { return d_.name; }
  std::u16string GetVersion() const override { return d_.version; }
  std::u16string GetModule() const override { return d_.module; }
  int32_t GetTriggerType() const noexcept override { return d_.triggerType; }
  bool HasConfig() const noexcept override { return d_.hasConfig; }
  std::u16string GetDefaultCommand() const override { return d_.defaultCommand; }
  bool InstallTrigger() noexcept override;
  bool RemoveTrigger() noexcept override;
  GadgetResult ExecuteCommand(std::u16string_view commandGuid) noexcept override;
  GadgetResult Configure() noexcept override;
  GadgetResult OnStart() noexcept override;
  void GetCommands(std::vector<const IGadgetItemCommand*>& list) const override;
  virtual ~GadgetItem();

  // gadgets folder + guid + separator + module.
  std::u16string ModulePath() const;
  HookHandle Hook() const noexcept { return hook_; }

 private:
  GadgetDescription d_;
  std::u16string gadgetsFolder_;
  ITriggerBinder& binder_;
  HookHandle hook_ = 0;
};

}  // namespace brimlet
