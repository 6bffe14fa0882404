#include "gadget_manifest.h"

#include <limits>

#include "text/plain_file_name.h"
#include "text/utf16.h"
#include "ports/trace.h"

namespace brimlet {
namespace {

std::u16string ChildText(const IXmlElement& parent, std::u16string_view name) {
  const auto child = parent.FirstChildElement(name);
  return child ? child->Text() : std::u16string();
}

bool IsWhiteSpace(char16_t c) noexcept { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

// Commands without a guid or with type 0 are dropped alone. A command with an empty
// display name is kept: it can still be a default command; the tray menu leaves it out,
// as an entry without text cannot be told apart.
void ReadCommands(const IXmlElement& commands, GadgetDescription& gadget) {
  const auto children = commands.ChildNodes();
  if (!children) return;
  for (const XmlChildNode& node : *children) {
    if (!node.element || !EqualsIgnoreAsciiCase(node.name, u"command")) continue;
    std::u16string guid = ChildText(*node.element, u"guid");
    if (guid.empty()) continue;
    std::u16string displayName = ChildText(*node.element, u"displayname");
    const int32_t type = ParseManifestNumber(ChildText(*node.element, u"type"));
    if (type == 0) continue;
    gadget.commands.push_back(
        std::make_unique<GadgetItemCommand>(type, std::move(guid), std::move(displayName)));
  }
}

}  // namespace

int32_t ParseManifestNumber(std::u16string_view text) noexcept {
  size_t i = 0;
  while (i < text.size() && IsWhiteSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  int64_t value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = std::min<int64_t>(value * 10 + (text[i] - u'0'), kLimit);
  }
  if (negative) return static_cast<int32_t>(-value);
  return static_cast<int32_t>(std::min<int64_t>(value, kLimit - 1));
}

std::unique_ptr<GadgetItem> ReadGadgetManifest(const GadgetEnvironment& env,
                                               std::u16string_view gadgetsFolder,
                                               std::u16string_view manifestPath) noexcept {
  try {
    const auto bytes = env.files.ReadFile(manifestPath, kMaxManifestBytes);
    if (!bytes) return nullptr;
    const auto document = env.xml.Load(*bytes);
    if (!document) return nullptr;
    const auto root = document->FirstChildElement(u"gadget");
    if (!root) return nullptr;

    // The order of the checks decides which rejection wins when several apply.
    GadgetDescription gadget;
    gadget.guid = ChildText(*root, u"guid");
    if (gadget.guid.empty()) return nullptr;
    gadget.name = ChildText(*root, u"name");
    if (gadget.name.empty()) return nullptr;
    gadget.version = ChildText(*root, u"version");
    if (gadget.version.empty()) return nullptr;
    const auto trigger = root->FirstChildElement(u"trigger");
    if (!trigger) return nullptr;
    gadget.module = ChildText(*trigger, u"module");
    if (gadget.module.empty()) return nullptr;
    // The guid becomes a folder and the module a file name inside it.
    if (!IsPlainFileName(gadget.guid) || !IsPlainFileName(gadget.module)) return nullptr;
    gadget.triggerType = ParseManifestNumber(ChildText(*trigger, u"type"));
    if (gadget.triggerType == 0) return nullptr;

    if (const auto commands = root->FirstChildElement(u"commands")) {
      ReadCommands(*commands, gadget);
    }
    gadget.hasConfig = EqualsIgnoreAsciiCase(ChildText(*root, u"config"), u"true");
    gadget.defaultCommand = ChildText(*root, u"default_command");
    return std::make_unique<GadgetItem>(std::move(gadget), std::u16string(gadgetsFolder),
                                        env.binder);
  }
  BRIMLET_CATCH_RETURN_VALUE(nullptr)
}

}  // namespace brimlet
