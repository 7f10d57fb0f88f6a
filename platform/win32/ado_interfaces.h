#pragma once
// The typed ADO interfaces with the 2.x interface ids (_Connection {00000550-...},
// _Recordset {00000556-...}): Windows answers them for old clients and Wine's msado15 answers
// only them. <adoint.h> declares them when NTDDI_VERSION is below Windows 8 (the build sets
// Windows 7), but names each coclass on a line of its own ("Connection;"), which C++
// rejects. With the header's own forward typedefs of the coclasses switched off, each such
// line is turned into a forward class declaration.
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <rpc.h>
#include <rpcndr.h>
#include <tchar.h>

#define __Connection_FWD_DEFINED__
#define __Record_FWD_DEFINED__
#define __Stream_FWD_DEFINED__
#define __Command_FWD_DEFINED__
#define __Recordset_FWD_DEFINED__
#define __Parameter_FWD_DEFINED__
#define Connection class ADOConnection
#define Record class ADORecord
#define Stream class ADOStream
#define Command class ADOCommand
#define Recordset class ADORecordset
#define Parameter class ADOParameter
#include <adoint.h>
#undef Connection
#undef Record
#undef Stream
#undef Command
#undef Recordset
#undef Parameter

static_assert(NTDDI_VERSION < 0x06020000, "the ADO 2.x declarations need NTDDI_VERSION < Win8");

namespace platform::win32::ado {

// ADODB.Connection and ADODB.Recordset.
inline constexpr CLSID kConnectionClass = {
    0x00000514, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};
inline constexpr CLSID kRecordsetClass = {
    0x00000535, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};

// _Connection and _Recordset of ADO 2.x.
inline constexpr IID kConnectionInterface = {
    0x00000550, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};
inline constexpr IID kRecordsetInterface = {
    0x00000556, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};

using Connection = ::_ADOConnection;
using Recordset = ::_ADORecordset;
using Errors = ::ADOErrors;
using Error = ::ADOError;
using Fields = ::ADOFields;
using Field = ::ADOField;

}  // namespace platform::win32::ado
