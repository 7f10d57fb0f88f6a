#pragma once

namespace untComm {

// Fills BackupSettings from ConfigFile, with the defaults for missing keys. Never fails.
void LoadConfig();

}  // namespace untComm
