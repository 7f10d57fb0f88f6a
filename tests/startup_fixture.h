#pragma once
// The whole program on the simulated platform: config.ini laid out, the program entry run,
// and the test acting while the message loop runs.
#include <functional>
#include <string>
#include <vector>

#include "app/core/program.h"
#include "platform/sim/encoding.h"
#include "tests/sim_test.h"
#include "untComm/auto_start.h"
#include "untMain/frmMain.h"

// Log lines without their time stamps: the messages in the order they were written.
inline std::vector<std::wstring> Messages(const std::vector<std::wstring>& lines) {
  std::vector<std::wstring> messages;
  for (const auto& line : lines)
    messages.push_back(line.substr(line.find(L' ') + 1));
  return messages;
}

// Runs of the scheduled backup the server has seen: each run over all databases starts with
// the database list.
inline int BackupRuns(const platform::sim::SimServer& server) {
  int runs = 0;
  for (const auto& statement : server.statements)
    runs += statement.sql.find(L"sysdatabases") != std::wstring::npos;
  return runs;
}

class ProgramTest : public SimTest {
 protected:
  // config.ini beside the executable, in the ANSI code page as a user's editor writes it.
  void WriteConfig(const std::wstring& body) {
    world.files.PutFile(L"C:\\Tavrix\\config.ini",
                        platform::sim::WideToCodePage(L"[CONFIG]\r\n" + body, 936));
  }

  // Runs the program; `whileRunning` is the message loop: it returns to end the program.
  int Run(const std::function<void(untMain::TfrmMain&)>& whileRunning = {}) {
    world.ui.whileLooping = [&] {
      ASSERT_NE(untMain::frmMain, nullptr);
      if (whileRunning)
        whileRunning(*untMain::frmMain);
    };
    return app::RunProgram();
  }

  platform::sim::SimForm& Window(untMain::TfrmMain& main) {
    return dynamic_cast<platform::sim::SimForm&>(*main.form);
  }
  platform::sim::SimTrayIcon& Icon() { return *world.ui.trayIcons.at(0); }

  std::optional<std::wstring> RunValue() const {
    return world.registry.GetString(platform::RegistryRoot::LocalMachine, untComm::kRunKey,
                                    untComm::kAutoStartValue);
  }

  std::vector<std::wstring> BoxTexts() const {
    std::vector<std::wstring> texts;
    for (const auto& box : world.ui.boxes)
      texts.push_back(box.text);
    return texts;
  }
};
