#pragma once
// Owners of the OLE Automation values that cross COM calls: BSTR and VARIANT.
#include <windows.h>
#include <oleauto.h>

#include <new>
#include <string>
#include <utility>

namespace platform::win32 {

// A BSTR freed with SysFreeString.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(const std::wstring& text)
      : bstr_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {
    if (!bstr_)
      throw std::bad_alloc();
  }
  ~Bstr() { SysFreeString(bstr_); }
  Bstr(Bstr&& other) noexcept : bstr_(std::exchange(other.bstr_, nullptr)) {}
  Bstr& operator=(Bstr&& other) noexcept {
    std::swap(bstr_, other.bstr_);
    return *this;
  }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;

  BSTR get() const { return bstr_; }
  // Frees what is held and hands out the slot, for calls that return a new string.
  BSTR* put() {
    SysFreeString(std::exchange(bstr_, nullptr));
    return &bstr_;
  }
  BSTR release() { return std::exchange(bstr_, nullptr); }
  std::wstring str() const { return bstr_ ? std::wstring(bstr_, SysStringLen(bstr_)) : L""; }

 private:
  BSTR bstr_ = nullptr;
};

// A VARIANT cleared with VariantClear.
class Variant {
 public:
  Variant() { VariantInit(&value_); }
  explicit Variant(const std::wstring& text) : Variant() {
    value_.bstrVal = Bstr(text).release();
    value_.vt = VT_BSTR;
  }
  explicit Variant(LONG number) : Variant() {
    value_.vt = VT_I4;
    value_.lVal = number;
  }
  // Holds its own reference to the object.
  explicit Variant(IDispatch* object) : Variant() {
    value_.vt = VT_DISPATCH;
    value_.pdispVal = object;
    if (object)
      object->AddRef();
  }
  ~Variant() { VariantClear(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;

  // For by-value VARIANT parameters: the callee reads it and frees nothing.
  const VARIANT& get() const { return value_; }
  // For calls that read a VARIANTARG through a pointer without changing it.
  VARIANTARG* arg() { return &value_; }
  VARIANT* put() {
    VariantClear(&value_);
    return &value_;
  }

 private:
  VARIANT value_;
};

}  // namespace platform::win32
