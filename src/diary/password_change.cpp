#include <diary/password_change.h>

#include <diary/cipher.h>
#include <diary/passwords.h>
#include <diary/paths.h>
#include <base/error.h>
#include <base/safe_file.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <map>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quillet {
namespace {

std::function<bool(std::string_view)> faultHook;

// Asks the test seam; a refused step fails as a refused file operation would.
void Step(std::string_view step, const fs::path& path, const char* what) {
  if (faultHook && !faultHook(step)) {
    throw Error(std::string("Cannot ") + what + " \"" + path.string() + "\". " +
                std::strerror(EACCES));
  }
}

// The journal, in bytes:
//   Quillet password change 1
//   password <hex of the scrambled new password>
//   entries <count>
//   entry <hex of the file name> <length>
//   <the entry file's new bytes>
//   ... one entry record for each file ...
//   end <FNV-1a 64 of every byte before this line, 16 hex digits>
constexpr std::string_view kMagic = "Quillet password change 1\n";

class TChecksum {
 public:
  void Add(std::string_view bytes) {
    for (char c : bytes) {
      hash_ ^= uint8_t(c);
      hash_ *= 0x100000001B3ull;
    }
  }
  uint64_t Value() const { return hash_; }

 private:
  uint64_t hash_ = 0xCBF29CE484222325ull;
};

std::string Hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (char c : bytes) {
    out += kDigits[uint8_t(c) >> 4];
    out += kDigits[uint8_t(c) & 15];
  }
  return out;
}

std::optional<std::string> Unhex(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string out;
  for (size_t i = 0; i < hex.size(); i += 2) {
    uint8_t v = 0;
    auto [end, ec] = std::from_chars(hex.data() + i, hex.data() + i + 2, v, 16);
    if (ec != std::errc() || end != hex.data() + i + 2) return std::nullopt;
    out += char(v);
  }
  return out;
}

std::string EndLine(uint64_t sum) {
  char digits[17];
  std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(sum));
  return "end " + std::string(digits) + "\n";
}

struct TJournal {
  std::string password;  // the new one, unscrambled
  struct Entry {
    std::string name;
    std::string_view bytes;  // into `data`
  };
  std::vector<Entry> entries;
  std::string data;
};

// Reads a journal; nothing when it is damaged (which its flushed, renamed
// writing rules out short of a failing disk). Throws Error when unreadable.
std::optional<TJournal> LoadJournal(const fs::path& path) {
  TJournal j;
  j.data = ReadWholeFile(path);
  std::string_view data = j.data;
  size_t pos = 0;
  auto line = [&](std::string_view word) -> std::optional<std::string_view> {
    size_t nl = data.find('\n', pos);
    if (nl == std::string_view::npos) return std::nullopt;
    std::string_view text = data.substr(pos, nl - pos);
    if (text.substr(0, word.size() + 1) != std::string(word) + " ") return std::nullopt;
    pos = nl + 1;
    return text.substr(word.size() + 1);
  };
  auto number = [](std::string_view text, size_t& value) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty();
  };
  if (data.substr(0, kMagic.size()) != kMagic) return std::nullopt;
  pos = kMagic.size();
  auto password = line("password");
  std::optional<std::string> scrambled = password ? Unhex(*password) : std::nullopt;
  if (!scrambled) return std::nullopt;
  j.password = Decryptstring(*scrambled);
  auto count = line("entries");
  size_t n = 0;
  if (!count || !number(*count, n) || n > data.size()) return std::nullopt;
  for (size_t i = 0; i < n; ++i) {
    auto entry = line("entry");
    if (!entry) return std::nullopt;
    size_t space = entry->find(' ');
    size_t length = 0;
    std::optional<std::string> name = Unhex(entry->substr(0, space));
    if (space == std::string_view::npos || !name || !number(entry->substr(space + 1), length)) {
      return std::nullopt;
    }
    // Only plain entry names below Entries/.
    if (!IsEntryFileName(*name) || name->find('/') != std::string::npos || *name == ".QXE" ||
        name->find('\0') != std::string::npos) {
      return std::nullopt;
    }
    if (length > data.size() - pos || data.size() - pos - length < 1 ||
        data[pos + length] != '\n') {
      return std::nullopt;
    }
    j.entries.push_back({*name, data.substr(pos, length)});
    pos += length + 1;
  }
  TChecksum sum;
  sum.Add(data.substr(0, pos));
  if (data.substr(pos) != EndLine(sum.Value())) return std::nullopt;
  return j;
}

enum class TFinish { Finished, RolledBack, Failed };

struct TFinishResult {
  TFinish outcome;
  std::string reason;
};

void RemoveJournal(const fs::path& diaryDir, const fs::path& journal) {
  Step("finish", journal, "remove");
  if (::unlink(journal.c_str()) != 0 && errno != ENOENT) {
    throw Error("Cannot remove \"" + journal.string() + "\". " + std::strerror(errno));
  }
  SyncFileSystemOf(diaryDir);  // a journal that came back after a crash would be replayed
}

// Carries a recorded change through. Every step may be done again.
TFinishResult FinishFromJournal(const fs::path& diaryDir, const fs::path& journal,
                                const TJournal& j) {
  // While QX.INI holds another password no entry has been touched yet, so a
  // settings file that refuses the new one can still undo the change.
  if (ReadStoredPassword(diaryDir) != j.password) {
    try {
      WriteStoredPassword(diaryDir, j.password);
    } catch (const Error& e) {
      if (ReadStoredPassword(diaryDir) != j.password) {
        try {
          RemoveJournal(diaryDir, journal);
        } catch (const Error&) {
          return {TFinish::Failed, e.what()};
        }
        return {TFinish::RolledBack, e.what()};
      }
    }
  }
  try {
    fs::path entries = EntriesDir(diaryDir);
    std::map<dev_t, fs::path> fileSystems;  // an entry may link to a file on another disk
    for (const TJournal::Entry& e : j.entries) {
      fs::path file = entries / e.name;
      Step("commit", file, "write");
      OverwriteFile(file, e.bytes);
      struct stat st {};
      if (::stat(file.c_str(), &st) == 0) fileSystems.emplace(st.st_dev, file);
    }
    for (const auto& [device, file] : fileSystems) SyncFileSystemOf(file);
    RemoveJournal(diaryDir, journal);
  } catch (const Error& e) {
    return {TFinish::Failed, e.what()};
  }
  return {TFinish::Finished, {}};
}

// Temporary files of a journal or settings file whose writing was cut off:
// ".Password.jnl.XXXXXX", ".QX.INI.XXXXXX".
void RemoveStaleCopies(const fs::path& diaryDir) {
  std::vector<std::string> prefixes;
  for (const fs::path& file : {PasswordJournalName(diaryDir), SettingsFileName(diaryDir)}) {
    prefixes.push_back("." + file.filename().string() + ".");
  }
  std::error_code ec;
  for (fs::directory_iterator it(diaryDir, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    for (const std::string& prefix : prefixes) {
      if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0) {
        std::error_code removeError;
        fs::remove(it->path(), removeError);
      }
    }
  }
}

// A reason from a file error ("Cannot write file "...". No space left on
// device") as a sentence of a longer message.
std::string Sentence(std::string reason) {
  if (!reason.empty() && reason.back() != '.') reason += '.';
  return reason;
}

std::string PreviousState(std::string_view password) {
  return password.empty() ? "The diary still has no password."
                          : "Every entry still opens with the previous password.";
}

constexpr const char* kNotFinished =
    " The change is recorded and will be finished the next time Quillet! starts; until then "
    "the diary cannot be used.";

}  // namespace

void SetPasswordChangeFaultHook(std::function<bool(std::string_view)> hook) {
  faultHook = std::move(hook);
}

fs::path PasswordJournalName(const fs::path& diaryDir) { return diaryDir / "Password.jnl"; }

TRecoveryResult RecoverPasswordChange(const fs::path& diaryDir) {
  RemoveStaleCopies(diaryDir);
  fs::path journal = PasswordJournalName(diaryDir);
  std::error_code ec;
  if (!fs::exists(journal, ec)) return {};
  std::optional<TJournal> j;
  try {
    j = LoadJournal(journal);
  } catch (const Error& e) {
    return {TRecovery::Failed, std::string("An interrupted password change could not be finished: ") +
                                   Sentence(e.what()) + kNotFinished};
  }
  if (!j) {
    return {TRecovery::Failed,
            "An interrupted password change could not be finished: its journal \"" +
                journal.string() +
                "\" is damaged. Some entries may still use the previous password; restore "
                "the diary from its backup."};
  }
  TFinishResult f = FinishFromJournal(diaryDir, journal, *j);
  switch (f.outcome) {
    case TFinish::Finished:
      return {TRecovery::Finished, "An interrupted password change has been finished."};
    case TFinish::RolledBack:
      return {TRecovery::RolledBack, "An interrupted password change has been undone: " +
                                         Sentence(f.reason) + " The previous password is still in force."};
    case TFinish::Failed:
      break;
  }
  return {TRecovery::Failed,
          "An interrupted password change could not be finished: " + Sentence(f.reason) +
              kNotFinished};
}

TPasswordChangeResult ChangePassword(const fs::path& diaryDir, std::string_view oldPassword,
                                     std::string_view newPassword, const TPassProgress& progress) {
  TPasswordChangeResult r;
  auto unchanged = [&](const std::string& why) {
    r.state = TDiaryState::Unchanged;
    r.password = ReadStoredPassword(diaryDir);
    r.filesRewritten = 0;
    r.message =
        "The password was not changed. " + Sentence(why) + " " + PreviousState(r.password);
    return r;
  };
  auto interrupted = [&](const std::string& why) {
    r.state = TDiaryState::Interrupted;
    r.password = newPassword;
    r.filesRewritten = 0;
    r.message = "The password change could not be finished: " + Sentence(why) + kNotFinished;
    return r;
  };
  if (newPassword.size() > kMaxPasswordLength) {
    return unchanged("A password has at most 8 characters.");
  }
  if (!IsValidPassword(newPassword)) {
    return unchanged("Valid password characters are A-Z, 0-9 and spaces.");
  }
  // A change that an earlier run left unfinished goes first.
  TRecoveryResult earlier = RecoverPasswordChange(diaryDir);
  if (earlier.outcome == TRecovery::Failed) {
    r.state = TDiaryState::Interrupted;
    r.password = ReadStoredPassword(diaryDir);
    r.message = earlier.message;
    return r;
  }
  if (ReadStoredPassword(diaryDir) != oldPassword) {
    return unchanged(oldPassword.empty() ? "Previous password is required."
                                         : "Previous password is incorrect.");
  }
  if (oldPassword == newPassword) {
    r.state = TDiaryState::Changed;
    r.password = newPassword;
    return r;
  }

  // 1. Every entry, re-keyed in memory, into the journal.
  std::vector<fs::path> files = ListEntryFiles(diaryDir);
  const int total = int(files.size());
  if (progress) progress(0, total);
  fs::path journal = PasswordJournalName(diaryDir);
  try {
    TSafeFileWriter writer(journal);
    TChecksum sum;
    auto put = [&](std::string_view bytes) {
      writer.Write(bytes);
      sum.Add(bytes);
    };
    std::string scrambled = newPassword.empty() ? "" : EncryptString(newPassword);
    put(std::string(kMagic) + "password " + Hex(scrambled) + "\nentries " +
        std::to_string(total) + "\n");
    for (int i = 0; i < total; ++i) {
      const fs::path& file = files[size_t(i)];
      Step("read", file, "read");
      // The file is overwritten in place later: it must be writable now.
      if (::access(file.c_str(), W_OK) != 0) {
        throw Error("Cannot write file \"" + file.string() + "\". " + std::strerror(errno));
      }
      std::string record = ReadWholeFile(file);
      auto* bytes = reinterpret_cast<uint8_t*>(record.data());
      if (!oldPassword.empty()) TKeystream(oldPassword).Decipher(bytes, record.size());
      if (!newPassword.empty()) TKeystream(newPassword).Encipher(bytes, record.size());
      record.insert(0, "entry " + Hex(file.filename().string()) + " " +
                           std::to_string(record.size()) + "\n");
      record += '\n';
      put(record);
      if (progress) progress(i + 1, total);
    }
    writer.Write(EndLine(sum.Value()));
    writer.Commit();
  } catch (const Error& e) {
    return unchanged(e.what());
  }

  // 2. From here on the journal carries the change through.
  std::optional<TJournal> j;
  try {
    j = LoadJournal(journal);
  } catch (const Error&) {
  }
  if (!j || j->entries.size() != files.size()) {
    ::unlink(journal.c_str());
    return unchanged("The journal \"" + journal.string() + "\" did not read back.");
  }
  TFinishResult f = FinishFromJournal(diaryDir, journal, *j);
  if (f.outcome == TFinish::RolledBack) return unchanged(f.reason);
  if (f.outcome == TFinish::Failed) {
    // One more try at once, as the next start would do.
    TRecoveryResult again = RecoverPasswordChange(diaryDir);
    if (again.outcome == TRecovery::RolledBack) return unchanged(f.reason);
    if (again.outcome != TRecovery::Finished) return interrupted(f.reason);
  }
  r.state = TDiaryState::Changed;
  r.password = newPassword;
  r.filesRewritten = total;
  return r;
}

}  // namespace quillet
