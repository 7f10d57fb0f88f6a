#include "platform/win32/database.h"

#include "platform/error.h"
#include "platform/win32/ado_error.h"
#include "platform/win32/com_values.h"

namespace platform::win32 {

namespace {

bool IsOpen(LONG state) {
  return (state & adStateOpen) != 0;
}

}  // namespace

AdoQuery::~AdoQuery() {
  Disconnect();
}

void AdoQuery::Close() {
  if (!recordset_)
    return;
  LONG state = adStateClosed;
  if (SUCCEEDED(recordset_->get_State(&state)) && IsOpen(state))
    recordset_->Close();
  recordset_.reset();
}

void AdoQuery::SetConnectionString(const std::wstring& text) {
  if (text == connectionString_)
    return;
  Disconnect();
  connectionString_ = text;
}

const std::wstring& AdoQuery::ConnectionString() const {
  return connectionString_;
}

void AdoQuery::SetSql(const std::wstring& text) {
  sql_ = text;
}

void AdoQuery::SetCommandTimeout(int seconds) {
  commandTimeout_ = seconds;
  if (connection_)
    ApplyCommandTimeout(*connection_.get());
}

void AdoQuery::ExecSql() {
  ado::Connection& connection = Connected();
  ForgetAdoErrors(&connection);
  Variant recordsAffected;
  ComPtr<ado::Recordset> noRows;
  const long options = static_cast<long>(adCmdText) | static_cast<long>(adExecuteNoRecords);
  const HRESULT result =
      connection.Execute(Bstr(sql_).get(), recordsAffected.put(), options, noRows.put());
  if (FAILED(result))
    FailStatement(result, &connection, ado::kConnectionInterface);
}

void AdoQuery::Open() {
  Close();
  OpenRows();
}

bool AdoQuery::Eof() {
  if (!recordset_)
    return true;
  VARIANT_BOOL eof = VARIANT_TRUE;
  const HRESULT result = recordset_->get_EOF(&eof);
  if (FAILED(result))
    ThrowAdoError(result, connection_.get(), recordset_.get(), ado::kRecordsetInterface);
  return eof != VARIANT_FALSE;
}

std::wstring AdoQuery::FieldAsString(const std::wstring& name) {
  if (!recordset_)
    throw DatabaseError(L"数据集没有打开，无法读取字段 " + name);
  ComPtr<ado::Fields> fields;
  ComPtr<ado::Field> field;
  Variant value;
  HRESULT result = recordset_->get_Fields(fields.put());
  if (SUCCEEDED(result))
    result = fields ? fields->get_Item(Variant(name).get(), field.put()) : E_POINTER;
  if (SUCCEEDED(result))
    result = field ? field->get_Value(value.put()) : E_POINTER;
  if (FAILED(result))
    ThrowAdoError(result, connection_.get(), recordset_.get(), ado::kRecordsetInterface);
  if (value.get().vt == VT_NULL || value.get().vt == VT_EMPTY)
    return {};
  Variant text;
  result = VariantChangeType(text.put(), value.arg(), 0, VT_BSTR);
  if (FAILED(result))
    throw DatabaseError(L"字段 " + name + L" 的值不能转换为文本：" + HresultMessage(result));
  return text.get().bstrVal ? std::wstring(text.get().bstrVal, SysStringLen(text.get().bstrVal))
                            : std::wstring();
}

void AdoQuery::Next() {
  if (!recordset_)
    throw DatabaseError(L"数据集没有打开，无法移到下一行");
  const HRESULT result = recordset_->MoveNext();
  if (FAILED(result))
    ThrowAdoError(result, connection_.get(), recordset_.get(), ado::kRecordsetInterface);
}

ado::Connection& AdoQuery::Connected() {
  if (connection_)
    return *connection_.get();
  ComPtr<ado::Connection> connection;
  HRESULT result = CoCreateInstance(ado::kConnectionClass, nullptr, CLSCTX_INPROC_SERVER,
                                    ado::kConnectionInterface, connection.put_void());
  if (FAILED(result))
    throw DatabaseError(HresultMessage(result));
  ApplyCommandTimeout(*connection.get());
  ForgetAdoErrors(connection.get());
  result = connection->Open(Bstr(connectionString_).get(), nullptr, nullptr, adConnectUnspecified);
  if (FAILED(result))
    ThrowAdoError(result, connection.get(), connection.get(), ado::kConnectionInterface);
  connection_ = std::move(connection);
  return *connection_.get();
}

void AdoQuery::Disconnect() {
  Close();
  if (!connection_)
    return;
  LONG state = adStateClosed;
  if (SUCCEEDED(connection_->get_State(&state)) && IsOpen(state))
    connection_->Close();
  connection_.reset();
}

void AdoQuery::FailStatement(HRESULT result, IUnknown* object, REFIID iid) {
  const std::wstring message = AdoErrorMessage(result, connection_.get(), object, iid);
  // The server may have gone away (restarted, network lost) and a dead connection still says
  // it is open; keeping it would fail every later statement with the same string.
  Disconnect();
  throw DatabaseError(message);
}

void AdoQuery::ApplyCommandTimeout(ado::Connection& connection) {
  // Wine's msado15 may not implement the property; the value is kept and applied where it is.
  const HRESULT result = connection.put_CommandTimeout(commandTimeout_);
  if (FAILED(result) && result != E_NOTIMPL)
    ThrowAdoError(result, &connection, &connection, ado::kConnectionInterface);
}

ado::Recordset& AdoQuery::OpenRows() {
  ado::Connection& connection = Connected();
  ComPtr<ado::Recordset> recordset;
  HRESULT result = CoCreateInstance(ado::kRecordsetClass, nullptr, CLSCTX_INPROC_SERVER,
                                    ado::kRecordsetInterface, recordset.put_void());
  if (FAILED(result))
    throw DatabaseError(HresultMessage(result));
  ForgetAdoErrors(&connection);
  result = recordset->Open(Variant(sql_).get(), Variant(&connection).get(), adOpenForwardOnly,
                           adLockReadOnly, adCmdText);
  if (FAILED(result))
    FailStatement(result, recordset.get(), ado::kRecordsetInterface);
  recordset_ = std::move(recordset);
  return *recordset_.get();
}

std::unique_ptr<Query> AdoDatabase::CreateQuery() {
  return std::make_unique<AdoQuery>();
}

}  // namespace platform::win32
