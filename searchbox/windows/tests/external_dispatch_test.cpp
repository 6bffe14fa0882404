// The page's script object as a script reaches it: every member by name through
// GetIDsOfNames and Invoke (the type library is linked into this program), what reaches the
// box, the page's booleans and texts, and the events raised into the page.
#include "external_dispatch.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "testing/recording_function.h"
#include "win32/wide.h"
#include "win32/win32_registry.h"

namespace brimlet::win32 {
namespace {

using testing::RecordingFunction;

std::u16string Text(const VARIANT& v) {
  return v.vt == VT_BSTR ? FromWide({v.bstrVal, ::SysStringLen(v.bstrVal)}) : u"<not text>";
}

// Records what the script object asks of the box and answers from its fields.
class FakeBox final : public IPageBox {
 public:
  std::vector<std::u16string> log;
  IDispatch* menuHandler = nullptr;
  IDispatch* rotateHandler = nullptr;
  IDispatch* notifyHandler = nullptr;
  bool answer = true;
  HRESULT completion = S_OK;
  std::u16string initial = u"abc";
  IDispatch* completionFunctions[3] = {};
  const ISearchEngineItem* engine = nullptr;
  Win32Registry registry;
  Settings settings{registry};

  void SetShowEngineMenuHandler(IDispatch* f) noexcept override { menuHandler = f; }
  void SetRotateEngineHandler(IDispatch* f) noexcept override { rotateHandler = f; }
  void SetUpdateNotifyHandler(IDispatch* f) noexcept override { notifyHandler = f; }
  void Init() noexcept override { log.push_back(u"Init"); }
  void Exit() noexcept override { log.push_back(u"Exit"); }
  void DoDragWindow() noexcept override { log.push_back(u"DoDragWindow"); }
  bool ExecuteConfig() noexcept override { return Answer(u"ExecuteConfig"); }
  void ExecuteSearch(std::u16string_view words) noexcept override {
    log.push_back(u"ExecuteSearch " + std::u16string(words));
  }
  void StepEngine(bool forward) noexcept override {
    log.push_back(forward ? u"StepEngine forward" : u"StepEngine back");
  }
  bool ShowEngineMenu(long x, long y) noexcept override {
    return Answer(u"ShowEngineMenu " + Number(x) + u"," + Number(y));
  }
  bool IsAutoCompleteActive() noexcept override { return Answer(u"IsAutoCompleteActive"); }
  bool CanShowAutoComplete() noexcept override { return Answer(u"CanShowAutoComplete"); }
  HRESULT ShowAutoComplete(long x, long y, long width, long height, std::u16string_view words,
                           IDispatch* begin, IDispatch* changed, IDispatch* end,
                           std::u16string& first) noexcept override {
    log.push_back(u"ShowAutoComplete " + Number(x) + u"," + Number(y) + u"," + Number(width) +
                  u"," + Number(height) + u" " + std::u16string(words));
    completionFunctions[0] = begin;
    completionFunctions[1] = changed;
    completionFunctions[2] = end;
    first = initial;
    return completion;
  }
  void HideAutoComplete() noexcept override { log.push_back(u"HideAutoComplete"); }
  void OnNotifyHandled() noexcept override { log.push_back(u"OnNotifyHandled"); }
  const ISearchEngineItem* CurrentEngine() noexcept override { return engine; }
  std::u16string LastSearchWords() noexcept override { return u"前回"; }
  bool RecordSearchWords() noexcept override { return Answer(u"RecordSearchWords"); }
  void SetRecordSearchWords(bool record) noexcept override {
    log.push_back(record ? u"SetRecordSearchWords on" : u"SetRecordSearchWords off");
  }
  bool ShowAlways() noexcept override { return Answer(u"ShowAlways"); }
  void SetShowAlways(bool showAlways) noexcept override {
    log.push_back(showAlways ? u"SetShowAlways on" : u"SetShowAlways off");
  }
  void LaunchHelp() noexcept override { log.push_back(u"LaunchHelp"); }
  Settings& PageSettings() noexcept override { return settings; }

 private:
  static std::u16string Number(long n) { return FromWide(std::to_wstring(n)); }
  bool Answer(std::u16string call) {
    log.push_back(std::move(call));
    return answer;
  }
};

VARIANT Bool(bool value) {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_BOOL;
  v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}
// A VT_BOOL whose argument slot carries bits above the 16 that count.
VARIANT WideBool(LONG bits) {
  VARIANT v = Bool(false);
  v.lVal = bits;
  return v;
}
VARIANT Long(LONG value) {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = value;
  return v;
}
VARIANT Dispatch(IDispatch* value) {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_DISPATCH;
  v.pdispVal = value;
  return v;
}
// Owns the texts of the arguments it makes.
class Texts {
 public:
  VARIANT operator()(std::u16string_view text) {
    owned_.emplace_back(::SysAllocStringLen(ToWide(text).c_str(), static_cast<UINT>(text.size())));
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = owned_.back().get();
    return v;
  }

 private:
  std::vector<UniqueBstr> owned_;
};

struct Outcome {
  HRESULT hr = E_FAIL;
  SCODE scode = S_OK;  // the member's own failure, reported as an exception
  VARIANT result{};
  ~Outcome() { ::VariantClear(&result); }
};

class ExternalDispatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    box_.registry.DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey);
    object_ = ExternalDispatch::Create(&box_);
    ASSERT_TRUE(object_) << "the type library is not in this program's resources";
  }
  void TearDown() override { box_.registry.DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey); }

  // As the browser's script engine calls: the name to an id, then the arguments in reverse
  // order, a call as "method or property read" with a result wanted.
  void CallByName(const wchar_t* name, std::vector<VARIANT> arguments, Outcome& outcome,
                  WORD flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    ASSERT_EQ(object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK) << name;
    std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    if (put) {
      params.rgdispidNamedArgs = &putId;
      params.cNamedArgs = 1;
    }
    EXCEPINFO exception{};
    UINT argumentError = 0;
    outcome.hr = object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                 put ? nullptr : &outcome.result, &exception, &argumentError);
    outcome.scode = exception.scode;
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrHelpFile);
  }
  IExternalDispatch* Vtable() { return object_.get(); }

  FakeBox box_;
  ComPtr<ExternalDispatch> object_;
  Texts text_;
};

TEST_F(ExternalDispatchTest, AnswersOnlyItsThreeInterfaces) {
  for (const IID& iid : {IID_IUnknown, IID_IDispatch, kIidExternalDispatch}) {
    ComPtr<IUnknown> answered;
    EXPECT_EQ(object_->QueryInterface(iid, answered.put_void()), S_OK);
  }
  ComPtr<IUnknown> other;
  EXPECT_EQ(object_->QueryInterface(IID_IPersist, other.put_void()), E_NOINTERFACE);
  UINT count = 0;
  EXPECT_EQ(object_->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
}

TEST_F(ExternalDispatchTest, MembersCalledByNameReachTheBox) {
  const struct {
    const wchar_t* name;
    std::vector<VARIANT> arguments;
    std::u16string_view logged;
  } cases[] = {
      {L"Init", {}, u"Init"},
      {L"Exit", {}, u"Exit"},
      {L"DoDragWindow", {}, u"DoDragWindow"},
      {L"ExecuteSearch", {text_(u"東京\u3000天気")}, u"ExecuteSearch 東京\u3000天気"},
      {L"ToggleSearchService", {Bool(true)}, u"StepEngine forward"},
      {L"ToggleSearchService", {Bool(false)}, u"StepEngine back"},
      {L"RotateSearchService", {Bool(true)}, u"StepEngine forward"},
      {L"RotateSearchService", {Bool(false)}, u"StepEngine back"},
      // Only the low 16 bits of a boolean count.
      {L"ToggleSearchService", {WideBool(0x10000)}, u"StepEngine back"},
      {L"ToggleSearchService", {WideBool(0x0001)}, u"StepEngine forward"},
      {L"HideAutoComplete", {}, u"HideAutoComplete"},
      {L"OnNotifyHandled", {}, u"OnNotifyHandled"},
      {L"SetRecordSearchWords", {Bool(true)}, u"SetRecordSearchWords on"},
      {L"SetRecordSearchWords", {WideBool(0x10000)}, u"SetRecordSearchWords off"},
      {L"SetShowAlways", {Bool(false)}, u"SetShowAlways off"},
      {L"SetShowAlways", {WideBool(0x0001)}, u"SetShowAlways on"},
      {L"LaunchHelp", {}, u"LaunchHelp"},
  };
  for (const auto& c : cases) {
    box_.log.clear();
    Outcome outcome;
    CallByName(c.name, c.arguments, outcome);
    EXPECT_EQ(outcome.hr, S_OK) << c.name;
    EXPECT_EQ(box_.log, std::vector<std::u16string>{std::u16string(c.logged)}) << c.name;
  }
}

TEST_F(ExternalDispatchTest, BooleanResultsAreMinusOneOrZero) {
  const struct {
    const wchar_t* name;
    std::vector<VARIANT> arguments;
    std::u16string_view logged;
  } cases[] = {
      {L"ExecuteConfig", {}, u"ExecuteConfig"},
      {L"ShowSearchServiceMenu", {Long(12), Long(-34)}, u"ShowEngineMenu 12,-34"},
      {L"IsAutoCompleteActive", {}, u"IsAutoCompleteActive"},
      {L"CanShowAutoComplete", {}, u"CanShowAutoComplete"},
      {L"GetRecordSearchWords", {}, u"RecordSearchWords"},
      {L"GetShowAlways", {}, u"ShowAlways"},
  };
  for (bool answer : {true, false}) {
    box_.answer = answer;
    for (const auto& c : cases) {
      box_.log.clear();
      Outcome outcome;
      CallByName(c.name, c.arguments, outcome);
      EXPECT_EQ(outcome.hr, S_OK) << c.name;
      EXPECT_EQ(box_.log, std::vector<std::u16string>{std::u16string(c.logged)}) << c.name;
      EXPECT_EQ(outcome.result.vt, VT_BOOL) << c.name;
      EXPECT_EQ(outcome.result.boolVal, answer ? VARIANT_TRUE : VARIANT_FALSE) << c.name;
    }
  }
}

TEST_F(ExternalDispatchTest, SettingsReachThePageAsBooleansAndACssColour) {
  for (bool on : {true, false}) {
    box_.settings.SetRecordSearchWords(on);
    box_.settings.SetUseCustomSearchWordsColor(!on);
    Outcome record, useColour;
    CallByName(L"GetRecordSearchWordsConfig", {}, record);
    CallByName(L"GetUseCustomSearchWordsColor", {}, useColour);
    EXPECT_EQ(record.result.boolVal, on ? VARIANT_TRUE : VARIANT_FALSE);
    EXPECT_EQ(useColour.result.boolVal, on ? VARIANT_FALSE : VARIANT_TRUE);
  }
  box_.settings.SetCustomSearchWordsColor(0x0000FF);
  Outcome colour;
  CallByName(L"GetCustomSearchWordsColor", {}, colour);
  EXPECT_EQ(colour.hr, S_OK);
  EXPECT_EQ(Text(colour.result), u"#ff0000");
}

TEST_F(ExternalDispatchTest, EngineTextsComeFromTheCurrentEngineOrAreEmpty) {
  SearchEngineFields fields;
  fields.catalogueFolder = u"C:\\data\\";
  fields.name = u"ウェブ検索";
  fields.image = u"web.png";
  fields.suggestionsUrl = u"http://suggest.example/s?q={searchTerms}&n={searchTerms}";
  const SearchEngineItem engine(fields, nullptr);
  const struct {
    const ISearchEngineItem* engine;
    const wchar_t* name;
    std::vector<VARIANT> arguments;
    std::u16string_view result;
  } cases[] = {
      {&engine, L"GetCurrentSearchServiceName", {}, u"ウェブ検索"},
      {&engine, L"GetCurrentSearchServiceImage", {}, u"C:\\data\\image\\web.png"},
      {&engine,
       L"GetCurrentSearchServiceSuggestionURL",
       {text_(u"あ b")},
       u"http://suggest.example/s?q=%e3%81%82%20b&n=%e3%81%82%20b"},
      {nullptr, L"GetCurrentSearchServiceName", {}, u""},
      {nullptr, L"GetCurrentSearchServiceImage", {}, u""},
      {nullptr, L"GetCurrentSearchServiceSuggestionURL", {text_(u"a")}, u""},
      {nullptr, L"GetLastSearchWords", {}, u"前回"},
  };
  for (const auto& c : cases) {
    box_.engine = c.engine;
    Outcome outcome;
    CallByName(c.name, c.arguments, outcome);
    EXPECT_EQ(outcome.hr, S_OK) << c.name;
    EXPECT_EQ(Text(outcome.result), c.result) << c.name;
  }
}

TEST_F(ExternalDispatchTest, SuggestionUrlForEmptyWordsIsOutOfMemory) {
  UniqueBstr url;
  EXPECT_EQ(Vtable()->GetCurrentSearchServiceSuggestionURL(nullptr, url.put()), E_OUTOFMEMORY);
  Outcome outcome;
  CallByName(L"GetCurrentSearchServiceSuggestionURL", {text_(u"")}, outcome);
  EXPECT_EQ(outcome.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(outcome.scode, E_OUTOFMEMORY);
}

TEST_F(ExternalDispatchTest, CompletionGoesToTheBoxWithWordsAsTyped) {
  std::vector<std::wstring> calls;
  RecordingFunction begin(L"begin", calls), changed(L"changed", calls), end(L"end", calls);
  Outcome outcome;
  CallByName(L"ShowAutoComplete",
             {Long(5), Long(40), Long(200), Long(22), text_(u"a\u3000b"), Dispatch(&begin),
              Dispatch(&changed), Dispatch(&end)},
             outcome);
  EXPECT_EQ(outcome.hr, S_OK);
  EXPECT_EQ(Text(outcome.result), u"abc");
  EXPECT_EQ(box_.log, std::vector<std::u16string>{u"ShowAutoComplete 5,40,200,22 a\u3000b"});
  EXPECT_EQ(box_.completionFunctions[0], &begin);
  EXPECT_EQ(box_.completionFunctions[1], &changed);
  EXPECT_EQ(box_.completionFunctions[2], &end);
}

TEST_F(ExternalDispatchTest, NothingShownPassesSFalseAndAnEmptyResult) {
  box_.completion = S_FALSE;
  box_.initial = u"ignored";
  UniqueBstr initial;
  const UniqueBstr words(::SysAllocString(L"x"));
  EXPECT_EQ(Vtable()->ShowAutoComplete(0, 0, 10, 10, words.get(), nullptr, nullptr, nullptr,
                                       initial.put()),
            S_FALSE);
  EXPECT_EQ(::SysStringLen(initial.get()), 0u);
  Outcome outcome;
  CallByName(L"ShowAutoComplete",
             {Long(0), Long(0), Long(10), Long(10), text_(u"x"), Dispatch(nullptr),
              Dispatch(nullptr), Dispatch(nullptr)},
             outcome);
  EXPECT_TRUE(SUCCEEDED(outcome.hr));
  EXPECT_EQ(Text(outcome.result), u"");
}

TEST_F(ExternalDispatchTest, PropertyPutsHandTheFunctionToTheBox) {
  std::vector<std::wstring> calls;
  RecordingFunction first(L"first", calls), second(L"second", calls);
  const struct {
    const wchar_t* name;
    IDispatch* FakeBox::*handler;
  } cases[] = {
      {L"onShowSearchServiceMenu", &FakeBox::menuHandler},
      {L"onRotateSearchService", &FakeBox::rotateHandler},
      {L"onUpdateNotify", &FakeBox::notifyHandler},
  };
  // A function is assigned as a put, a put by reference or both, whichever the engine uses.
  for (const WORD flags : {WORD{DISPATCH_PROPERTYPUT}, WORD{DISPATCH_PROPERTYPUTREF},
                           WORD{DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF}}) {
    for (const auto& c : cases) {
      for (IDispatch* function : {static_cast<IDispatch*>(&first), static_cast<IDispatch*>(&second),
                                  static_cast<IDispatch*>(nullptr)}) {
        Outcome outcome;
        CallByName(c.name, {Dispatch(function)}, outcome, flags);
        EXPECT_EQ(outcome.hr, S_OK) << c.name << " with flags " << flags;
        EXPECT_EQ(box_.*c.handler, function) << c.name << " with flags " << flags;
      }
    }
  }
}

// Every member with an out pointer, called with none.
const std::vector<std::function<HRESULT(IExternalDispatch*)>>& NullOutCalls() {
  static const std::vector<std::function<HRESULT(IExternalDispatch*)>> calls = {
      [](IExternalDispatch* d) { return d->ExecuteConfig(nullptr); },
      [](IExternalDispatch* d) { return d->ShowSearchServiceMenu(1, 2, nullptr); },
      [](IExternalDispatch* d) { return d->IsAutoCompleteActive(nullptr); },
      [](IExternalDispatch* d) { return d->CanShowAutoComplete(nullptr); },
      [](IExternalDispatch* d) {
        return d->ShowAutoComplete(0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr, nullptr);
      },
      [](IExternalDispatch* d) { return d->GetCurrentSearchServiceName(nullptr); },
      [](IExternalDispatch* d) { return d->GetCurrentSearchServiceImage(nullptr); },
      [](IExternalDispatch* d) {
        const UniqueBstr words(::SysAllocString(L"a"));
        return d->GetCurrentSearchServiceSuggestionURL(words.get(), nullptr);
      },
      [](IExternalDispatch* d) { return d->GetLastSearchWords(nullptr); },
      [](IExternalDispatch* d) { return d->GetRecordSearchWordsConfig(nullptr); },
      [](IExternalDispatch* d) { return d->GetRecordSearchWords(nullptr); },
      [](IExternalDispatch* d) { return d->GetShowAlways(nullptr); },
      [](IExternalDispatch* d) { return d->GetUseCustomSearchWordsColor(nullptr); },
      [](IExternalDispatch* d) { return d->GetCustomSearchWordsColor(nullptr); },
  };
  return calls;
}

TEST_F(ExternalDispatchTest, NullOutPointersGiveEPointerAndDoNothing) {
  for (size_t i = 0; i < NullOutCalls().size(); ++i) {
    EXPECT_EQ(NullOutCalls()[i](Vtable()), E_POINTER) << i;
  }
  EXPECT_TRUE(box_.log.empty());
}

TEST_F(ExternalDispatchTest, AfterDisconnectEveryMemberIsUnexpected) {
  object_->Disconnect();
  std::vector<std::wstring> log;
  RecordingFunction function(L"function", log);
  const std::vector<std::function<HRESULT(IExternalDispatch*)>> calls = {
      [&](IExternalDispatch* d) { return d->put_onShowSearchServiceMenu(&function); },
      [&](IExternalDispatch* d) { return d->put_onRotateSearchService(&function); },
      [&](IExternalDispatch* d) { return d->put_onUpdateNotify(&function); },
      [](IExternalDispatch* d) { return d->Init(); },
      [](IExternalDispatch* d) { return d->Exit(); },
      [](IExternalDispatch* d) { return d->DoDragWindow(); },
      [](IExternalDispatch* d) { return d->ExecuteSearch(nullptr); },
      [](IExternalDispatch* d) { return d->ToggleSearchService(VARIANT_TRUE); },
      [](IExternalDispatch* d) { return d->RotateSearchService(VARIANT_TRUE); },
      [](IExternalDispatch* d) { return d->HideAutoComplete(); },
      [](IExternalDispatch* d) { return d->OnNotifyHandled(); },
      [](IExternalDispatch* d) { return d->SetRecordSearchWords(VARIANT_TRUE); },
      [](IExternalDispatch* d) { return d->SetShowAlways(VARIANT_TRUE); },
      [](IExternalDispatch* d) { return d->LaunchHelp(); },
      [](IExternalDispatch* d) { return d->Trace(nullptr); },
  };
  for (size_t i = 0; i < calls.size(); ++i) EXPECT_EQ(calls[i](Vtable()), E_UNEXPECTED) << i;
  for (size_t i = 0; i < NullOutCalls().size(); ++i) {
    EXPECT_EQ(NullOutCalls()[i](Vtable()), E_UNEXPECTED) << "out member " << i;
  }
  EXPECT_TRUE(box_.log.empty());
  EXPECT_EQ(box_.menuHandler, nullptr);

  Outcome outcome;
  CallByName(L"Init", {}, outcome);
  EXPECT_EQ(outcome.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(outcome.scode, E_UNEXPECTED);
}

TEST(PageEventsTest, EventsCallTheDefaultMethodWithTheArgumentsInTheirOrder) {
  std::vector<std::wstring> log;
  RecordingFunction function(L"event", log);
  EXPECT_EQ(RaiseShowSearchServiceMenu(&function), S_OK);
  EXPECT_EQ(RaiseRotateSearchService(&function, true), S_OK);
  EXPECT_EQ(RaiseRotateSearchService(&function, false), S_OK);
  EXPECT_EQ(RaiseUpdateNotify(&function, u"新版", u"説明", u"http://a.example/"), S_OK);
  EXPECT_EQ(log, (std::vector<std::wstring>{L"event", L"event:true", L"event:false",
                                            L"event:新版:説明:http://a.example/"}));
}

TEST(PageEventsTest, AnUnsetFunctionDropsTheEvent) {
  EXPECT_EQ(RaiseShowSearchServiceMenu(nullptr), S_FALSE);
  EXPECT_EQ(RaiseRotateSearchService(nullptr, true), S_FALSE);
  EXPECT_EQ(RaiseUpdateNotify(nullptr, u"l", u"t", u"u"), S_FALSE);
}

}  // namespace
}  // namespace brimlet::win32
