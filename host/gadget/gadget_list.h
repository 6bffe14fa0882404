// All installed gadgets, in the order the gadgets folder lists them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "gadget_item.h"
#include "ports/files.h"
#include "ports/xml.h"

namespace brimlet {

// What reading and binding gadgets needs of the system.
struct GadgetEnvironment {
  const IFileSystem& files;
  const IXmlParser& xml;
  ITriggerBinder& binder;
};

class GadgetList final : public IGadgetList {
 public:
  explicit GadgetList(GadgetEnvironment env) noexcept : env_(env) {}
  GadgetList(const GadgetList&) = delete;
  GadgetList& operator=(const GadgetList&) = delete;

  size_t GetCount() const noexcept override { return items_.size(); }
  IGadgetItem* GetAt(size_t index) const noexcept override;
  void StartAll() noexcept override;
  void StopAll() noexcept override;
  void RebindTrigger(std::u16string_view gadgetGuid) noexcept override;
  GadgetResult ExecuteCommand(std::u16string_view commandGuid) noexcept override;
  GadgetResult Configure(std::u16string_view gadgetGuid) noexcept override;
  virtual ~GadgetList() = default;

  // Appends every gadget whose manifest reads; `gadgetsFolder` ends in a path separator.
  // False only when the folder cannot be listed at all.
  bool Load(std::u16string_view gadgetsFolder);

 private:
  GadgetEnvironment env_;
  std::vector<std::unique_ptr<GadgetItem>> items_;
};

}  // namespace brimlet
