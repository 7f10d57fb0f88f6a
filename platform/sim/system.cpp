#include "platform/sim/system.h"

#include "platform/sim/encoding.h"

namespace platform::sim {

bool SimSystem::ChangeDirectory(const std::wstring& path) {
  const std::wstring full = files_.FullPath(path);
  if (!files_.DirectoryExists(full))
    return false;
  files_.currentDirectory = full;
  if (full.size() > 3 && full.back() == L'\\')
    files_.currentDirectory.pop_back();
  return true;
}

std::string SimSystem::ToAnsi(const std::wstring& text) {
  return WideToCodePage(text, codePage);
}

bool SimSystem::CreateNamedMutexAlreadyExisted(const std::wstring& name) {
  return !existingMutexes.insert(name).second;
}

std::uint32_t SimSystem::SetErrorMode(std::uint32_t mode) {
  const std::uint32_t previous = errorMode;
  errorMode = mode;
  return previous;
}

}  // namespace platform::sim
