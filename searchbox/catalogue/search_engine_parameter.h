// Query parameters of a search engine: what each one contributes to the result-page
// address. Concrete classes join SearchEngineParameterRoot (ownership, key, copying) with
// their interface through SearchEngineParameterImplT.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace brimlet {

namespace parameter_type {
inline constexpr int kStatic = 1;
inline constexpr int kVariable = 2;
inline constexpr int kEncoded = 3;
inline constexpr int kEncodedEx = 4;
}  // namespace parameter_type

class ISearchEngineParameter {
 public:
  virtual int GetType() const = 0;
  virtual std::u16string GetKey() const = 0;

 protected:
  ~ISearchEngineParameter() = default;  // owned through SearchEngineParameterRoot
};

// key=value, the value unchanged.
class IStaticSearchEngineParameter : public ISearchEngineParameter {
 public:
  virtual std::u16string GetValue() const = 0;

 protected:
  ~IStaticSearchEngineParameter() = default;
};

// key= with nothing after it.
class IVariableSearchEngineParameter : public ISearchEngineParameter {
 protected:
  ~IVariableSearchEngineParameter() = default;
};

// key=the search words, encoded and escaped.
class IEncodedSearchEngineParameter : public ISearchEngineParameter {
 public:
  virtual std::u16string GetEncode() const = 0;

 protected:
  ~IEncodedSearchEngineParameter() = default;
};

// key=leading value + nested key + "%3d" + the words escaped twice + trailing value.
class IEncodedSearchEngineParameterEx : public ISearchEngineParameter {
 public:
  virtual std::u16string GetEncode() const = 0;
  virtual std::u16string GetLeadingValue() const = 0;
  virtual std::u16string GetTrailingValue() const = 0;
  virtual std::u16string GetValueKey() const = 0;

 protected:
  ~IEncodedSearchEngineParameterEx() = default;
};

class SearchEngineParameterRoot {
 public:
  virtual ~SearchEngineParameterRoot() = default;
  virtual const ISearchEngineParameter* GetInterface() const = 0;
  // A copy of the same class with the same texts, or nothing when memory runs out.
  virtual std::unique_ptr<SearchEngineParameterRoot> Clone() const noexcept = 0;

  void SetKey(std::u16string key) { key_ = std::move(key); }

 protected:
  SearchEngineParameterRoot() = default;
  SearchEngineParameterRoot(const SearchEngineParameterRoot&) = default;
  SearchEngineParameterRoot& operator=(const SearchEngineParameterRoot&) = delete;

  std::u16string key_;
};

template <typename Interface>
class SearchEngineParameterImplT : public SearchEngineParameterRoot, public Interface {
 public:
  const ISearchEngineParameter* GetInterface() const override {
    return static_cast<const Interface*>(this);
  }
  std::u16string GetKey() const override { return key_; }

 protected:
  template <typename Derived>
  static std::unique_ptr<SearchEngineParameterRoot> CloneOf(const Derived& source) noexcept {
    try {
      return std::make_unique<Derived>(source);
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
  }
};

class StaticSearchEngineParameter final
    : public SearchEngineParameterImplT<IStaticSearchEngineParameter> {
 public:
  explicit StaticSearchEngineParameter(std::u16string value) : value_(std::move(value)) {}
  int GetType() const override { return parameter_type::kStatic; }
  std::u16string GetValue() const override { return value_; }
  std::unique_ptr<SearchEngineParameterRoot> Clone() const noexcept override {
    return CloneOf(*this);
  }

 private:
  std::u16string value_;
};

class VariableSearchEngineParameter final
    : public SearchEngineParameterImplT<IVariableSearchEngineParameter> {
 public:
  int GetType() const override { return parameter_type::kVariable; }
  std::unique_ptr<SearchEngineParameterRoot> Clone() const noexcept override {
    return CloneOf(*this);
  }
};

class EncodedSearchEngineParameter final
    : public SearchEngineParameterImplT<IEncodedSearchEngineParameter> {
 public:
  explicit EncodedSearchEngineParameter(std::u16string encode) : encode_(std::move(encode)) {}
  int GetType() const override { return parameter_type::kEncoded; }
  std::u16string GetEncode() const override { return encode_; }
  std::unique_ptr<SearchEngineParameterRoot> Clone() const noexcept override {
    return CloneOf(*this);
  }

 private:
  std::u16string encode_;
};

class EncodedSearchEngineParameterEx final
    : public SearchEngineParameterImplT<IEncodedSearchEngineParameterEx> {
 public:
  EncodedSearchEngineParameterEx(std::u16string encode, std::u16string leadingValue,
                                 std::u16string trailingValue, std::u16string valueKey)
      : encode_(std::move(encode)),
        leadingValue_(std::move(leadingValue)),
        trailingValue_(std::move(trailingValue)),
        valueKey_(std::move(valueKey)) {}
  int GetType() const override { return parameter_type::kEncodedEx; }
  std::u16string GetEncode() const override { return encode_; }
  std::u16string GetLeadingValue() const override { return leadingValue_; }
  std::u16string GetTrailingValue() const override { return trailingValue_; }
  std::u16string GetValueKey() const override { return valueKey_; }
  std::unique_ptr<SearchEngineParameterRoot> Clone() const noexcept override {
    return CloneOf(*this);
  }

 private:
  std::u16string encode_;
  std::u16string leadingValue_;
  std::u16string trailingValue_;
  std::u16string valueKey_;
};

class ISearchEngineParameterList {
 public:
  virtual size_t GetCount() const = 0;
  // Nothing when the index is not below the count.
  virtual const ISearchEngineParameter* GetAt(size_t index) const = 0;
  virtual ~ISearchEngineParameterList() = default;
};

class SearchEngineParameterList final : public ISearchEngineParameterList {
 public:
  size_t GetCount() const override { return parameters_.size(); }
  const ISearchEngineParameter* GetAt(size_t index) const override;
  // Appends at the end and takes ownership.
  void Add(std::unique_ptr<SearchEngineParameterRoot> parameter);
  // Nothing when any parameter cannot be copied.
  std::unique_ptr<SearchEngineParameterList> Clone() const noexcept;

 private:
  std::vector<std::unique_ptr<SearchEngineParameterRoot>> parameters_;
};

}  // namespace brimlet
