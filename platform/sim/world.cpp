#include "platform/sim/world.h"

namespace platform::sim {

World::World() {
  files.MakeDirectories(L"C:\\Tavrix");
  files.currentDirectory = L"C:\\";
  files.mediumMissing = [this](const Drive& drive) { drives.TouchMedium(drive); };
  Install(AsServices());
}

World::~World() {
  Install(platform::Services{});
}

platform::Services World::AsServices() {
  platform::Services s;
  s.system = &system;
  s.files = &files;
  s.profile = &profile;
  s.ui = &ui;
  s.drives = &drives;
  s.database = &database;
  s.registry = &registry;
  return s;
}

}  // namespace platform::sim
