#include "platform/win32/ado_error.h"

#include "platform/error.h"
#include "platform/win32/com_ptr.h"
#include "platform/win32/com_values.h"

namespace platform::win32 {

namespace {

std::wstring TrimmedEnd(std::wstring text) {
  while (!text.empty() && text.back() <= L' ')
    text.pop_back();
  return text;
}

std::wstring HexCode(HRESULT result) {
  static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
  const auto value = static_cast<unsigned long>(result);
  std::wstring text = L"0x";
  for (int shift = 28; shift >= 0; shift -= 4)
    text.push_back(kDigits[(value >> shift) & 0xF]);
  return text;
}

std::wstring ErrorsCollectionText(ado::Connection* connection) {
  if (!connection)
    return {};
  ComPtr<ado::Errors> errors;
  long count = 0;
  // Wine's msado15 has no Errors collection (E_NOTIMPL).
  if (FAILED(connection->get_Errors(errors.put())) || !errors || FAILED(errors->get_Count(&count)))
    return {};
  std::wstring text;
  for (long i = 0; i < count; ++i) {
    ComPtr<ado::Error> error;
    Bstr description;
    if (FAILED(errors->get_Item(Variant(static_cast<LONG>(i)).get(), error.put())) || !error ||
        FAILED(error->get_Description(description.put()))) {
      continue;
    }
    const std::wstring line = TrimmedEnd(description.str());
    if (line.empty())
      continue;
    if (!text.empty())
      text += L"\r\n";
    text += line;
  }
  return text;
}

std::wstring ErrorInfoText(IUnknown* object, REFIID iid) {
  ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, info.put()) != S_OK || !info || !object)
    return {};
  // The error object belongs to this failure only when the object says it reports that way.
  ComPtr<ISupportErrorInfo> support;
  if (FAILED(object->QueryInterface(IID_ISupportErrorInfo, support.put_void())) || !support ||
      support->InterfaceSupportsErrorInfo(iid) != S_OK) {
    return {};
  }
  Bstr description;
  if (FAILED(info->GetDescription(description.put())))
    return {};
  return TrimmedEnd(description.str());
}

std::wstring SystemText(HRESULT result) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(result), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  if (length == 0 || !buffer)
    return {};
  std::wstring text(buffer, length);
  LocalFree(buffer);
  text = TrimmedEnd(std::move(text));
  // The code follows in brackets; the sentence's own full stop would stand before it.
  while (!text.empty() && (text.back() == L'.' || text.back() == L'\u3002'))
    text.pop_back();
  return text;
}

}  // namespace

void ForgetAdoErrors(ado::Connection* connection) {
  SetErrorInfo(0, nullptr);
  ComPtr<ado::Errors> errors;
  if (connection && SUCCEEDED(connection->get_Errors(errors.put())) && errors)
    errors->Clear();
}

std::wstring HresultMessage(HRESULT result) {
  const std::wstring code = L" (HRESULT " + HexCode(result) + L")";
  // The system's texts for these say nothing useful here ("Invalid class string"), and under
  // Wine there is none at all.
  switch (result) {
    case CO_E_CLASSSTRING:
      return L"连接字符串中的 OLE DB 提供程序没有注册，无法连接数据库" + code;
    case REGDB_E_CLASSNOTREG:
      return L"所需的数据访问组件 (ADO / OLE DB) 没有注册" + code;
    case E_NOINTERFACE:
      return L"数据访问组件 (ADO) 不支持所需的接口" + code;
    default:
      break;
  }
  const std::wstring system = SystemText(result);
  return (system.empty() ? std::wstring(L"数据库访问失败") : system) + code;
}

std::wstring AdoErrorMessage(HRESULT result, ado::Connection* connection, IUnknown* object,
                             REFIID iid) {
  std::wstring text = ErrorsCollectionText(connection);
  if (text.empty())
    text = ErrorInfoText(object, iid);
  if (text.empty())
    text = HresultMessage(result);
  return text;
}

void ThrowAdoError(HRESULT result, ado::Connection* connection, IUnknown* object, REFIID iid) {
  throw DatabaseError(AdoErrorMessage(result, connection, object, iid));
}

}  // namespace platform::win32
