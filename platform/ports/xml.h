// XML port: read-only access to a document parsed from raw bytes. The parser decides the
// encoding from the byte-order mark or the XML declaration, as a DOM loaded from a stream
// does. Documents come from downloads, so the adapters refuse what could reach outside the
// bytes: any document type declaration (hence every entity but the predefined ones and
// character references) and encodings whose markup is not plain ASCII or UTF-16.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brimlet {

enum class XmlNodeType { kElement, kText, kCData, kComment, kProcessingInstruction, kOther };

class IXmlElement;

struct XmlChildNode {
  XmlNodeType type = XmlNodeType::kOther;
  // DOM node names: the tag for elements, "#text", "#cdata-section", "#comment", and the
  // target for processing instructions.
  std::u16string name;
  std::unique_ptr<IXmlElement> element;  // set for elements only
};

// Elements keep their document alive; they may outlive the IXmlDocument they came from.
class IXmlElement {
 public:
  virtual ~IXmlElement() = default;
  virtual std::u16string Name() const = 0;
  // The text of every descendant text and CDATA node in document order, with the XML white
  // space (space, tab, CR, LF) at both ends removed unless it belongs to a CDATA section.
  virtual std::u16string Text() const = 0;
  // The first child element whose name matches exactly, or nothing.
  virtual std::unique_ptr<IXmlElement> FirstChildElement(std::u16string_view name) const = 0;
  // Every child node in document order, white-space-only text included; nothing when the
  // children cannot be enumerated.
  virtual std::optional<std::vector<XmlChildNode>> ChildNodes() const = 0;
  // The attribute's value (entities resolved), or nothing when the element has none of
  // that name.
  virtual std::optional<std::u16string> Attribute(std::u16string_view name) const = 0;
};

class IXmlDocument {
 public:
  virtual ~IXmlDocument() = default;
  // The document element when it has that name, otherwise nothing.
  virtual std::unique_ptr<IXmlElement> FirstChildElement(std::u16string_view name) const = 0;
};

class IXmlParser {
 public:
  virtual ~IXmlParser() = default;
  // Nothing when the bytes are not a well-formed document the adapter accepts.
  virtual std::unique_ptr<IXmlDocument> Load(std::span<const std::byte> bytes) const noexcept = 0;
};

// What both adapters check in the bytes before parsing them, so that the rules hold even
// where a platform parser ignores its own switches.
namespace xml_prolog {

enum class ByteFamily { kAsciiCompatible, kUtf16Le, kUtf16Be };

struct Prolog {
  ByteFamily family = ByteFamily::kAsciiCompatible;
  bool hasByteOrderMark = false;
  // The declaration's encoding pseudo-attribute as written (ASCII), empty when absent.
  std::string declaredEncoding;
  // Byte range of the pseudo-attribute with the white space before it, for removal;
  // empty when absent.
  size_t encodingBegin = 0;
  size_t encodingEnd = 0;
};

enum class KnownEncoding { kUtf8, kUtf16, kShiftJis, kEucJp, kLatin1, kAscii };

// The prolog of an acceptable document: nothing when it declares a document type, names
// an encoding outside the supported set or at odds with the bytes, uses a byte family other
// than ASCII-compatible or UTF-16, or is UTF-16 of an odd number of bytes.
std::optional<Prolog> Scan(std::span<const std::byte> bytes) noexcept;
// The encoding the name stands for (ASCII case ignored, common aliases accepted).
std::optional<KnownEncoding> Classify(std::string_view encodingName) noexcept;

}  // namespace xml_prolog

namespace xml_text {

struct Piece {
  std::u16string text;
  bool cdata = false;
};
// The element text rule of IXmlElement::Text, shared so both adapters apply it alike.
std::u16string Join(std::vector<Piece> pieces);

}  // namespace xml_text

}  // namespace brimlet
