#pragma once
// The platform as the core sees it: one reference to each service.
#include "platform/database.h"
#include "platform/drives.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/ui.h"

namespace platform {

struct Services {
  System* system = nullptr;
  FileSystem* files = nullptr;
  Profile* profile = nullptr;
  Registry* registry = nullptr;
  Drives* drives = nullptr;
  Database* database = nullptr;
  ui::Application* ui = nullptr;
};

// The services the process runs on; wired once by the program entry (or a test fixture).
Services& Current();
void Install(const Services& services);

}  // namespace platform
