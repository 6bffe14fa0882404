// The page stream and the content moniker under Wine: what the browser reads through them.
#include "content_moniker.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "win32/wide.h"

namespace brimlet::win32 {
namespace {

constexpr std::u16string_view kSkin = u"C:\\Apps\\ツール\\skin\\black\\large\\";

std::string ReadAll(IStream* stream) {
  std::string text;
  char buffer[7];  // small, so a page takes several reads
  ULONG read = 0;
  while (SUCCEEDED(stream->Read(buffer, sizeof(buffer), &read)) && read > 0) {
    text.append(buffer, read);
  }
  return text;
}

TEST(PageStreamTest, ServesThePageFilledAsUtf8) {
  struct Case {
    const char* name;
    std::string page;
    std::string expected;
  };
  const std::string base =
      "file:///C:\\Apps\\\xE3\x83\x84\xE3\x83\xBC\xE3\x83\xAB\\skin\\black\\large\\";
  const Case cases[] = {
      {"both tokens", "<base href=\"{BASE_LOCATION}\"><a href=\"{BASE_LOCATION}x\">",
       "<base href=\"" + base + "\"><a href=\"" + base + "x\">"},
      {"no token: byte for byte", "<p>\xE6\xA4\x9C\xE7\xB4\xA2 \xF0\x9F\x94\x8D</p>\n",
       "<p>\xE6\xA4\x9C\xE7\xB4\xA2 \xF0\x9F\x94\x8D</p>\n"},
      {"an empty page", "", ""},
  };
  for (const Case& c : cases) {
    ComPtr<IStream> stream;
    ASSERT_EQ(CreatePageStream(c.page, kSkin, stream), S_OK) << c.name;
    STATSTG stat{};
    ASSERT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(stat.cbSize.QuadPart, c.expected.size()) << c.name;
    EXPECT_EQ(ReadAll(stream.get()), c.expected) << c.name;
  }
}

ComPtr<IMoniker> OwnPageMoniker(std::u16string skin = std::u16string(kSkin)) {
  return CreateContentMoniker(::GetModuleHandleW(nullptr), std::move(skin));
}

TEST(ContentMonikerTest, BindToStorageServesTheModulesPage) {
  ComPtr<IMoniker> moniker = OwnPageMoniker();
  ASSERT_TRUE(moniker);
  ComPtr<IStream> stream;
  ASSERT_EQ(moniker->BindToStorage(nullptr, nullptr, IID_IStream, stream.put_void()), S_OK);
  const std::string base =
      "file:///C:\\Apps\\\xE3\x83\x84\xE3\x83\xBC\xE3\x83\xAB\\skin\\black\\large\\";
  EXPECT_EQ(ReadAll(stream.get()), "<html><head><base href=\"" + base +
                                       "\"><link rel=\"stylesheet\" href=\"" + base +
                                       "style.css\"></head><body>\xE6\xA4\x9C\xE7\xB4\xA2 "
                                       "\xE2\x9C\x93</body></html>");

  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(moniker->BindToStorage(nullptr, nullptr, IID_IMoniker, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(moniker->BindToStorage(nullptr, nullptr, IID_IStream, nullptr), E_POINTER);
}

TEST(ContentMonikerTest, AModuleWithoutAPageFailsToBind) {
  ComPtr<IMoniker> moniker =
      CreateContentMoniker(::GetModuleHandleW(L"kernel32.dll"), std::u16string(kSkin));
  ComPtr<IStream> stream;
  EXPECT_EQ(moniker->BindToStorage(nullptr, nullptr, IID_IStream, stream.put_void()), E_FAIL);
  EXPECT_FALSE(stream);
}

struct DisplayName {
  HRESULT result;
  std::u16string text;
};
DisplayName NameOf(IMoniker* moniker) {
  LPOLESTR name = nullptr;
  const HRESULT hr = moniker->GetDisplayName(nullptr, nullptr, &name);
  DisplayName out{hr, name ? FromWide(name) : u""};
  ::CoTaskMemFree(name);
  return out;
}

TEST(ContentMonikerTest, DisplayNameIsTheSkinPageWithTheCreationTick) {
  const DWORD before = ::GetTickCount();
  ComPtr<IMoniker> moniker = OwnPageMoniker();
  const DWORD after = ::GetTickCount();
  const DisplayName name = NameOf(moniker.get());
  ASSERT_EQ(name.result, S_OK);
  const std::u16string prefix = std::u16string(kSkin) + u"main.html?t=";
  ASSERT_EQ(name.text.substr(0, prefix.size()), prefix);
  const std::string digits(name.text.begin() + prefix.size(), name.text.end());
  ASSERT_EQ(digits.find_first_not_of("0123456789"), std::string::npos) << digits;
  const unsigned long tick = std::strtoul(digits.c_str(), nullptr, 10);
  EXPECT_GE(tick, before);
  EXPECT_LE(tick, after);
  // Taken once: asking again gives the same address.
  EXPECT_EQ(NameOf(moniker.get()).text, name.text);
}

TEST(ContentMonikerTest, MonikersMadeApartHaveDifferentNames) {
  ComPtr<IMoniker> first = OwnPageMoniker();
  ::Sleep(40);  // above the tick's resolution on Windows (about 16 ms)
  ComPtr<IMoniker> second = OwnPageMoniker();
  EXPECT_NE(NameOf(first.get()).text, NameOf(second.get()).text);
}

TEST(ContentMonikerTest, ANameBeyondTheBufferIsRefusedNotCut) {
  ComPtr<IMoniker> moniker = OwnPageMoniker(u"C:\\" + std::u16string(1100, u'a') + u"\\");
  LPOLESTR name = reinterpret_cast<LPOLESTR>(1);
  EXPECT_EQ(moniker->GetDisplayName(nullptr, nullptr, &name),
            HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(name, nullptr);
  EXPECT_EQ(moniker->GetDisplayName(nullptr, nullptr, nullptr), E_POINTER);
}

TEST(ContentMonikerTest, IsNoSystemMoniker) {
  ComPtr<IMoniker> moniker = OwnPageMoniker();
  DWORD kind = MKSYS_FILEMONIKER;
  EXPECT_EQ(moniker->IsSystemMoniker(&kind), S_FALSE);
  EXPECT_EQ(kind, static_cast<DWORD>(MKSYS_NONE));
  EXPECT_EQ(moniker->IsSystemMoniker(nullptr), E_POINTER);
}

TEST(ContentMonikerTest, AnswersForItsInterfacesOnly) {
  ComPtr<IMoniker> moniker = OwnPageMoniker();
  for (const IID* iid : {&IID_IUnknown, &IID_IPersist, &IID_IPersistStream, &IID_IMoniker}) {
    ComPtr<IUnknown> answer;
    EXPECT_EQ(moniker->QueryInterface(*iid, answer.put_void()), S_OK);
    EXPECT_TRUE(answer);
  }
  ComPtr<IUnknown> answer;
  EXPECT_EQ(moniker->QueryInterface(IID_IStream, answer.put_void()), E_NOINTERFACE);
  EXPECT_FALSE(answer);
}

TEST(ContentMonikerTest, EveryOtherMethodIsNotImplemented) {
  ComPtr<IMoniker> moniker = OwnPageMoniker();
  IMoniker* m = moniker.get();
  CLSID classId{};
  ULARGE_INTEGER size{};
  DWORD hash = 0;
  FILETIME time{};
  ULONG eaten = 0;
  wchar_t text[] = L"x";
  IMoniker* out = nullptr;
  IEnumMoniker* monikers = nullptr;
  void* object = nullptr;
  const HRESULT results[] = {
      m->GetClassID(&classId),
      m->IsDirty(),
      m->Load(nullptr),
      m->Save(nullptr, TRUE),
      m->GetSizeMax(&size),
      m->BindToObject(nullptr, nullptr, IID_IUnknown, &object),
      m->Reduce(nullptr, MKRREDUCE_ALL, nullptr, &out),
      m->ComposeWith(m, FALSE, &out),
      m->Enum(TRUE, &monikers),
      m->IsEqual(m),
      m->Hash(&hash),
      m->IsRunning(nullptr, nullptr, nullptr),
      m->GetTimeOfLastChange(nullptr, nullptr, &time),
      m->Inverse(&out),
      m->CommonPrefixWith(m, &out),
      m->RelativePathTo(m, &out),
      m->ParseDisplayName(nullptr, nullptr, text, &eaten, &out),
  };
  for (size_t i = 0; i < std::size(results); ++i) EXPECT_EQ(results[i], E_NOTIMPL) << i;
}

}  // namespace
}  // namespace brimlet::win32
