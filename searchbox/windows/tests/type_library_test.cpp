// The type library in the built Brimlet.exe, as a script host reads it: the library, the
// dispatch-only interface with its 29 members in order, and the coclass.
#include <gtest/gtest.h>

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

#include "testing/win32_test_support.h"
#include "win32/unique_resource.h"

namespace brimlet::win32 {
namespace {

constexpr GUID kLibraryGuid = {
    0x4F2A7C10, 0x8B3D, 0x4E61, {0x9A, 0x55, 0xC0, 0xD1, 0xE2, 0xF3, 0x00, 0x09}};
constexpr GUID kInterfaceGuid = {
    0x4F2A7C10, 0x8B3D, 0x4E61, {0x9A, 0x55, 0xC0, 0xD1, 0xE2, 0xF3, 0x03, 0x01}};
constexpr GUID kCoclassGuid = {
    0x4F2A7C10, 0x8B3D, 0x4E61, {0x9A, 0x55, 0xC0, 0xD1, 0xE2, 0xF3, 0x03, 0x02}};

struct Parameter {
  const char* type;
  const char* name;
  bool out = false;  // [out, retval]; [in] otherwise
};
struct Member {
  const char* name;
  bool propertyPut;
  std::vector<Parameter> parameters;
};

const Parameter kFunction{"IDispatch*", "newVal"};
Parameter In(const char* type, const char* name) { return {type, name, false}; }
Parameter Out(const char* type, const char* name) { return {type, name, true}; }

const std::vector<Member>& Members() {
  static const std::vector<Member> members = {
      {"onShowSearchServiceMenu", true, {kFunction}},
      {"onRotateSearchService", true, {kFunction}},
      {"onUpdateNotify", true, {kFunction}},
      {"Init", false, {}},
      {"Exit", false, {}},
      {"DoDragWindow", false, {}},
      {"ExecuteConfig", false, {Out("VARIANT_BOOL*", "pbRet")}},
      {"ExecuteSearch", false, {In("BSTR", "bstrSearchWords")}},
      {"ToggleSearchService", false, {In("VARIANT_BOOL", "bPositive")}},
      {"ShowSearchServiceMenu",
       false,
       {In("long", "x"), In("long", "y"), Out("VARIANT_BOOL*", "bResult")}},
      {"RotateSearchService", false, {In("VARIANT_BOOL", "bPositive")}},
      {"IsAutoCompleteActive", false, {Out("VARIANT_BOOL*", "pbResult")}},
      {"CanShowAutoComplete", false, {Out("VARIANT_BOOL*", "pbResult")}},
      {"ShowAutoComplete",
       false,
       {In("long", "x"), In("long", "y"), In("long", "width"), In("long", "height"),
        In("BSTR", "strSearchWords"), In("IDispatch*", "pDispAutoCompleteBegin"),
        In("IDispatch*", "pDispAutoCompleteItemChanged"), In("IDispatch*", "pDispAutoCompleteEnd"),
        Out("BSTR*", "pstrInitialResult")}},
      {"HideAutoComplete", false, {}},
      {"OnNotifyHandled", false, {}},
      {"GetCurrentSearchServiceName", false, {Out("BSTR*", "pstrName")}},
      {"GetCurrentSearchServiceImage", false, {Out("BSTR*", "pstrImageUrl")}},
      {"GetCurrentSearchServiceSuggestionURL",
       false,
       {In("BSTR", "bstrSearchWords"), Out("BSTR*", "pstrSuggestionURL")}},
      {"GetLastSearchWords", false, {Out("BSTR*", "pSearchWords")}},
      {"GetRecordSearchWordsConfig", false, {Out("VARIANT_BOOL*", "pbRecord")}},
      {"GetRecordSearchWords", false, {Out("VARIANT_BOOL*", "pbRecord")}},
      {"SetRecordSearchWords", false, {In("VARIANT_BOOL", "bRecord")}},
      {"GetShowAlways", false, {Out("VARIANT_BOOL*", "pbShowAlways")}},
      {"SetShowAlways", false, {In("VARIANT_BOOL", "bShowAlways")}},
      {"GetUseCustomSearchWordsColor", false, {Out("VARIANT_BOOL*", "pbValue")}},
      {"GetCustomSearchWordsColor", false, {Out("BSTR*", "pValue")}},
      {"LaunchHelp", false, {}},
      {"Trace", false, {In("BSTR", "bstrText")}},
  };
  return members;
}

std::string Narrow(BSTR text) {
  std::string out;
  for (UINT i = 0; i < ::SysStringLen(text); ++i) out += static_cast<char>(text[i]);
  return out;
}

std::string RefName(ITypeInfo* info, HREFTYPE ref) {
  ComPtr<ITypeInfo> referenced;
  if (FAILED(info->GetRefTypeInfo(ref, referenced.put()))) return "?";
  UniqueBstr name;
  referenced->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr);
  return Narrow(name.get());
}

// The type as the IDL spells it; an interface pointer reads the same whether the library
// stores it as VT_DISPATCH or as a pointer to the referenced interface.
std::string TypeText(ITypeInfo* info, const TYPEDESC& type) {
  switch (type.vt) {
    case VT_PTR:
      return TypeText(info, *type.lptdesc) + "*";
    case VT_USERDEFINED:
      return RefName(info, type.hreftype);
    case VT_DISPATCH:
      return "IDispatch*";
    case VT_BSTR:
      return "BSTR";
    case VT_BOOL:
      return "VARIANT_BOOL";
    case VT_I4:
      return "long";
    case VT_HRESULT:
      return "HRESULT";
    default:
      return "vt" + std::to_string(type.vt);
  }
}

std::wstring BrimletExe() { return testing::GadgetFolder() + L"Brimlet.exe"; }

TEST(PageResourcesTest, TypeLibraryIsUsEnglishAndThePageIsHtml) {
  const UniqueHModule exe(::LoadLibraryExW(
      BrimletExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  ASSERT_TRUE(exe);
  EXPECT_NE(::FindResourceExW(exe.get(), L"TYPELIB", MAKEINTRESOURCEW(1),
                              MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)),
            nullptr);
  EXPECT_NE(::FindResourceW(exe.get(), L"MAIN.HTML", MAKEINTRESOURCEW(23)), nullptr);
}

class TypeLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(::LoadTypeLibEx(BrimletExe().c_str(), REGKIND_NONE, library_.put()), S_OK);
  }
  ComPtr<ITypeInfo> TypeOf(const GUID& guid) {
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(library_->GetTypeInfoOfGuid(guid, info.put()), S_OK);
    return info;
  }

  ComPtr<ITypeLib> library_;
};

TEST_F(TypeLibraryTest, LibraryCarriesItsNameVersionAndLocale) {
  TLIBATTR* attributes = nullptr;
  ASSERT_EQ(library_->GetLibAttr(&attributes), S_OK);
  EXPECT_TRUE(IsEqualGUID(attributes->guid, kLibraryGuid));
  EXPECT_EQ(attributes->lcid, 0x0409u);
  EXPECT_EQ(attributes->wMajorVerNum, 1);
  EXPECT_EQ(attributes->wMinorVerNum, 0);
  library_->ReleaseTLibAttr(attributes);

  UniqueBstr name, help;
  ASSERT_EQ(library_->GetDocumentation(-1, name.put(), help.put(), nullptr, nullptr), S_OK);
  EXPECT_EQ(Narrow(name.get()), "BrimletLib");
  EXPECT_EQ(Narrow(help.get()), "BrimletLib 1.0 Type Library");
}

TEST_F(TypeLibraryTest, InterfaceIsDispatchOnlyAndDerivesFromIDispatch) {
  ComPtr<ITypeInfo> info = TypeOf(kInterfaceGuid);
  ASSERT_TRUE(info);
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
  EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FDISPATCHABLE);
  EXPECT_FALSE(attributes->wTypeFlags & TYPEFLAG_FDUAL);
  EXPECT_FALSE(attributes->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
  EXPECT_EQ(attributes->cFuncs, Members().size());
  EXPECT_EQ(attributes->cImplTypes, 1);
  info->ReleaseTypeAttr(attributes);

  UniqueBstr name;
  info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr);
  EXPECT_EQ(Narrow(name.get()), "IExternalDispatch");
  HREFTYPE base = 0;
  ASSERT_EQ(info->GetRefTypeOfImplType(0, &base), S_OK);
  EXPECT_EQ(RefName(info.get(), base), "IDispatch");
}

TEST_F(TypeLibraryTest, MembersHaveTheirOrderDefaultIdsKindsAndParameters) {
  ComPtr<ITypeInfo> info = TypeOf(kInterfaceGuid);
  ASSERT_TRUE(info);
  for (size_t i = 0; i < Members().size(); ++i) {
    const Member& member = Members()[i];
    SCOPED_TRACE(member.name);
    FUNCDESC* function = nullptr;
    ASSERT_EQ(info->GetFuncDesc(static_cast<UINT>(i), &function), S_OK);
    EXPECT_EQ(function->memid, static_cast<MEMBERID>(0x60020000 + i));
    EXPECT_EQ(function->invkind, member.propertyPut ? INVOKE_PROPERTYPUT : INVOKE_FUNC);
    EXPECT_EQ(TypeText(info.get(), function->elemdescFunc.tdesc), "HRESULT");
    ASSERT_EQ(static_cast<size_t>(function->cParams), member.parameters.size());

    std::vector<BSTR> names(member.parameters.size() + 1, nullptr);
    UINT count = 0;
    EXPECT_EQ(
        info->GetNames(function->memid, names.data(), static_cast<UINT>(names.size()), &count),
        S_OK);
    std::vector<UniqueBstr> owned;
    for (UINT n = 0; n < count; ++n) owned.emplace_back(names[n]);
    ASSERT_GE(count, 1u);
    EXPECT_EQ(Narrow(owned[0].get()), member.name);

    for (size_t p = 0; p < member.parameters.size(); ++p) {
      const Parameter& expected = member.parameters[p];
      SCOPED_TRACE(expected.name);
      const ELEMDESC& actual = function->lprgelemdescParam[p];
      EXPECT_EQ(TypeText(info.get(), actual.tdesc), expected.type);
      const USHORT flags =
          actual.paramdesc.wParamFlags & (PARAMFLAG_FIN | PARAMFLAG_FOUT | PARAMFLAG_FRETVAL);
      EXPECT_EQ(flags, expected.out ? PARAMFLAG_FOUT | PARAMFLAG_FRETVAL : PARAMFLAG_FIN);
      if (p + 1 < count) {
        EXPECT_EQ(Narrow(owned[p + 1].get()), expected.name);
      }
    }
    // Names of a property put's value are not reported by every type library reader.
    if (!member.propertyPut) {
      EXPECT_EQ(count, member.parameters.size() + 1);
    }
    info->ReleaseFuncDesc(function);
  }
}

TEST_F(TypeLibraryTest, CoclassCanBeCreatedAndImplementsTheInterface) {
  ComPtr<ITypeInfo> info = TypeOf(kCoclassGuid);
  ASSERT_TRUE(info);
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
  EXPECT_EQ(attributes->typekind, TKIND_COCLASS);
  EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FCANCREATE);
  EXPECT_EQ(attributes->cImplTypes, 1);
  info->ReleaseTypeAttr(attributes);

  UniqueBstr name;
  info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr);
  EXPECT_EQ(Narrow(name.get()), "ExternalDispatch");
  HREFTYPE implemented = 0;
  ASSERT_EQ(info->GetRefTypeOfImplType(0, &implemented), S_OK);
  EXPECT_EQ(RefName(info.get(), implemented), "IExternalDispatch");
}

}  // namespace
}  // namespace brimlet::win32
