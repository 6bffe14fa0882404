#include "native/libxml2_xml.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <climits>

#include "text/utf16.h"
#include "ports/trace.h"

namespace brimlet {
namespace {

using DocumentPtr = std::shared_ptr<xmlDoc>;

std::string_view View(const xmlChar* text) noexcept {
  return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

// The DOM's node name: the qualified name, prefix included.
std::string QualifiedName(const xmlNode* node) {
  std::string name;
  if (node->ns != nullptr && node->ns->prefix != nullptr) {
    name = View(node->ns->prefix);
    name += ':';
  }
  name += View(node->name);
  return name;
}

// Reports of refused documents would only clutter the output of whoever loads one.
void Silent(void*, const char*, ...) {}

std::u16string Content(const xmlNode* node) { return Utf8ToUtf16(View(node->content)); }

class LibXml2Element final : public IXmlElement {
 public:
  LibXml2Element(DocumentPtr document, xmlNode* node) noexcept
      : document_(std::move(document)), node_(node) {}

  std::u16string Name() const override { return Utf8ToUtf16(QualifiedName(node_)); }

  std::u16string Text() const override {
    std::vector<xml_text::Piece> pieces;
    // Depth-first through the subtree without recursion.
    const xmlNode* node = node_->children;
    while (node != nullptr) {
      if (node->type == XML_TEXT_NODE) pieces.push_back({Content(node), false});
      if (node->type == XML_CDATA_SECTION_NODE) pieces.push_back({Content(node), true});
      if (node->type == XML_ELEMENT_NODE && node->children != nullptr) {
        node = node->children;
        continue;
      }
      while (node != nullptr && node->next == nullptr) {
        node = node->parent;
        if (node == node_) node = nullptr;
      }
      if (node != nullptr) node = node->next;
    }
    return xml_text::Join(std::move(pieces));
  }

  std::unique_ptr<IXmlElement> FirstChildElement(std::u16string_view name) const override {
    return FindChild(document_, node_->children, name);
  }

  std::optional<std::vector<XmlChildNode>> ChildNodes() const override {
    std::vector<XmlChildNode> children;
    for (xmlNode* child = node_->children; child != nullptr; child = child->next) {
      XmlChildNode entry;
      switch (child->type) {
        case XML_ELEMENT_NODE:
          entry.type = XmlNodeType::kElement;
          entry.name = Utf8ToUtf16(QualifiedName(child));
          entry.element = std::make_unique<LibXml2Element>(document_, child);
          break;
        case XML_TEXT_NODE:
          entry.type = XmlNodeType::kText;
          entry.name = u"#text";
          break;
        case XML_CDATA_SECTION_NODE:
          entry.type = XmlNodeType::kCData;
          entry.name = u"#cdata-section";
          break;
        case XML_COMMENT_NODE:
          entry.type = XmlNodeType::kComment;
          entry.name = u"#comment";
          break;
        case XML_PI_NODE:
          entry.type = XmlNodeType::kProcessingInstruction;
          entry.name = Utf8ToUtf16(View(child->name));
          break;
        default:
          entry.type = XmlNodeType::kOther;
          break;
      }
      children.push_back(std::move(entry));
    }
    return children;
  }

  std::optional<std::u16string> Attribute(std::u16string_view name) const override {
    const std::string wanted = Utf16ToUtf8(name);
    if (!xmlHasProp(node_, reinterpret_cast<const xmlChar*>(wanted.c_str()))) return std::nullopt;
    xmlChar* value = xmlGetProp(node_, reinterpret_cast<const xmlChar*>(wanted.c_str()));
    std::u16string text = Utf8ToUtf16(View(value));
    xmlFree(value);
    return text;
  }

  static std::unique_ptr<IXmlElement> FindChild(const DocumentPtr& document, xmlNode* first,
                                                std::u16string_view name) {
    const std::string wanted = Utf16ToUtf8(name);
    for (xmlNode* child = first; child != nullptr; child = child->next) {
      if (child->type == XML_ELEMENT_NODE && QualifiedName(child) == wanted) {
        return std::make_unique<LibXml2Element>(document, child);
      }
    }
    return nullptr;
  }

 private:
  DocumentPtr document_;
  xmlNode* node_;
};

class LibXml2Document final : public IXmlDocument {
 public:
  explicit LibXml2Document(DocumentPtr document) noexcept : document_(std::move(document)) {}
  std::unique_ptr<IXmlElement> FirstChildElement(std::u16string_view name) const override {
    return LibXml2Element::FindChild(document_, xmlDocGetRootElement(document_.get()), name);
  }

 private:
  DocumentPtr document_;
};

}  // namespace

LibXml2Parser::LibXml2Parser() noexcept { xmlInitParser(); }

std::unique_ptr<IXmlDocument> LibXml2Parser::Load(std::span<const std::byte> bytes) const noexcept {
  try {
    const auto prolog = xml_prolog::Scan(bytes);
    if (!prolog || bytes.size() > static_cast<size_t>(INT_MAX)) return nullptr;
    // Shift_JIS in its Windows form (code page 932), as the platform DOM reads it.
    const char* encoding = nullptr;
    if (const auto known = xml_prolog::Classify(prolog->declaredEncoding)) {
      if (*known == xml_prolog::KnownEncoding::kShiftJis) encoding = "CP932";
      if (*known == xml_prolog::KnownEncoding::kEucJp) encoding = "EUC-JP";
    }
    // No entity substitution, no DTD loading, no network; the prolog scan has already
    // refused document type declarations, this is the second line.
    xmlSetGenericErrorFunc(nullptr, Silent);
    const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
    xmlDoc* raw = xmlReadMemory(reinterpret_cast<const char*>(bytes.data()),
                                static_cast<int>(bytes.size()), nullptr, encoding, options);
    if (raw == nullptr) return nullptr;
    DocumentPtr document(raw, xmlFreeDoc);
    if (raw->intSubset != nullptr || raw->extSubset != nullptr) return nullptr;
    return std::make_unique<LibXml2Document>(std::move(document));
  }
  BRIMLET_CATCH_RETURN_VALUE(nullptr)
}

}  // namespace brimlet
