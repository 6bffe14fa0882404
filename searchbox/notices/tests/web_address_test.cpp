#include "text/web_address.h"

#include <gtest/gtest.h>

#include <string>

namespace brimlet {
namespace {

struct AddressCase {
  std::u16string text;
  bool accepted;
};

// The address of a notice comes from the network and goes to the shell, which would run a
// program for anything that is not a web address.
TEST(IsWebAddressTest, AcceptsOnlyAbsoluteHttpAndHttpsAddresses) {
  const AddressCase cases[] = {
      {u"http://example.com/", true},
      {u"https://example.com/download/new.html?x=1#top", true},
      {u"HTTP://EXAMPLE.COM", true},
      {u"hTTpS://example.com", true},
      {u"http://user@example.com:8080/path", true},
      {u"http://127.0.0.1:8000/notify.xml", true},
      {u"http://[::1]:8080/", true},
      {u"http://例え.jp/検索?q=ブリムレット", true},
      {u"", false},
      {u"http://", false},
      {u"https://", false},
      {u"http:///path", false},
      {u"http://:80/", false},
      {u"http://user@/", false},
      {u"http://[]/", false},
      {u"http:example.com", false},
      {u"http:/example.com", false},
      {u"http:\\\\example.com", false},
      {u"httpx://example.com", false},
      {u"ftp://example.com/file", false},
      {u"file:///C:/Windows/System32/calc.exe", false},
      {u"C:\\Windows\\System32\\calc.exe", false},
      {u"\\\\server\\share\\setup.exe", false},
      {u"calc.exe", false},
      {u"notepad", false},
      {u"javascript:alert(1)", false},
      {u"mailto:someone@example.com", false},
      {u"www.example.com", false},
      {u" http://example.com", false},
      {u"http://example.com ", false},
      {u"http://example.com/a b", false},
      {u"http://example.com/\" --flag", false},
      {u"http://example.com\\@evil.example/", false},
      {u"http://example.com/\r\nfile:///x", false},
      {u"http://example.com/\t", false},
      {u"http://example.com/\u3000", false},
  };
  for (const AddressCase& c : cases) {
    EXPECT_EQ(IsWebAddress(c.text), c.accepted)
        << "case: " << std::string(c.text.begin(), c.text.end());
  }
}

TEST(IsWebAddressTest, EmbeddedNulIsRefused) {
  const std::u16string text(u"http://example.com/\0calc.exe", 28);
  EXPECT_FALSE(IsWebAddress(text));
}

}  // namespace
}  // namespace brimlet
