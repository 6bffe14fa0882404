// Contract of the XML adapters: encodings, the element text rule, child enumeration, and
// documents that must not load.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "testing/adapters_under_test.h"
#include "text/utf16.h"

namespace brimlet {
namespace {

std::span<const std::byte> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::byte*>(text.data()), text.size()};
}

std::unique_ptr<IXmlDocument> Load(std::string_view bytes) {
  return testing::MakeXmlParser()->Load(Bytes(bytes));
}

// The text of the document element <r>, or "<no document>".
std::u16string RootText(std::string_view bytes) {
  auto document = Load(bytes);
  if (!document) return u"<no document>";
  auto root = document->FirstChildElement(u"r");
  return root ? root->Text() : u"<no root>";
}

// A real listening socket on 127.0.0.1 that tells whether anyone connected to it.
class Listener {
 public:
  Listener() {
#ifdef _WIN32
    WSADATA data;
    started_ = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
#endif
    socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ok_ = socket_ != kInvalid &&
          ::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
          ::listen(socket_, 8) == 0 &&
          ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size) == 0;
    port_ = ntohs(address.sin_port);
  }
  ~Listener() {
    if (socket_ != kInvalid) Close(socket_);
#ifdef _WIN32
    if (started_) ::WSACleanup();
#endif
  }
  bool ok() const { return ok_; }
  int port() const { return port_; }
  bool ConnectionArrived(int milliseconds) {
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(socket_, &ready);
    timeval wait{milliseconds / 1000, (milliseconds % 1000) * 1000};
    return ::select(static_cast<int>(socket_) + 1, &ready, nullptr, nullptr, &wait) > 0;
  }

 private:
#ifdef _WIN32
  using Socket = SOCKET;
  static constexpr Socket kInvalid = INVALID_SOCKET;
  static void Close(Socket s) { ::closesocket(s); }
  bool started_ = false;
#else
  using Socket = int;
  static constexpr Socket kInvalid = -1;
  static void Close(Socket s) { ::close(s); }
#endif
  Socket socket_ = kInvalid;
  bool ok_ = false;
  int port_ = 0;
};

TEST(XmlContract, ParserDecidesTheEncodingFromDeclarationOrByteOrderMark) {
  // 検索エンジン in each encoding.
  const std::u16string expected = u"検索エンジン";
  struct Case {
    const char* what;
    std::string bytes;
  };
  using namespace std::string_literals;
  const Case cases[] = {
      {"UTF-8, no declaration",
       "<r>\xe6\xa4\x9c\xe7\xb4\xa2\xe3\x82\xa8\xe3\x83\xb3\xe3\x82\xb8\xe3\x83\xb3</r>"},
      {"UTF-8 with byte-order mark",
       "\xef\xbb\xbf<?xml version=\"1.0\" "
       "encoding=\"UTF-8\"?><r>\xe6\xa4\x9c\xe7\xb4\xa2\xe3\x82\xa8"
       "\xe3\x83\xb3\xe3\x82\xb8\xe3\x83\xb3</r>"},
      {"Shift_JIS",
       "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<r>\x8c\x9f\x8d\xf5\x83\x47"
       "\x83\x93\x83\x57\x83\x93</r>"},
      {"shift_jis in lower case, single quotes",
       "<?xml version='1.0' encoding='shift_jis' standalone='yes'?><r>\x8c\x9f\x8d\xf5\x83\x47\x83"
       "\x93\x83\x57\x83\x93</r>"},
      {"EUC-JP",
       "<?xml version=\"1.0\" encoding=\"EUC-JP\"?><r>\xb8\xa1\xba\xf7\xa5\xa8\xa5\xf3"
       "\xa5\xb8\xa5\xf3</r>"},
      {"UTF-16LE with byte-order mark",
       "\xff\xfe<\0r\0>\0\x1c\x69\x22\x7d\xa8\x30\xf3\x30\xb8\x30\xf3\x30<\0/\0r\0>\0"s},
      {"UTF-16BE with byte-order mark",
       "\xfe\xff\0<\0r\0>\x69\x1c\x7d\x22\x30\xa8\x30\xf3\x30\xb8\x30\xf3\0<\0/\0r\0>"s},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RootText(c.bytes), expected) << c.what;
  }
  EXPECT_EQ(RootText("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r>caf\xe9</r>"), u"café");
}

TEST(XmlContract, ElementTextTrimsOuterWhiteSpaceButNotCData) {
  struct Case {
    const char* xml;
    std::u16string text;
  };
  const Case cases[] = {
      {"<r>  abc  </r>", u"abc"},
      {"<r>\r\n\t a  b \t\r\n</r>", u"a  b"},
      {"<r><![CDATA[  x  ]]></r>", u"  x  "},
      {"<r>  <![CDATA[ x ]]>  </r>", u" x "},
      {"<r> a <!-- note --> b </r>", u"a  b"},
      {"<r> a<b> c </b>d <e/></r>", u"a c d"},
      {"<r>&lt;&amp;&gt;&quot;&apos;&#x3042;&#12354;</r>", u"<&>\"'ああ"},
      {"<r>\xe3\x80\x80x\xc2\xa0</r>", u"\u3000x\u00a0"},  // not XML white space
      {"<r>a\r\nb</r>", u"a\nb"},
      {"<r/>", u""},
      {"<r>   </r>", u""},
      {"<r><?pi data?>p</r>", u"p"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RootText(c.xml), c.text) << c.xml;
  }
}

TEST(XmlContract, FirstChildElementMatchesNameExactlyAmongDirectChildren) {
  auto document = Load("<r><x><a>nested</a></x><A>upper</A><a>first</a><a>second</a></r>");
  ASSERT_TRUE(document);
  EXPECT_FALSE(document->FirstChildElement(u"x"));
  EXPECT_FALSE(document->FirstChildElement(u"R"));
  auto root = document->FirstChildElement(u"r");
  ASSERT_TRUE(root);
  EXPECT_EQ(root->Name(), u"r");
  auto a = root->FirstChildElement(u"a");
  ASSERT_TRUE(a);
  EXPECT_EQ(a->Text(), u"first");
  EXPECT_EQ(root->FirstChildElement(u"A")->Text(), u"upper");
  EXPECT_FALSE(root->FirstChildElement(u"b"));
  EXPECT_FALSE(root->FirstChildElement(u"#text"));
}

TEST(XmlContract, AttributesByExactNameWithEntitiesResolved) {
  auto document = Load("<r a=\"x &amp; y\" e=\"\" B=\"up\"><c a=\"child\"/></r>");
  ASSERT_TRUE(document);
  auto root = document->FirstChildElement(u"r");
  ASSERT_TRUE(root);
  EXPECT_EQ(root->Attribute(u"a"), std::optional<std::u16string>(u"x & y"));
  EXPECT_EQ(root->Attribute(u"e"), std::optional<std::u16string>(u""));
  EXPECT_EQ(root->Attribute(u"B"), std::optional<std::u16string>(u"up"));
  EXPECT_FALSE(root->Attribute(u"b"));
  EXPECT_FALSE(root->Attribute(u"missing"));
}

TEST(XmlContract, ChildNodesListsEveryNodeInDocumentOrder) {
  auto document = Load("<r>t<a>1</a><!--c--><![CDATA[d]]><?pi x?><b>  </b>\n  </r>");
  ASSERT_TRUE(document);
  auto root = document->FirstChildElement(u"r");
  ASSERT_TRUE(root);
  auto children = root->ChildNodes();
  ASSERT_TRUE(children);
  struct Expected {
    XmlNodeType type;
    std::u16string name;
  };
  const Expected expected[] = {
      {XmlNodeType::kText, u"#text"},
      {XmlNodeType::kElement, u"a"},
      {XmlNodeType::kComment, u"#comment"},
      {XmlNodeType::kCData, u"#cdata-section"},
      {XmlNodeType::kProcessingInstruction, u"pi"},
      {XmlNodeType::kElement, u"b"},
      {XmlNodeType::kText, u"#text"},
  };
  ASSERT_EQ(children->size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ((*children)[i].type, expected[i].type) << i;
    EXPECT_EQ((*children)[i].name, expected[i].name) << i;
    EXPECT_EQ((*children)[i].element != nullptr, expected[i].type == XmlNodeType::kElement) << i;
  }
  EXPECT_EQ((*children)[1].element->Text(), u"1");
  EXPECT_EQ((*children)[1].element->ChildNodes()->size(), 1u);
}

TEST(XmlContract, ElementsOutliveTheirDocument) {
  std::unique_ptr<IXmlElement> kept;
  {
    auto document = Load("<r><a>still here</a></r>");
    ASSERT_TRUE(document);
    kept = document->FirstChildElement(u"r");
  }
  ASSERT_TRUE(kept);
  EXPECT_EQ(kept->FirstChildElement(u"a")->Text(), u"still here");
}

TEST(XmlContract, MalformedOrWronglyEncodedDocumentsDoNotLoad) {
  using namespace std::string_literals;
  const std::string cases[] = {
      "", "not xml at all", "<r><a>truncated</a>", "<r></R>", "<r/><r/>", "<r>&undefined;</r>",
      "<r>\0</r>"s,
      // Shift_JIS bytes in a document that says (or defaults to) UTF-8.
      "<r>\x8c\x9f\x8d\xf5</r>", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><r>\x8c\x9f</r>",
      // A lead byte followed by a byte no trail can be.
      "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><r>\x8c\x20</r>",
      "<?xml version=\"1.0\" encoding=\"EUC-JP\"?><r>\xb8\x20</r>",
      // Encodings outside the supported set.
      "<?xml version=\"1.0\" encoding=\"KOI8-R\"?><r>x</r>",
      "<?xml version=\"1.0\" encoding=\"UTF-7\"?><r>x</r>",
      // Declarations that contradict the bytes.
      "<?xml version=\"1.0\" encoding=\"UTF-16\"?><r/>",
      "\xef\xbb\xbf<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><r/>",
      "\xff\xfe<\0r\0/\0>\0<"s,                     // UTF-16 cut in the middle of a code unit
      "\xff\xfe<\0r\0>\0\x00\xd8<\0/\0r\0>\0"s,     // unpaired surrogate
      "\xff\xfe\0\0<\0\0\0r\0\0\0/\0\0\0>\0\0\0"s,  // UTF-32
      "\x4c\x6f\xa7\x94",                           // EBCDIC
  };
  for (const std::string& bytes : cases) {
    EXPECT_FALSE(Load(bytes)) << testing::AdapterFamily() << ": " << bytes;
  }
}

TEST(XmlContract, DocumentTypeDeclarationsAreRefused) {
  // The secret must never reach a document, whichever way the entity is declared.
  auto files = testing::MakeFileSystem();
  const std::u16string secretPath = testing::ScratchFolder() + u"secret.txt";
  const std::string secret = "top-secret-contents";
  ASSERT_TRUE(files->WriteFile(secretPath, Bytes(secret)));
  std::string url = Utf16ToUtf8(secretPath);
  for (char& c : url) {
    if (c == '\\') c = '/';
  }
  url = (url.front() == '/' ? "file://" : "file:///") + url;

  const std::string laughs =
      "<!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
      "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">"
      "<!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\"><!ENTITY f \"&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;\">"
      "<!ENTITY g \"&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;\"><!ENTITY h \"&g;&g;&g;&g;&g;&g;&g;&g;&g;&g;\">"
      "<!ENTITY i \"&h;&h;&h;&h;&h;&h;&h;&h;&h;&h;\">]><r>&i;</r>";
  using namespace std::string_literals;
  const std::string cases[] = {
      "<!DOCTYPE r [<!ENTITY x SYSTEM \"" + url + "\">]><r>&x;</r>",
      "<?xml version=\"1.0\"?>\n<!-- c --><?pi?>\n<!DOCTYPE r [<!ENTITY x SYSTEM \"" + url +
          "\">]><r>&x;</r>",
      "<!DOCTYPE r [<!ENTITY % p SYSTEM \"" + url + "\">%p;]><r/>",
      "<!DOCTYPE r SYSTEM \"http://127.0.0.1:9/r.dtd\"><r/>",
      "<!DOCTYPE r [<!ENTITY x \"internal\">]><r>&x;</r>",
      "<!DOCTYPE r><r/>",
      laughs,
      // The same in UTF-16: the scan works on code units, not bytes.
      "\xff\xfe<\0!\0D\0O\0C\0T\0Y\0P\0E\0 \0r\0>\0<\0r\0/\0>\0"s,
  };
  for (const std::string& bytes : cases) {
    auto document = Load(bytes);
    EXPECT_FALSE(document) << bytes;
    if (document) {
      auto root = document->FirstChildElement(u"r");
      if (root) {
        EXPECT_EQ(root->Text().find(u"top-secret"), std::u16string::npos);
      }
    }
  }
}

TEST(XmlContract, NothingIsFetchedFromTheNetwork) {
  Listener listener;
  ASSERT_TRUE(listener.ok());
  const std::string url = "http://127.0.0.1:" + std::to_string(listener.port()) + "/";
  // Refused: they need a document type declaration.
  const std::string refused[] = {
      "<!DOCTYPE r SYSTEM \"" + url + "r.dtd\"><r/>",
      "<!DOCTYPE r [<!ENTITY x SYSTEM \"" + url + "x\">]><r>&x;</r>",
      "<!DOCTYPE r [<!ENTITY % p SYSTEM \"" + url + "p\">%p;]><r/>",
  };
  for (const std::string& bytes : refused) {
    EXPECT_FALSE(Load(bytes)) << bytes;
  }
  // Well-formed without one, and loaded, but their references are only text.
  const std::string loaded[] = {
      "<?xml-stylesheet type=\"text/xsl\" href=\"" + url + "s.xsl\"?><r>x</r>",
      "<r xmlns:xi=\"http://www.w3.org/2001/XInclude\"><xi:include href=\"" + url +
          "i.xml\"/>x</r>",
      "<r xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xsi:schemaLocation=\"urn:x " +
          url + "s.xsd\" xsi:noNamespaceSchemaLocation=\"" + url + "n.xsd\">x</r>",
  };
  for (const std::string& bytes : loaded) {
    auto document = Load(bytes);
    ASSERT_TRUE(document) << bytes;
    EXPECT_EQ(document->FirstChildElement(u"r")->Text(), u"x") << bytes;
  }
  EXPECT_FALSE(listener.ConnectionArrived(500));
}

TEST(XmlContract, DeepNestingFailsOrLoadsWithoutExhaustingTheStack) {
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<r>";
  deep += "x";
  for (int i = 0; i < 100000; ++i) deep += "</r>";
  if (auto document = Load(deep)) {
    auto root = document->FirstChildElement(u"r");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->Text(), u"x");
  }
  std::string moderate;
  for (int i = 0; i < 100; ++i) moderate += "<r>";
  moderate += " y ";
  for (int i = 0; i < 100; ++i) moderate += "</r>";
  EXPECT_EQ(RootText(moderate), u"y");
}

}  // namespace
}  // namespace brimlet
