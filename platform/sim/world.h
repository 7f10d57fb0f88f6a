#pragma once
// The simulated world a test runs the program in. Constructing it installs its services as
// the process's platform; destroying it uninstalls them.
#include "platform/services.h"
#include "platform/sim/clock.h"
#include "platform/sim/database.h"
#include "platform/sim/drives.h"
#include "platform/sim/file_system.h"
#include "platform/sim/profile.h"
#include "platform/sim/registry.h"
#include "platform/sim/system.h"
#include "platform/sim/ui.h"

namespace platform::sim {

class World {
 public:
  World();
  ~World();
  World(const World&) = delete;
  World& operator=(const World&) = delete;

  Clock clock;
  SimFileSystem files;
  SimSystem system{clock, files};
  SimProfile profile{files, system};
  SimApplication ui{clock};
  SimDrives drives{files, system};
  SimServer server{clock, files};
  SimDatabase database{server};
  SimRegistry registry;

  platform::Services AsServices();
};

}  // namespace platform::sim
