#pragma once
// The fixture of the native behaviour tests: a fresh simulated world for every test, and
// the process-wide records of the program as they are before start-up.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/world.h"
#include "untComm/config_file.h"
#include "untComm/settings.h"
#include "untComm/time_format.h"

class SimTest : public ::testing::Test {
 protected:
  SimTest() {
    untComm::BackupSettings = {};
    untComm::ConfigFile.reset();
    untComm::ForgetLocaleFormats();
  }
  ~SimTest() override { untComm::ConfigFile.reset(); }

  // The lines of today's log as the sim's code page decodes them, without CR LF.
  std::vector<std::wstring> LogLines(const std::wstring& date = L"2022-06-09") const;
  std::string LogBytes(const std::wstring& date = L"2022-06-09") const;
  // config.ini in the executable's folder as the next start would read it.
  std::wstring ConfigValue(const std::wstring& key, const std::wstring& fallback = L"<missing>");

  platform::sim::World world;
};
