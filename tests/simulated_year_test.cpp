// A year unattended, in virtual time: the whole program on the simulated platform runs 365
// days of its 6-hour schedule beside the promotion window's hourly timers, while the world
// around it fails the way it does on a desk nobody watches: the server stopped for hours, the
// login refused, a database refused, the stick pulled out and put back, somebody else's stick
// in the slot, a full stick, a write-protected stick, the log folder deleted. After every
// run the log, the files and the boxes are checked against what the server wrote and what
// the world was like during the run.
#include <algorithm>
#include <cstdint>
#include <cstddef>
#include <cwchar>
#include <cwctype>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/drives.h"
#include "platform/error.h"
#include "tests/startup_fixture.h"
#include "untComm/exception_handler.h"
#include "untGG/frmGG.h"
#include "untMain/backup_names.h"

namespace {

using platform::sim::FileOp;

constexpr std::int64_t kMinute = 60'000;
constexpr std::int64_t kHour = 60 * kMinute;
constexpr std::int64_t kDay = 24 * kHour;
constexpr int kDays = 365;
constexpr int kRunsPerDay = 4;  // every 6 hours

constexpr wchar_t kStick = L'E';
constexpr wchar_t kOtherSlot = L'F';  // a card reader, empty unless somebody's stick is in it
constexpr std::uint64_t kStickCapacity = 1ull << 34;
constexpr wchar_t kStickFolder[] = L"E:\\BACKUP";
constexpr wchar_t kLocalFolder[] = L"C:\\本地备份";
constexpr wchar_t kTempFolder[] = L"c:\\tempbak";
constexpr wchar_t kSuccess[] = L"数据库备份成功: ";
constexpr wchar_t kCopyFailed[] = L"数据库备份复制失败，临时备份文件保留在: ";
constexpr wchar_t kOlderDeleted[] = L"已删除较早的临时备份文件: ";
constexpr wchar_t kMoneyDatabase[] = L"财务库";

enum class Fault {
  ServerDown,
  LoginRefused,
  DatabaseRefused,
  StickRemoved,
  WrongStick,
  StickFull,
  WriteProtected,
  LogFolderDeleted,
};
constexpr int kFaultKinds = 8;

// One fault from `from` (virtual time since the program started) for `hours`.
struct Episode {
  Fault fault;
  std::int64_t from;
  int hours;
};

int HoursOf(Fault fault) {
  switch (fault) {
    case Fault::ServerDown:
      return 11;
    case Fault::LoginRefused:
      return 7;
    case Fault::DatabaseRefused:
      return 30;
    case Fault::StickRemoved:
      return 20;
    case Fault::WrongStick:
      return 13;
    case Fault::StickFull:
      return 19;
    case Fault::WriteProtected:
      return 8;
    case Fault::LogFolderDeleted:
      return 0;
  }
  return 0;
}

// A fault every week, each kind in turn, starting at a different run of the day; every third
// week a second one overlaps it. Faults begin and end at 17 minutes past an hour, so never
// during a run (runs fall on the hours of the schedule and take seconds).
std::vector<Episode> Script() {
  std::vector<Episode> episodes;
  for (int week = 0; week < kDays / 7; ++week) {
    const std::int64_t start =
        week * 7 * kDay + 2 * kDay + (3 + 6 * (week % 4)) * kHour + 17 * kMinute;
    const auto first = static_cast<Fault>(week % kFaultKinds);
    episodes.push_back({first, start, HoursOf(first)});
    if (week % 3 == 1) {
      const auto second = static_cast<Fault>((week + 3) % kFaultKinds);
      episodes.push_back({second, start + 5 * kHour, HoursOf(second)});
    }
  }
  return episodes;
}

bool SameText(const std::wstring& a, const std::wstring& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](wchar_t x, wchar_t y) { return std::towupper(x) == std::towupper(y); });
}

std::wstring Upper(std::wstring text) {
  for (wchar_t& c : text)
    c = static_cast<wchar_t>(std::towupper(c));
  return text;
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

std::wstring Folder(const std::wstring& path) {
  return path.substr(0, path.rfind(L'\\'));
}

std::wstring Name(const std::wstring& path) {
  return path.substr(path.rfind(L'\\') + 1);
}

// The database whose backup file name `name` is (file-name form, twelve digits, ".bak").
std::optional<std::wstring> DatabaseOf(const std::wstring& name,
                                       const std::vector<std::wstring>& databases) {
  for (const std::wstring& database : databases) {
    const std::wstring form = untMain::BackupFileName(database, L"");  // form + ".bak"
    const std::size_t stem = form.size() - 4;
    if (name.size() != form.size() + 12 || !SameText(name.substr(0, stem), form.substr(0, stem)))
      continue;
    const std::wstring stamp = name.substr(stem, 12);
    if (std::all_of(stamp.begin(), stamp.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; }) &&
        SameText(name, untMain::BackupFileName(database, stamp)))
      return database;
  }
  return std::nullopt;
}

std::wstring DateOf(const platform::DateTime& t) {
  wchar_t text[16];
  std::swprintf(text, 16, L"%04d-%02d-%02d", t.year, t.month, t.day);
  return text;
}

// What the world is like: how many episodes of each fault are under way.
struct Conditions {
  std::map<Fault, int> active;
  bool operator()(Fault fault) const {
    auto it = active.find(fault);
    return it != active.end() && it->second > 0;
  }
};

// What one database's backup in a run should come to.
enum class Outcome { Success, CopyFailed };

struct Expected {
  bool errorBox = false;
  std::wstring folder;                                     // of the success lines
  std::vector<std::pair<std::wstring, Outcome>> outcomes;  // in the order of the sweep
};

class SimulatedYearTest : public ProgramTest {
 protected:
  SimulatedYearTest() {
    world.files.AddDrive({kStick, platform::kDriveRemovable, L"备份U盘", true, kStickCapacity});
    world.files.AddDrive(
        {kOtherSlot, platform::kDriveRemovable, L"别人的U盘", false, kStickCapacity});
    world.server.databases = {L"master", L"tempdb", kMoneyDatabase, L"model"};
    // As SQL Server itself does.
    world.server.Refuse(L"tempdb");
    world.server.backupBytes = 64;
    world.files.beforeOperation = [this](FileOp op, const std::wstring& path) {
      Witness(op, path);
      // A stick that refuses writes while write-protected.
      const bool writes = op == FileOp::Copy || op == FileOp::Create || op == FileOp::Write ||
                          op == FileOp::Move || op == FileOp::MakeDirectory;
      if (writes && conditions(Fault::WriteProtected) && path.size() > 1 &&
          std::towupper(path[0]) == kStick && path[1] == L':')
        world.files.InjectFault(op, path, platform::error::kAccessDenied, 1);
    };
  }

  // Every operation that could change or remove a file under a final name, as it happens:
  // a file already handed over is never touched again, and a new one is made only under a
  // name the run's success lines give.
  void Witness(FileOp op, const std::wstring& path) {
    if (op == FileOp::Open || op == FileOp::Size || op == FileOp::Seek || op == FileOp::Read ||
        op == FileOp::Close || op == FileOp::MakeDirectory || op == FileOp::ProfileWrite)
      return;
    const std::wstring key = Upper(path);
    if (finalKeys.count(key)) {
      touched.push_back(path);
    } else if ((op == FileOp::Copy || op == FileOp::Move) &&
               (SameText(Folder(path), kStickFolder) || SameText(Folder(path), kLocalFolder)) &&
               DatabaseOf(Name(path), world.server.databases)) {
      made.push_back(path);
    }
  }

  // --- the world's faults ---

  void Begin(Fault fault) {
    ++conditions.active[fault];
    Apply(fault, true);
  }
  void End(Fault fault) {
    --conditions.active[fault];
    Apply(fault, false);
  }

  void Apply(Fault fault, bool begins) {
    auto& stick = *world.files.FindDrive(kStick);
    switch (fault) {
      case Fault::ServerDown:
        conditions(fault) ? world.server.Stop() : world.server.Start();
        break;
      case Fault::LoginRefused:
        // A change of the server's logins takes effect with its restart, which breaks the
        // program's open connections.
        if (begins && world.server.Running()) {
          world.server.Stop();
          world.server.Start();
        }
        world.server.acceptIntegratedSecurity = !conditions(fault);
        break;
      case Fault::DatabaseRefused:
        if (conditions(fault))
          world.server.Refuse(kMoneyDatabase);
        else
          world.server.Allow(kMoneyDatabase);
        break;
      case Fault::StickRemoved:
      case Fault::WrongStick:
        // Somebody's stick goes into the card reader while ours is out.
        world.files.SetMedium(kStick,
                              !conditions(Fault::StickRemoved) && !conditions(Fault::WrongStick));
        world.files.SetMedium(kOtherSlot, conditions(Fault::WrongStick));
        break;
      case Fault::StickFull:
        // Filled by other files up to a few bytes.
        stick.capacity = conditions(fault) ? world.files.UsedBytes(kStick) + 10 : kStickCapacity;
        break;
      case Fault::WriteProtected:
        break;  // see beforeOperation
      case Fault::LogFolderDeleted:
        if (begins) {
          world.files.Remove(L"C:\\Tavrix\\log");
          logRead.clear();
          ++logFolderDeletions;
        }
        break;
    }
  }

  // --- what a run should come to, from the conditions it ran in ---

  Expected Expect() const {
    Expected expected;
    if (conditions(Fault::ServerDown) || conditions(Fault::LoginRefused)) {
      expected.errorBox = true;  // the database list cannot be read
      return expected;
    }
    const bool stickIn = !conditions(Fault::StickRemoved) && !conditions(Fault::WrongStick);
    if (!stickIn && conditions(Fault::WrongStick))
      return expected;  // a stick with another label: no backup anywhere
    expected.folder = stickIn ? kStickFolder : kLocalFolder;
    const bool copyFails =
        stickIn && (conditions(Fault::StickFull) || conditions(Fault::WriteProtected));
    for (const std::wstring& database : world.server.databases) {
      if (database == L"tempdb" ||
          (database == kMoneyDatabase && conditions(Fault::DatabaseRefused)))
        continue;
      expected.outcomes.push_back({database, copyFails ? Outcome::CopyFailed : Outcome::Success});
    }
    return expected;
  }

  // --- watching every run ---

  void Watch(untMain::TfrmMain& main) {
    const std::wstring today = DateOf(world.clock.Now());
    logRead[today] = LogLines(today).size();  // the start-up lines
    main.tmrBackup->OnTimer = [this, run = main.tmrBackup->OnTimer] {
      const Expected expected = Expect();
      const std::size_t boxes = world.ui.boxes.size();
      const std::size_t errors = world.server.errors.size();
      const std::size_t written = world.server.written.size();
      const std::wstring date = DateOf(world.clock.Now());
      ++runs;
      run();
      CheckRun(expected, date, boxes, errors, written);
    };
  }

  std::vector<std::wstring> NewLogLines(const std::wstring& date) {
    const std::vector<std::wstring> lines = Messages(LogLines(date));
    std::size_t& read = logRead[date];
    std::vector<std::wstring> fresh(
        lines.begin() + static_cast<std::ptrdiff_t>(std::min(read, lines.size())), lines.end());
    read = lines.size();
    return fresh;
  }

  // The bytes the server last wrote to the temporary file of that name.
  std::optional<std::string> ServerBytes(const std::wstring& name) const {
    const std::wstring disk = std::wstring(kTempFolder) + L"\\" + name;
    for (auto it = world.server.written.rbegin(); it != world.server.written.rend(); ++it) {
      if (SameText(it->disk, disk))
        return it->bytes + std::string(static_cast<std::size_t>(it->zeros), '\0');
    }
    return std::nullopt;
  }

  void CheckRun(const Expected& expected, const std::wstring& date, std::size_t boxesBefore,
                std::size_t errorsBefore, std::size_t writtenBefore) {
    const std::string when =
        "run " + std::to_string(runs) + " on " + std::string(date.begin(), date.end());
    SCOPED_TRACE(when);

    // The boxes: one for the error that escaped the run, none otherwise.
    const std::size_t boxes = world.ui.boxes.size() - boxesBefore;
    EXPECT_EQ(boxes, expected.errorBox ? 1u : 0u);
    if (boxes > 0) {
      const auto& box = world.ui.boxes.back();
      ASSERT_GT(world.server.errors.size(), errorsBefore) << "a box with no error behind it";
      EXPECT_EQ(box.text, untComm::ExceptionBoxText(world.server.errors.back()));
      EXPECT_EQ(box.caption, L"Velmora");
      EXPECT_EQ(box.flags, platform::ui::kMbOk | platform::ui::kMbIconError);
      ++errorBoxes;
    }
    if (expected.errorBox || expected.outcomes.empty()) {
      EXPECT_EQ(world.server.written.size(), writtenBefore) << "no backup was to be made";
    }

    // The log: one line per database as the conditions give, plus older kept backups deleted.
    std::vector<std::wstring> lines;
    std::set<std::wstring> handedOver;  // full names of this run's success lines
    for (const std::wstring& line : NewLogLines(date)) {
      if (StartsWith(line, kOlderDeleted)) {
        const std::wstring file = line.substr(std::wcslen(kOlderDeleted));
        EXPECT_TRUE(announcedKept.count(file)) << "deleted what no failed hand-over kept: " << file;
        EXPECT_FALSE(world.files.Exists(file)) << "said deleted, still there: " << file;
        ++olderDeleted;
        continue;
      }
      lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), expected.outcomes.size()) << "log lines of the run";
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const auto& [database, outcome] = expected.outcomes[i];
      const std::wstring& line = lines[i];
      if (outcome == Outcome::Success) {
        ASSERT_TRUE(StartsWith(line, kSuccess)) << "line " << i;
        const std::wstring file = line.substr(std::wcslen(kSuccess));
        EXPECT_EQ(Folder(file), expected.folder);
        EXPECT_EQ(DatabaseOf(Name(file), {database}), database) << "file of " << i;
        // Its file holds exactly what the server wrote, and the temporary one is gone.
        const std::optional<std::string> bytes = ServerBytes(Name(file));
        ASSERT_TRUE(bytes.has_value()) << "the server never wrote " << Name(file);
        EXPECT_EQ(world.files.Contents(file), bytes) << "the file of a success line";
        EXPECT_FALSE(world.files.Exists(std::wstring(kTempFolder) + L"\\" + Name(file)));
        handedOver.insert(file);
        ++(expected.folder == kStickFolder ? toStick : toLocalFolder);
      } else {
        ASSERT_TRUE(StartsWith(line, kCopyFailed)) << "line " << i;
        const std::wstring file = line.substr(std::wcslen(kCopyFailed));
        EXPECT_EQ(Folder(file), kTempFolder);
        EXPECT_EQ(DatabaseOf(Name(file), {database}), database);
        EXPECT_EQ(world.files.Contents(file), ServerBytes(Name(file)))
            << "the kept backup is the server's";
        announcedKept.insert(file);
        ++copyFailures;
      }
    }

    // Files under final names: no operation touched one handed over earlier; what the run
    // made under such a name is what its success lines name.
    EXPECT_TRUE(touched.empty()) << "a file under a final name was written, moved or deleted: "
                                 << touched.front();
    touched.clear();
    for (const std::wstring& file : made) {
      if (world.files.Exists(file)) {
        EXPECT_TRUE(handedOver.count(file)) << "a file no success line names: " << file;
      }
    }
    made.clear();
    for (const std::wstring& file : handedOver) {
      finals[Folder(file)][Name(file)] = *world.files.Contents(file);
      finalKeys.insert(Upper(file));
    }
    // And once a week every one of them, read back (a stick that is out, when it is back).
    if (runs % (7 * kRunsPerDay) == 0)
      CheckFinalFiles();

    // c:\tempbak: at most one kept backup per database, each one a failed hand-over's.
    std::map<std::wstring, int> kept;
    for (const std::wstring& name : world.files.List(kTempFolder)) {
      const std::wstring file = std::wstring(kTempFolder) + L"\\" + name;
      EXPECT_TRUE(announcedKept.count(file)) << "in c:\\tempbak unannounced: " << name;
      if (const auto database = DatabaseOf(name, world.server.databases)) {
        EXPECT_LE(++kept[*database], 1) << "kept backups of one database";
      }
    }
  }

  // Every file under a final name is there with the bytes it had when it was handed over,
  // and nothing else is left in the destination folders.
  void CheckFinalFiles() {
    for (const auto& [folder, known] : finals) {
      if (!world.files.FindDrive(folder[0])->hasMedium)
        continue;
      const std::vector<std::wstring> names = world.files.List(folder);
      EXPECT_EQ(names.size(), known.size())
          << "files in " << std::string(folder.begin(), folder.end());
      for (const std::wstring& name : names) {
        auto it = known.find(name);
        if (it == known.end()) {
          ADD_FAILURE() << "not handed over, yet there: " << folder << L"\\" << name;
          continue;
        }
        EXPECT_EQ(world.files.Contents(folder + L"\\" + name), it->second)
            << "changed: " << folder << L"\\" << name;
      }
    }
  }

  Conditions conditions;
  std::vector<std::wstring> touched;            // files under final names an operation went for
  std::vector<std::wstring> made;               // files under final names copied or moved to
  std::set<std::wstring> finalKeys;             // upper case
  std::map<std::wstring, std::size_t> logRead;  // lines of each day's log already checked
  std::map<std::wstring, std::map<std::wstring, std::string>> finals;  // by folder and name
  std::set<std::wstring> announcedKept;
  int runs = 0;
  int errorBoxes = 0;
  int toStick = 0;
  int toLocalFolder = 0;
  int copyFailures = 0;
  int olderDeleted = 0;
  int logFolderDeletions = 0;
};

TEST_F(SimulatedYearTest, AYearOfScheduledBackupsUnderFaultsKeepsEveryFileAndSaysWhatHappened) {
  WriteConfig(L"BACKUP_PATH=C:\\本地备份\r\n");
  const std::vector<Episode> script = Script();
  // Begin and end of every episode, in the order they happen.
  std::multimap<std::int64_t, std::pair<Fault, bool>> changes;
  for (const Episode& e : script) {
    changes.insert({e.from, {e.fault, true}});
    changes.insert({e.from + e.hours * kHour, {e.fault, false}});
  }

  std::int64_t started = 0;
  int promotionShows = 0;
  bool promotionVisible = true;
  Run([&](untMain::TfrmMain& main) {
    started = world.clock.Milliseconds();
    Watch(main);
    for (const auto& [at, change] : changes) {
      world.ui.RunFor(started + at - world.clock.Milliseconds());
      change.second ? Begin(change.first) : End(change.first);
    }
    // Up to the last run and the promotion window's last showing, then a minute more.
    world.ui.RunFor(started + kDays * kDay + kMinute - world.clock.Milliseconds());
    ASSERT_NE(untGG::frmGG, nullptr);
    const auto& promotion = dynamic_cast<platform::sim::SimForm&>(*untGG::frmGG->form);
    promotionShows = promotion.showCount;
    promotionVisible = promotion.Visible();
  });

  EXPECT_EQ(runs, kDays * kRunsPerDay);
  CheckFinalFiles();
  EXPECT_EQ(world.ui.boxes.size(), static_cast<std::size_t>(errorBoxes)) << "boxes between runs";
  EXPECT_FALSE(world.ui.terminated);
  // The promotion window kept its hour beside the backups: shown every hour, hidden again.
  EXPECT_EQ(promotionShows, kDays * 24);
  EXPECT_FALSE(promotionVisible);
  // No system box asked for a disk in the empty card reader.
  EXPECT_EQ(world.drives.criticalErrorBoxes, 0);
  EXPECT_EQ(world.files.OpenHandles(), 0);

  // Every fault had its effect.
  RecordProperty("runs", runs);
  RecordProperty("errorBoxes", errorBoxes);
  RecordProperty("toStick", toStick);
  RecordProperty("toLocalFolder", toLocalFolder);
  RecordProperty("copyFailures", copyFailures);
  RecordProperty("olderKeptDeleted", olderDeleted);
  EXPECT_GT(errorBoxes, 10);
  EXPECT_GT(copyFailures, 10);
  EXPECT_GT(olderDeleted, 10);
  EXPECT_GT(toLocalFolder, 10);
  EXPECT_GT(toStick, kDays * 2);
  EXPECT_GE(logFolderDeletions, 5);
  EXPECT_FALSE(LogLines(DateOf(world.clock.Now())).empty()) << "the log came back";
}

}  // namespace
