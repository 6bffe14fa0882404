#include "win32/win32_xml.h"

#include <windows.h>
#include <ocidl.h>
#include <msxml2.h>
#include <shlwapi.h>

#include <vector>

#include "win32/unique_resource.h"
#include "win32/wide.h"
#include "win32/trace.h"

namespace brimlet::win32 {
namespace {

// The SDK header maps CLSID_DOMDocument to another class: name the ones used here.
constexpr CLSID kClsidDomDocument = {
    0x2933BF90, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
constexpr IID kIidXmlDomDocument = {
    0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
constexpr IID kIidXmlDomDocument2 = {
    0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
constexpr IID kIidXmlDomElement = {
    0x2933BF86, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
constexpr IID kIidPersistStreamInit = {
    0x7FD52380, 0x4E07, 0x101B, {0xAE, 0x2D, 0x08, 0x00, 0x2B, 0x2E, 0xC7, 0x13}};

constexpr long kMaxElementDepth = 256;

// Keeps COM initialised on this thread for as long as any node of a document lives.
class ComApartment {
 public:
  ComApartment() noexcept : hr_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(hr_)) ::CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  // RPC_E_CHANGED_MODE: the thread is in another apartment already, COM is usable.
  bool usable() const noexcept { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }

 private:
  HRESULT hr_;
};
using ApartmentPtr = std::shared_ptr<ComApartment>;

std::u16string BstrText(BSTR text) {
  return text ? std::u16string(reinterpret_cast<const char16_t*>(text), ::SysStringLen(text))
              : std::u16string();
}

std::u16string NodeName(IXMLDOMNode* node) {
  UniqueBstr name;
  if (FAILED(node->get_nodeName(name.put()))) return {};
  return BstrText(name.get());
}

DOMNodeType NodeType(IXMLDOMNode* node) {
  DOMNodeType type = NODE_INVALID;
  if (FAILED(node->get_nodeType(&type))) return NODE_INVALID;
  return type;
}

std::u16string NodeValue(IXMLDOMNode* node) {
  UniqueVariant value;
  if (FAILED(node->get_nodeValue(value.put())) || value.get().vt != VT_BSTR) return {};
  return BstrText(value.get().bstrVal);
}

ComPtr<IXMLDOMNode> FirstChild(IXMLDOMNode* node) {
  ComPtr<IXMLDOMNode> child;
  if (node->get_firstChild(child.put()) != S_OK) child.reset();
  return child;
}

ComPtr<IXMLDOMNode> NextSibling(IXMLDOMNode* node) {
  ComPtr<IXMLDOMNode> next;
  if (node->get_nextSibling(next.put()) != S_OK) next.reset();
  return next;
}

class Win32XmlElement final : public IXmlElement {
 public:
  Win32XmlElement(ApartmentPtr apartment, ComPtr<IXMLDOMNode> node) noexcept
      : apartment_(std::move(apartment)), node_(std::move(node)) {}

  std::u16string Name() const override { return NodeName(node_.get()); }

  // Walks the nodes rather than taking the DOM's own text, whose white-space handling
  // differs between platform versions.
  std::u16string Text() const override {
    std::vector<xml_text::Piece> pieces;
    std::vector<ComPtr<IXMLDOMNode>> parents;
    ComPtr<IXMLDOMNode> node = FirstChild(node_.get());
    while (node || !parents.empty()) {
      if (!node) {
        node = NextSibling(parents.back().get());
        parents.pop_back();
        continue;
      }
      const DOMNodeType type = NodeType(node.get());
      if (type == NODE_TEXT) pieces.push_back({NodeValue(node.get()), false});
      if (type == NODE_CDATA_SECTION) pieces.push_back({NodeValue(node.get()), true});
      if (type == NODE_ELEMENT) {
        if (ComPtr<IXMLDOMNode> child = FirstChild(node.get())) {
          parents.push_back(node);
          node = child;
          continue;
        }
      }
      node = NextSibling(node.get());
    }
    return xml_text::Join(std::move(pieces));
  }

  std::unique_ptr<IXmlElement> FirstChildElement(std::u16string_view name) const override {
    for (ComPtr<IXMLDOMNode> child = FirstChild(node_.get()); child;
         child = NextSibling(child.get())) {
      if (NodeType(child.get()) == NODE_ELEMENT && NodeName(child.get()) == name) {
        return std::make_unique<Win32XmlElement>(apartment_, child);
      }
    }
    return nullptr;
  }

  std::optional<std::vector<XmlChildNode>> ChildNodes() const override {
    std::vector<XmlChildNode> children;
    for (ComPtr<IXMLDOMNode> child = FirstChild(node_.get()); child;
         child = NextSibling(child.get())) {
      XmlChildNode entry;
      entry.name = NodeName(child.get());
      switch (NodeType(child.get())) {
        case NODE_ELEMENT:
          entry.type = XmlNodeType::kElement;
          entry.element = std::make_unique<Win32XmlElement>(apartment_, child);
          break;
        case NODE_TEXT:
          entry.type = XmlNodeType::kText;
          break;
        case NODE_CDATA_SECTION:
          entry.type = XmlNodeType::kCData;
          break;
        case NODE_COMMENT:
          entry.type = XmlNodeType::kComment;
          break;
        case NODE_PROCESSING_INSTRUCTION:
          entry.type = XmlNodeType::kProcessingInstruction;
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
    ComPtr<IXMLDOMElement> element;
    if (FAILED(node_->QueryInterface(kIidXmlDomElement, reinterpret_cast<void**>(element.put()))) ||
        !element) {
      return std::nullopt;
    }
    UniqueBstr wanted(::SysAllocStringLen(reinterpret_cast<const wchar_t*>(name.data()),
                                          static_cast<UINT>(name.size())));
    if (!wanted) return std::nullopt;
    UniqueVariant value;
    if (element->getAttribute(wanted.get(), value.put()) != S_OK || value.get().vt != VT_BSTR) {
      return std::nullopt;
    }
    return BstrText(value.get().bstrVal);
  }

 private:
  ApartmentPtr apartment_;  // declared first: released after the node
  ComPtr<IXMLDOMNode> node_;
};

class Win32XmlDocument final : public IXmlDocument {
 public:
  Win32XmlDocument(ApartmentPtr apartment, ComPtr<IXMLDOMDocument> document) noexcept
      : apartment_(std::move(apartment)), document_(std::move(document)) {}

  std::unique_ptr<IXmlElement> FirstChildElement(std::u16string_view name) const override {
    ComPtr<IXMLDOMElement> root;
    if (document_->get_documentElement(root.put()) != S_OK || !root) return nullptr;
    ComPtr<IXMLDOMNode> node(root.get());
    if (NodeName(node.get()) != name) return nullptr;
    return std::make_unique<Win32XmlElement>(apartment_, node);
  }

 private:
  ApartmentPtr apartment_;
  ComPtr<IXMLDOMDocument> document_;
};

// The platform DOM refuses documents declared Shift_JIS or EUC-JP on some systems: such
// bytes are decoded here and handed over as UTF-16 without the encoding declaration.
std::optional<std::vector<std::byte>> StreamBytes(std::span<const std::byte> bytes,
                                                  const xml_prolog::Prolog& prolog) {
  const auto known = xml_prolog::Classify(prolog.declaredEncoding);
  UINT codePage = 0;
  if (known == xml_prolog::KnownEncoding::kShiftJis) codePage = 932;
  if (known == xml_prolog::KnownEncoding::kEucJp) codePage = 20932;
  if (codePage == 0) return std::vector<std::byte>(bytes.begin(), bytes.end());

  std::vector<char> legacy;
  legacy.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i < prolog.encodingBegin || i >= prolog.encodingEnd) {
      legacy.push_back(static_cast<char>(bytes[i]));
    }
  }
  if (legacy.size() > static_cast<size_t>(INT_MAX / 2)) return std::nullopt;
  const int size = static_cast<int>(legacy.size());
  const int units =
      ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, legacy.data(), size, nullptr, 0);
  if (units <= 0) return std::nullopt;
  std::vector<wchar_t> wide(static_cast<size_t>(units) + 1);
  wide[0] = 0xFEFF;
  if (::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, legacy.data(), size, wide.data() + 1,
                            units) != units) {
    return std::nullopt;
  }
  const auto* first = reinterpret_cast<const std::byte*>(wide.data());
  return std::vector<std::byte>(first, first + wide.size() * sizeof(wchar_t));
}

void SetProperty(IXMLDOMDocument* document, const wchar_t* name, VARIANT value) {
  ComPtr<IXMLDOMDocument2> document2 =
      ComPtr<IXMLDOMDocument>(document).As<IXMLDOMDocument2>(kIidXmlDomDocument2);
  UniqueBstr bstrName(::SysAllocString(name));
  // Older DOM versions lack some of these; the prolog scan enforces what matters.
  if (document2 && bstrName) document2->setProperty(bstrName.get(), value);
}

}  // namespace

std::unique_ptr<IXmlDocument> Win32XmlParser::Load(
    std::span<const std::byte> bytes) const noexcept {
  try {
    const auto prolog = xml_prolog::Scan(bytes);
    if (!prolog || bytes.empty() || bytes.size() > UINT_MAX / 2) return nullptr;
    const auto streamBytes = StreamBytes(bytes, *prolog);
    if (!streamBytes) return nullptr;

    auto apartment = std::make_shared<ComApartment>();
    if (!apartment->usable()) return nullptr;
    ComPtr<IXMLDOMDocument> document;
    if (FAILED(::CoCreateInstance(kClsidDomDocument, nullptr, CLSCTX_ALL, kIidXmlDomDocument,
                                  document.put_void())) ||
        !document) {
      return nullptr;
    }
    document->put_async(VARIANT_FALSE);
    document->put_validateOnParse(VARIANT_FALSE);
    document->put_resolveExternals(VARIANT_FALSE);
    document->put_preserveWhiteSpace(VARIANT_TRUE);
    VARIANT on;
    on.vt = VT_BOOL;
    on.boolVal = VARIANT_TRUE;
    SetProperty(document.get(), L"ProhibitDTD", on);
    VARIANT off = on;
    off.boolVal = VARIANT_FALSE;
    SetProperty(document.get(), L"ResolveExternals", off);
    VARIANT depth;
    depth.vt = VT_I4;
    depth.lVal = kMaxElementDepth;
    SetProperty(document.get(), L"MaxElementDepth", depth);

    ComPtr<IStream> stream = ComPtr<IStream>::Attach(
        ::SHCreateMemStream(reinterpret_cast<const BYTE*>(streamBytes->data()),
                            static_cast<UINT>(streamBytes->size())));
    ComPtr<IPersistStreamInit> persist = document.As<IPersistStreamInit>(kIidPersistStreamInit);
    if (!stream || !persist || persist->Load(stream.get()) != S_OK) return nullptr;

    ComPtr<IXMLDOMParseError> error;
    long code = 0;
    if (document->get_parseError(error.put()) == S_OK && error &&
        error->get_errorCode(&code) == S_OK && code != 0) {
      return nullptr;
    }
    ComPtr<IXMLDOMDocumentType> doctype;
    if (document->get_doctype(doctype.put()) == S_OK && doctype) return nullptr;
    return std::make_unique<Win32XmlDocument>(std::move(apartment), std::move(document));
  }
  BRIMLET_CATCH_RETURN_VALUE(nullptr)
}

}  // namespace brimlet::win32
