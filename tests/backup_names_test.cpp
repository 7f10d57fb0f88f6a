// The file name of a backup for any database name (the statement and the job's files for
// the same names are in backup_job_test.cpp).
#include <gtest/gtest.h>

#include <string>

#include "untMain/backup_names.h"

namespace {

using untMain::BackupFileName;

struct FileNameCase {
  const wchar_t* dbname;
  const wchar_t* file;
};

class BackupFileNameTest : public ::testing::TestWithParam<FileNameCase> {};

TEST_P(BackupFileNameTest, TheNameIsAFileWindowsCanCreate) {
  EXPECT_EQ(BackupFileName(GetParam().dbname, L"220609143005"), GetParam().file);
}

INSTANTIATE_TEST_SUITE_P(
    Names, BackupFileNameTest,
    ::testing::Values(FileNameCase{L"master", L"master220609143005.bak"},
                      FileNameCase{L"备份库", L"备份库220609143005.bak"},
                      FileNameCase{L"a\\b/c:d*e?f\"g<h>i|j\tk",
                                   L"a_b_c_d_e_f_g_h_i_j_k220609143005.bak"},
                      // Windows opens a device for these names, whatever follows the dot.
                      FileNameCase{L"nul.", L"nul_.220609143005.bak"},
                      FileNameCase{L"CON.db", L"CON_.db220609143005.bak"},
                      FileNameCase{L"com1 .x", L"com1_ .x220609143005.bak"},
                      FileNameCase{L"Lpt\u00B2.", L"Lpt\u00B2_.220609143005.bak"},
                      FileNameCase{L"conout$.1", L"conout$_.1220609143005.bak"},
                      // The stamp follows the name, so without a dot no device is named.
                      FileNameCase{L"nul", L"nul220609143005.bak"},
                      FileNameCase{L"console.x", L"console.x220609143005.bak"},
                      FileNameCase{L"com10.x", L"com10.x220609143005.bak"},
                      FileNameCase{L"x.nul.", L"x.nul.220609143005.bak"}));

}  // namespace
