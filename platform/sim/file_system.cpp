#include "platform/sim/file_system.h"

#include <algorithm>
#include <cwctype>

#include "platform/error.h"

namespace platform::sim {

namespace {

constexpr std::uint32_t kNotSameDevice = 17;
// MAX_PATH with its NUL: longer full paths fail (Windows without long-path support).
constexpr std::size_t kMaxPath = 260;
// The largest file FAT and FAT32 can hold: 4 GiB less one byte.
constexpr std::uint64_t kFatLargestFile = 0xFFFFFFFFull;

bool IsFat(const Drive& drive) {
  return drive.fileSystem.rfind(L"FAT", 0) == 0;  // FAT, FAT32 (not exFAT)
}

std::wstring Upper(std::wstring text) {
  for (wchar_t& c : text)
    c = static_cast<wchar_t>(std::towupper(c));
  return text;
}

wchar_t DriveLetter(const std::wstring& fullPath) {
  return fullPath.empty() ? L'\0' : static_cast<wchar_t>(std::towupper(fullPath[0]));
}

}  // namespace

// An open handle on a node of the simulated file system.
class SimFile : public File {
 public:
  SimFile(SimFileSystem& fs, std::wstring fullPath, bool write, bool fromDevice = false)
      : fs_(fs), path_(std::move(fullPath)), write_(write), fromDevice_(fromDevice) {
    auto* node = fs_.Find(path_);
    ++node->handles;
    if (write_)
      ++node->writers;
    ++fs_.openHandles_;
  }
  ~SimFile() override { Release(); }

  std::uint64_t Size() override {
    fs_.Check(FileOp::Size, path_);
    return node().Size();
  }
  void Seek(std::uint64_t offset) override {
    fs_.Check(FileOp::Seek, path_);
    position_ = offset;
  }
  std::string Read(std::size_t count) override {
    fs_.Check(FileOp::Read, path_);
    if (fromDevice_ && count % kDeviceReadUnit)
      throw OsError(error::kInvalidParameter);
    const SimFileSystem::Node& n = node();
    if (position_ >= n.Size())
      return {};
    const std::uint64_t length = std::min<std::uint64_t>(count, n.Size() - position_);
    std::string out;
    if (position_ < n.bytes.size())
      out = n.bytes.substr(static_cast<std::size_t>(position_), static_cast<std::size_t>(length));
    out.resize(static_cast<std::size_t>(length), '\0');  // from the counted zeros
    position_ += length;
    const Drive* drive = fs_.FindDrive(path_[0]);
    if (fromDevice_ && drive && !drive->keepsData)
      std::fill(out.begin(), out.end(), '\0');
    return out;
  }
  void Truncate() override {
    fs_.Check(FileOp::Truncate, path_);
    if (!write_)
      throw OsError(error::kAccessDenied);
    node().Materialise();
    node().bytes.resize(position_);
    node().unflushed = true;
  }
  void Write(const std::string& data) override {
    fs_.Check(FileOp::Write, path_);
    if (!write_)
      throw OsError(error::kAccessDenied);
    node().Materialise();
    node().unflushed = true;
    std::string& bytes = node().bytes;
    const std::uint64_t end = std::max<std::uint64_t>(bytes.size(), position_ + data.size());
    if (auto code = fs_.RoomFor(path_, bytes.size(), end))
      throw OsError(code);
    if (bytes.size() < position_ + data.size())
      bytes.resize(position_ + data.size());
    std::copy(data.begin(), data.end(), bytes.begin() + static_cast<std::ptrdiff_t>(position_));
    position_ += data.size();
  }
  void Close() override {
    // The handle is released even when closing reports an error.
    const std::uint32_t code = open_ ? fs_.CheckCode(FileOp::Close, path_) : 0;
    Release();
    if (code)
      throw OsError(code);
  }

 private:
  SimFileSystem::Node& node() {
    auto* n = fs_.Find(path_);
    if (!n)
      throw OsError(error::kFileNotFound);
    return *n;
  }
  void Release() {
    if (!open_)
      return;
    open_ = false;
    --fs_.openHandles_;
    if (auto* n = fs_.Find(path_)) {
      --n->handles;
      if (write_)
        --n->writers;
    }
  }

  SimFileSystem& fs_;
  std::wstring path_;
  bool write_;
  bool fromDevice_;
  bool open_ = true;
  std::uint64_t position_ = 0;
};

SimFileSystem::SimFileSystem() {
  AddDrive(Drive{});
}
SimFileSystem::~SimFileSystem() = default;

void SimFileSystem::AddDrive(const Drive& drive) {
  const wchar_t letter = static_cast<wchar_t>(std::towupper(drive.letter));
  drives_.erase(std::remove_if(drives_.begin(), drives_.end(),
                               [&](const Drive& d) { return d.letter == letter; }),
                drives_.end());
  Drive added = drive;
  added.letter = letter;
  drives_.push_back(added);
  std::sort(drives_.begin(), drives_.end(),
            [](const Drive& a, const Drive& b) { return a.letter < b.letter; });
  Node root;
  root.name = std::wstring(1, letter) + L":";
  root.directory = true;
  nodes_.emplace(root.name, root);
}

Drive* SimFileSystem::FindDrive(wchar_t letter) {
  letter = static_cast<wchar_t>(std::towupper(letter));
  for (Drive& d : drives_) {
    if (d.letter == letter)
      return &d;
  }
  return nullptr;
}

void SimFileSystem::SetMedium(wchar_t letter, bool present) {
  if (Drive* d = FindDrive(letter))
    d->hasMedium = present;
}

std::wstring SimFileSystem::FullPath(const std::wstring& path) const {
  std::wstring text = path;
  std::replace(text.begin(), text.end(), L'/', L'\\');
  const bool absolute = text.size() >= 2 && text[1] == L':';
  if (!absolute) {
    text = (text.size() && text[0] == L'\\') ? currentDirectory.substr(0, 2) + text
                                             : currentDirectory + L"\\" + text;
  }
  // Split into components, resolving "." and ".." and dropping empty ones.
  std::vector<std::wstring> parts;
  std::wstring part;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == L'\\') {
      if (part == L"..") {
        if (parts.size() > 1)
          parts.pop_back();
      } else if (!part.empty() && part != L".") {
        parts.push_back(part);
      }
      part.clear();
    } else {
      part += text[i];
    }
  }
  std::wstring full;
  for (std::size_t i = 0; i < parts.size(); ++i)
    full += (i ? L"\\" : L"") + parts[i];
  if (parts.size() == 1)
    full += L"\\";
  return full;
}

std::wstring SimFileSystem::Key(const std::wstring& fullPath) {
  std::wstring key = Upper(fullPath);
  if (!key.empty() && key.back() == L'\\')
    key.pop_back();
  return key;
}

std::wstring SimFileSystem::Parent(const std::wstring& fullPath) {
  const std::wstring key = Key(fullPath);
  const auto slash = key.find_last_of(L'\\');
  return slash == std::wstring::npos ? std::wstring() : fullPath.substr(0, slash);
}

SimFileSystem::Node* SimFileSystem::Find(const std::wstring& path) {
  auto it = nodes_.find(Key(FullPath(path)));
  return it == nodes_.end() ? nullptr : &it->second;
}

const SimFileSystem::Node* SimFileSystem::Find(const std::wstring& path) const {
  auto it = nodes_.find(Key(FullPath(path)));
  return it == nodes_.end() ? nullptr : &it->second;
}

std::uint32_t SimFileSystem::CheckCode(FileOp op, const std::wstring& fullPath) {
  if (beforeOperation)
    beforeOperation(op, fullPath);
  const Drive* drive = FindDrive(DriveLetter(fullPath));
  if (!drive)
    return error::kPathNotFound;
  if (!drive->hasMedium) {
    if (mediumMissing)
      mediumMissing(*drive);
    return error::kNotReady;
  }
  if (fullPath.size() >= kMaxPath)
    return error::kPathNotFound;
  const std::wstring key = Key(fullPath);
  for (auto it = faults_.begin(); it != faults_.end(); ++it) {
    if (it->op != op || it->key != key)
      continue;
    const std::uint32_t code = it->code;
    if (it->times > 0 && --it->times == 0)
      faults_.erase(it);
    return code;
  }
  return 0;
}

void SimFileSystem::Check(FileOp op, const std::wstring& fullPath) {
  if (auto code = CheckCode(op, fullPath))
    throw OsError(code);
}

std::uint32_t SimFileSystem::RoomFor(const std::wstring& fullPath, std::uint64_t oldSize,
                                     std::uint64_t newSize) const {
  const wchar_t letter = DriveLetter(fullPath);
  const Drive* drive = nullptr;
  for (const Drive& d : drives_) {
    if (d.letter == letter)
      drive = &d;
  }
  if (!drive)
    return error::kPathNotFound;
  const std::uint64_t used = UsedBytes(letter) - oldSize;
  return used + newSize > drive->capacity ? error::kDiskFull : 0;
}

void SimFileSystem::MakeDirectories(const std::wstring& path) {
  const std::wstring full = FullPath(path);
  const std::wstring parent = Parent(full);
  if (!parent.empty() && !Find(parent))
    MakeDirectories(parent);
  if (!Find(full)) {
    Node node;
    node.name = full;
    node.directory = true;
    nodes_.emplace(Key(full), node);
  }
}

void SimFileSystem::PutFile(const std::wstring& path, const std::string& bytes) {
  PutFile(path, bytes, 0);
}

void SimFileSystem::PutFile(const std::wstring& path, const std::string& bytes,
                            std::uint64_t zeros) {
  const std::wstring full = FullPath(path);
  MakeDirectories(Parent(full));
  Node& node = nodes_[Key(full)];
  node.name = full;
  node.directory = false;
  node.bytes = bytes;
  node.zeros = zeros;
}

std::optional<std::string> SimFileSystem::Contents(const std::wstring& path) const {
  const Node* node = Find(path);
  if (!node || node->directory)
    return std::nullopt;
  return node->bytes + std::string(static_cast<std::size_t>(node->zeros), '\0');
}

bool SimFileSystem::Unflushed(const std::wstring& path) const {
  const Node* node = Find(path);
  return node && node->unflushed;
}

std::vector<std::wstring> SimFileSystem::List(const std::wstring& directory) const {
  const std::wstring prefix = Key(FullPath(directory)) + L"\\";
  std::vector<std::wstring> names;
  // Keys are sorted: everything below the directory follows its prefix.
  for (auto it = nodes_.lower_bound(prefix);
       it != nodes_.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it) {
    const auto& [key, node] = *it;
    if (key.size() > prefix.size() && key.find(L'\\', prefix.size()) == std::wstring::npos)
      names.push_back(node.name.substr(node.name.find_last_of(L'\\') + 1));
  }
  return names;
}

bool SimFileSystem::Exists(const std::wstring& path) const {
  return Find(path) != nullptr;
}

void SimFileSystem::Remove(const std::wstring& path) {
  const std::wstring key = Key(FullPath(path));
  for (auto it = nodes_.begin(); it != nodes_.end();) {
    const bool inside = it->first == key || (it->first.size() > key.size() &&
                                             it->first.compare(0, key.size(), key) == 0 &&
                                             it->first[key.size()] == L'\\');
    it = inside ? nodes_.erase(it) : std::next(it);
  }
}

std::uint64_t SimFileSystem::UsedBytes(wchar_t letter) const {
  const wchar_t drive = static_cast<wchar_t>(std::towupper(letter));
  std::uint64_t used = 0;
  // Keys are sorted: the drive's entries lie together.
  for (auto it = nodes_.lower_bound(std::wstring(1, drive));
       it != nodes_.end() && !it->first.empty() && it->first[0] == drive; ++it)
    used += it->second.Size();
  return used;
}

void SimFileSystem::InjectFault(FileOp op, const std::wstring& path, std::uint32_t code,
                                int times) {
  faults_.push_back(Fault{op, Key(FullPath(path)), code, times});
}

void SimFileSystem::ClearFaults() {
  faults_.clear();
}

void SimFileSystem::LockExclusive(const std::wstring& path, bool locked) {
  const std::wstring full = FullPath(path);
  if (!Find(full))
    PutFile(full, "");
  Find(full)->locked = locked;
}

std::optional<std::string> SimFileSystem::ReadAll(const std::wstring& path) const {
  const Node* node = Find(path);
  if (!node || node->directory || node->locked)
    return std::nullopt;
  const Drive* drive = nullptr;
  for (const Drive& d : drives_) {
    if (d.letter == DriveLetter(FullPath(path)))
      drive = &d;
  }
  if (!drive || !drive->hasMedium)
    return std::nullopt;
  return node->bytes + std::string(static_cast<std::size_t>(node->zeros), '\0');
}

std::uint32_t SimFileSystem::WriteAll(const std::wstring& path, const std::string& bytes, FileOp op,
                                      std::uint64_t zeros) {
  const std::wstring full = FullPath(path);
  if (auto code = CheckCode(op, full))
    return code;
  const Node* parent = Find(Parent(full));
  if (!parent || !parent->directory)
    return error::kPathNotFound;
  Node* node = Find(full);
  if (node && node->directory)
    return error::kAccessDenied;
  if (node && (node->locked || node->writers > 0))
    return error::kSharingViolation;
  if (auto code = RoomFor(full, node ? node->Size() : 0, bytes.size() + zeros))
    return code;
  PutFile(full, bytes, zeros);
  Find(full)->unflushed = true;
  return 0;
}

// A probe touches the drive (a drive without medium asks for a disk, as any access does) but
// opens nothing, so it neither sees nor uses up a fault injected for an open.
bool SimFileSystem::HasMedium(const std::wstring& fullPath) {
  const Drive* drive = FindDrive(DriveLetter(fullPath));
  if (!drive)
    return false;
  if (!drive->hasMedium && mediumMissing)
    mediumMissing(*drive);
  return drive->hasMedium;
}

bool SimFileSystem::DirectoryExists(const std::wstring& path) {
  const std::wstring full = FullPath(path);
  if (!HasMedium(full))
    return false;
  const Node* node = Find(full);
  return node && node->directory;
}

bool SimFileSystem::FileExists(const std::wstring& path) {
  const std::wstring full = FullPath(path);
  if (!HasMedium(full))
    return false;
  const Node* node = Find(full);
  return node && !node->directory;
}

void SimFileSystem::MakeDirectory(const std::wstring& path) {
  const std::wstring full = FullPath(path);
  Check(FileOp::MakeDirectory, full);
  if (Find(full))
    throw OsError(error::kAlreadyExists);
  const Node* parent = Find(Parent(full));
  if (!parent || !parent->directory)
    throw OsError(error::kPathNotFound);
  MakeDirectories(full);
}

std::unique_ptr<File> SimFileSystem::OpenForAppend(const std::wstring& path) {
  const std::wstring full = FullPath(path);
  Check(FileOp::Open, full);
  const Node* node = &Existing(full);
  if (node->directory)
    throw OsError(error::kAccessDenied);
  if (node->locked || node->writers > 0)
    throw OsError(error::kSharingViolation);
  return std::make_unique<SimFile>(*this, full, true);
}

std::unique_ptr<File> SimFileSystem::CreateAlways(const std::wstring& path) {
  const std::wstring full = FullPath(path);
  Check(FileOp::Create, full);
  const Node* parent = Find(Parent(full));
  if (!parent || !parent->directory)
    throw OsError(error::kPathNotFound);
  Node* node = Find(full);
  if (node && node->directory)
    throw OsError(error::kAccessDenied);
  if (node && (node->locked || node->writers > 0))
    throw OsError(error::kSharingViolation);
  PutFile(full, "");
  return std::make_unique<SimFile>(*this, full, true);
}

void SimFileSystem::Copy(const std::wstring& from, const std::wstring& to, bool failIfExists) {
  const std::wstring source = FullPath(from);
  const std::wstring target = FullPath(to);
  Check(FileOp::Copy, source);
  Check(FileOp::Copy, target);
  const Node* src = Find(source);
  if (!src || src->directory)
    throw OsError(error::kFileNotFound);
  // CopyFileW opens the source sharing read and delete only: any writer holding it, with or
  // without read sharing, refuses that open.
  if (src->locked || src->writers > 0)
    throw OsError(error::kSharingViolation);
  const Node* parent = Find(Parent(target));
  if (!parent || !parent->directory)
    throw OsError(error::kPathNotFound);
  const Node* dst = Find(target);
  if (dst && (dst->directory || failIfExists)) {
    throw OsError(dst->directory ? error::kAccessDenied : error::kFileExists);
  }
  if (dst && (dst->locked || dst->writers > 0))
    throw OsError(error::kSharingViolation);
  const std::string bytes = src->bytes;
  const std::uint64_t zeros = src->zeros;
  const Drive* drive = FindDrive(DriveLetter(target));
  const std::uint64_t used = UsedBytes(DriveLetter(target)) - (dst ? dst->Size() : 0);
  std::uint64_t room = drive->capacity > used ? drive->capacity - used : 0;
  if (IsFat(*drive))
    room = std::min(room, kFatLargestFile);  // FAT answers a larger file with "disk full"
  if (bytes.size() + zeros > room) {
    // What fits is written before the disk runs full; the partial file stays behind.
    if (room <= bytes.size())
      PutFile(target, bytes.substr(0, static_cast<std::size_t>(room)));
    else
      PutFile(target, bytes, room - bytes.size());
    Find(target)->unflushed = true;
    throw OsError(error::kDiskFull);
  }
  PutFile(target, bytes, zeros);
  Find(target)->unflushed = true;
}

void SimFileSystem::Move(const std::wstring& from, const std::wstring& to) {
  const std::wstring source = FullPath(from);
  const std::wstring target = FullPath(to);
  Check(FileOp::Move, source);
  Check(FileOp::Move, target);
  Node* src = Find(source);
  if (!src)
    throw OsError(error::kFileNotFound);
  if (src->locked || src->handles > 0)
    throw OsError(error::kSharingViolation);
  if (Find(target))
    throw OsError(error::kAlreadyExists);
  const Node* parent = Find(Parent(target));
  if (!parent || !parent->directory)
    throw OsError(error::kPathNotFound);
  if (DriveLetter(source) != DriveLetter(target))
    throw OsError(kNotSameDevice);
  if (src->directory)
    throw OsError(error::kAccessDenied);  // files only
  Node moved = *src;
  nodes_.erase(Key(source));
  moved.name = target;
  nodes_.emplace(Key(target), moved);
}

bool SimFileSystem::Delete(const std::wstring& path) {
  const std::wstring full = FullPath(path);
  if (CheckCode(FileOp::Delete, full))
    return false;
  const Node* node = Find(full);
  if (!node || node->directory || node->locked || node->handles > 0)
    return false;
  nodes_.erase(Key(full));
  return true;
}

std::wstring SimFileSystem::VolumeRoot(const std::wstring& path) {
  const std::wstring full = FullPath(path);
  return full.substr(0, 2) + L"\\";
}

// The node of an existing file or folder; "file not found" in an existing folder, else "path
// not found", as Windows answers an open.
SimFileSystem::Node& SimFileSystem::Existing(const std::wstring& fullPath) {
  Node* node = Find(fullPath);
  if (!node)
    throw OsError(Find(Parent(fullPath)) ? error::kFileNotFound : error::kPathNotFound);
  return *node;
}

SimFileSystem::Node& SimFileSystem::Readable(const std::wstring& fullPath) {
  Check(FileOp::Open, fullPath);
  Node* node = &Existing(fullPath);
  if (node->directory)
    throw OsError(error::kAccessDenied);
  // Others may read only: a writer, or a holder that shares nothing, keeps this open out.
  if (node->locked || node->writers > 0)
    throw OsError(error::kSharingViolation);
  return *node;
}

std::uint64_t SimFileSystem::FileSize(const std::wstring& path) {
  const std::wstring full = FullPath(path);
  Check(FileOp::Size, full);
  const Node* node = &Existing(full);
  return node->directory ? 0 : node->Size();
}

std::unique_ptr<File> SimFileSystem::OpenForRead(const std::wstring& path) {
  const std::wstring full = FullPath(path);
  Readable(full);
  return std::make_unique<SimFile>(*this, full, false);
}

std::unique_ptr<File> SimFileSystem::OpenFromDevice(const std::wstring& path) {
  const std::wstring full = FullPath(path);
  Readable(full);
  return std::make_unique<SimFile>(*this, full, false, true);
}

void SimFileSystem::FlushToDevice(const std::wstring& path) {
  const std::wstring full = FullPath(path);
  Check(FileOp::Flush, full);
  Node* node = &Existing(full);
  if (node->directory)
    throw OsError(error::kAccessDenied);
  if (node->locked)
    throw OsError(error::kSharingViolation);
  node->unflushed = false;
}

std::uint64_t SimFileSystem::FreeBytes(const std::wstring& folder) {
  const std::wstring full = FullPath(folder);
  Check(FileOp::Open, full);
  const Node* node = Find(full);
  if (!node || !node->directory)
    throw OsError(error::kPathNotFound);
  const Drive& drive = *FindDrive(DriveLetter(full));
  const std::uint64_t used = UsedBytes(drive.letter);
  return drive.capacity > used ? drive.capacity - used : 0;
}

std::wstring SimFileSystem::FileSystemName(const std::wstring& root) {
  const std::wstring full = FullPath(root);
  Check(FileOp::Open, full);
  if (full.size() != 3)
    throw OsError(error::kInvalidName);  // not the root of a volume
  return FindDrive(DriveLetter(full))->fileSystem;
}

std::vector<std::wstring> SimFileSystem::FileNames(const std::wstring& folder) {
  const std::wstring full = FullPath(folder);
  Check(FileOp::Open, full);
  const Node* node = Find(full);
  if (!node || !node->directory)
    throw OsError(error::kPathNotFound);
  std::vector<std::wstring> names;
  for (const std::wstring& name : List(full)) {
    if (!Find(full + L"\\" + name)->directory)
      names.push_back(name);
  }
  return names;
}

bool SimFileSystem::SameFile(const std::wstring& a, const std::wstring& b) {
  const std::wstring first = FullPath(a);
  const std::wstring second = FullPath(b);
  Check(FileOp::Open, first);
  Check(FileOp::Open, second);
  if (!Find(first) || !Find(second))
    throw OsError(error::kFileNotFound);
  return Key(first) == Key(second);  // the simulation has no links
}

}  // namespace platform::sim
