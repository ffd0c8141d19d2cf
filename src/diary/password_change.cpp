// SPDX-License-Identifier: GPL-3.0-or-later
#include <diary/password_change.h>

#include <diary/cipher.h>
#include <diary/entry_store.h>
#include <diary/passwords.h>
#include <diary/paths.h>
#include <base/error.h>
#include <base/safe_file.h>

#include <sodium.h>

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
//   Quillet password change 2
//   cipher <none, compatible or strong>
//   password <hex of the scrambled new password of the compatible cipher>
//   entries <count>
//   entry <hex of the file name> <length>
//   <the entry file's new bytes>
//   ... one entry record for each file ...
//   end <FNV-1a 64 of every byte before this line, 16 hex digits>
// A file name is an entry's name in Entries/, or "Deleted/" and the name of a
// deleted entry. A journal of the first format has no cipher line (the
// compatible cipher, or none with no password) and names entries only.
constexpr std::string_view kMagic1 = "Quillet password change 1\n";
constexpr std::string_view kMagic = "Quillet password change 2\n";
constexpr std::string_view kDeletedPrefix = "Deleted/";

constexpr std::string_view CipherName(TCipher cipher) {
  switch (cipher) {
    case TCipher::None:
      return "none";
    case TCipher::Compatible:
      return "compatible";
    case TCipher::Strong:
      return "strong";
  }
  return "none";
}

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
  TStoredProtection protection;  // the new one
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
  const bool first = data.substr(0, kMagic1.size()) == kMagic1;
  if (!first && data.substr(0, kMagic.size()) != kMagic) return std::nullopt;
  pos = kMagic.size();
  std::optional<TCipher> cipher;
  if (!first) {
    auto name = line("cipher");
    for (TCipher c : {TCipher::None, TCipher::Compatible, TCipher::Strong}) {
      if (name && *name == CipherName(c)) cipher = c;
    }
    if (!cipher) return std::nullopt;
  }
  auto password = line("password");
  std::optional<std::string> scrambled = password ? Unhex(*password) : std::nullopt;
  if (!scrambled) return std::nullopt;
  j.protection.password = Decryptstring(*scrambled);
  j.protection.cipher = cipher ? *cipher
                               : j.protection.password.empty() ? TCipher::None : TCipher::Compatible;
  if (j.protection.cipher != TCipher::Compatible) j.protection.password.clear();
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
    // Only plain entry names below Entries/ or Deleted/.
    std::string_view plain = *name;
    if (!first && plain.starts_with(kDeletedPrefix)) plain.remove_prefix(kDeletedPrefix.size());
    if (!IsEntryFileName(plain) || plain.find('/') != std::string::npos || plain == ".QXE" ||
        plain.find('\0') != std::string::npos) {
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

// Where a journal's file name lies.
fs::path JournalFile(const fs::path& diaryDir, std::string_view name) {
  if (name.starts_with(kDeletedPrefix)) {
    return TEntryStore(diaryDir).DeletedDirectory() / name.substr(kDeletedPrefix.size());
  }
  return EntriesDir(diaryDir) / name;
}

// Carries a recorded change through. Every step may be done again.
TFinishResult FinishFromJournal(const fs::path& diaryDir, const fs::path& journal,
                                const TJournal& j) {
  // While QX.INI holds another protection no entry has been touched yet, so
  // a settings file that refuses the new one can still undo the change.
  if (ReadStoredProtection(diaryDir) != j.protection) {
    try {
      WriteStoredProtection(diaryDir, j.protection);
    } catch (const Error& e) {
      if (ReadStoredProtection(diaryDir) != j.protection) {
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
    std::map<dev_t, fs::path> fileSystems;  // an entry may link to a file on another disk
    for (const TJournal::Entry& e : j.entries) {
      fs::path file = JournalFile(diaryDir, e.name);
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
  // A key file that no longer opens anything goes (a crash just before
  // leaves it, unused, for the next change to replace).
  if (j.protection.cipher != TCipher::Strong) ::unlink(KeyFileName(diaryDir).c_str());
  return {TFinish::Finished, {}};
}

// Temporary files of a journal or settings file whose writing was cut off:
// ".Password.jnl.XXXXXX", ".QX.INI.XXXXXX".
void RemoveStaleCopies(const fs::path& diaryDir) {
  std::vector<std::string> prefixes;
  for (const fs::path& file :
       {PasswordJournalName(diaryDir), SettingsFileName(diaryDir), KeyFileName(diaryDir)}) {
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
    " The change is recorded and will be finished the next time Quillet starts; until then "
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
  return ChangePassword(diaryDir, oldPassword,
                        newPassword.empty() ? TCipher::None : TCipher::Compatible, newPassword,
                        progress);
}

namespace {

// The regular files the pass rewrites: every entry, and every deleted entry
// (so that one put back later still opens), by their journal names.
std::vector<std::pair<std::string, fs::path>> FilesToRekey(const fs::path& diaryDir) {
  std::vector<std::pair<std::string, fs::path>> files;
  for (const fs::path& file : ListEntryFiles(diaryDir)) files.emplace_back(file.filename().string(), file);
  for (const TDeletedEntry& d : TEntryStore(diaryDir).DeletedEntries()) {
    std::error_code ec;
    if (!fs::is_regular_file(fs::symlink_status(d.file, ec))) continue;
    files.emplace_back(std::string(kDeletedPrefix) + d.file.filename().string(), d.file);
  }
  return files;
}

// The day a file name starts with ("yyyymmdd..."), the day its entry is keyed to.
std::optional<TDate> DayOfFile(const fs::path& file) {
  const std::string name = file.filename().string();
  return name.size() >= 8 ? ParseDayKey(std::string_view(name).substr(0, 8)) : std::nullopt;
}

}  // namespace

TPasswordChangeResult ChangePassword(const fs::path& diaryDir, std::string_view oldPassword,
                                     TCipher cipher, std::string_view newPassword,
                                     const TPassProgress& progress) {
  TPasswordChangeResult r;
  auto unchanged = [&](const std::string& why) {
    const TStoredProtection now = ReadStoredProtection(diaryDir);
    r.state = TDiaryState::Unchanged;
    r.cipher = now.cipher;
    r.password = now.password;
    r.filesRewritten = 0;
    r.message = "The password was not changed. " + Sentence(why) + " " +
                PreviousState(now.cipher == TCipher::None ? "" : "set");
    return r;
  };
  auto interrupted = [&](const std::string& why) {
    r.state = TDiaryState::Interrupted;
    r.cipher = cipher;
    r.password = cipher == TCipher::Compatible ? std::string(newPassword) : std::string();
    r.filesRewritten = 0;
    r.message = "The password change could not be finished: " + Sentence(why) + kNotFinished;
    return r;
  };
  if (cipher == TCipher::None) newPassword = {};
  if (cipher == TCipher::Compatible && newPassword.size() > kMaxPasswordLength) {
    return unchanged("A password has at most 8 characters.");
  }
  if (!IsValidPassphrase(cipher, newPassword)) {
    return unchanged(cipher == TCipher::Compatible
                         ? "Valid password characters are A-Z, a-z, 0-9 and spaces."
                         : "The passphrase is empty.");
  }
  // A change that an earlier run left unfinished goes first.
  TRecoveryResult earlier = RecoverPasswordChange(diaryDir);
  if (earlier.outcome == TRecovery::Failed) {
    const TStoredProtection now = ReadStoredProtection(diaryDir);
    r.state = TDiaryState::Interrupted;
    r.cipher = now.cipher;
    r.password = now.password;
    r.message = earlier.message;
    return r;
  }
  const TStoredProtection current = ReadStoredProtection(diaryDir);
  if (current.cipher == TCipher::None && !oldPassword.empty()) {
    return unchanged("Previous password is incorrect.");
  }
  TEntryKey oldKey;
  try {
    oldKey = UnlockDiary(diaryDir, oldPassword);
  } catch (const Error& e) {
    if (std::string_view(e.what()) != "Wrong passphrase.") return unchanged(e.what());
    return unchanged(oldPassword.empty() ? "Previous password is required."
                                         : "Previous password is incorrect.");
  }
  const fs::path keyFile = KeyFileName(diaryDir);
  if (current.cipher == cipher) {
    // The same cipher: the compatible one with the same password, or none,
    // changes nothing; strong encryption wraps the same diary key anew, in
    // the key file alone.
    r.state = TDiaryState::Changed;
    r.cipher = cipher;
    r.password = std::string(newPassword);
    r.key = oldKey;
    if (cipher == TCipher::Compatible && newPassword != oldPassword) {
      // Falls through to the pass below.
    } else {
      if (cipher == TCipher::Strong && newPassword != oldPassword) {
        try {
          WriteKeyFile(keyFile, oldKey.DiaryKey(), newPassword);
        } catch (const Error& e) {
          return unchanged(e.what());
        }
      }
      return r;
    }
  }

  // The new key. A new diary key is wrapped into the key file once every
  // entry has been re-keyed with it, just before the journal is committed:
  // once the journal is there the change goes through, and the key must be
  // waiting. Until QX.INI says so, nothing reads the key file.
  std::optional<TSecretKey> diaryKey;
  TEntryKey newKey = TEntryKey::Compatible(std::string(newPassword));
  if (cipher == TCipher::Strong) {
    diaryKey = TSecretKey::Random();
    TSecretKey copy;
    std::memcpy(copy.data(), diaryKey->data(), TSecretKey::kSize);
    newKey = TEntryKey::Strong(std::move(copy));
  }

  // 1. Every entry, re-keyed in memory, into the journal.
  const std::vector<std::pair<std::string, fs::path>> files = FilesToRekey(diaryDir);
  const int total = int(files.size());
  if (progress) progress(0, total);
  fs::path journal = PasswordJournalName(diaryDir);
  const bool keyedByDay = current.cipher == TCipher::Strong || cipher == TCipher::Strong;
  size_t recorded = 0;
  bool keyWritten = false;
  try {
    TSafeFileWriter writer(journal);
    TChecksum sum;
    auto put = [&](std::string_view bytes) {
      writer.Write(bytes);
      sum.Add(bytes);
    };
    std::string scrambled = cipher == TCipher::Compatible ? EncryptString(newPassword) : "";
    put(std::string(kMagic) + "cipher " + std::string(CipherName(cipher)) + "\npassword " +
        Hex(scrambled) + "\n");
    std::string records;
    for (int i = 0; i < total; ++i) {
      const auto& [name, file] = files[size_t(i)];
      Step("read", file, "read");
      const std::optional<TDate> day = DayOfFile(file);
      // Strong encryption keys each entry to its day: a file named for no day is left alone.
      if (!day && keyedByDay) continue;
      // The file is overwritten in place later: it must be writable now.
      if (::access(file.c_str(), W_OK) != 0) {
        throw Error("Cannot write file \"" + file.string() + "\". " + std::strerror(errno));
      }
      const TDate date = day.value_or(TDate{});
      std::string text;
      try {
        text = oldKey.Decode(date, ReadWholeFile(file));
      } catch (const Error& e) {
        throw Error("\"" + file.string() + "\" cannot be read with the present password, so it "
                    "cannot be re-keyed: " + e.what() + " Move it out of the diary folder (keep "
                    "it), then try again.");
      }
      std::string record = newKey.Encode(date, text);
      sodium_memzero(text.data(), text.size());
      records += "entry " + Hex(name) + " " + std::to_string(record.size()) + "\n";
      records += record;
      records += '\n';
      ++recorded;
      if (progress) progress(i + 1, total);
    }
    put("entries " + std::to_string(recorded) + "\n");
    put(records);
    writer.Write(EndLine(sum.Value()));
    if (diaryKey) {
      WriteKeyFile(keyFile, *diaryKey, newPassword);
      keyWritten = true;
    }
    writer.Commit();
  } catch (const Error& e) {
    if (keyWritten) ::unlink(keyFile.c_str());  // not in use: QX.INI never named it
    return unchanged(e.what());
  }

  // 2. From here on the journal carries the change through.
  std::optional<TJournal> j;
  try {
    j = LoadJournal(journal);
  } catch (const Error&) {
  }
  if (!j || j->entries.size() != recorded) {
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
  r.cipher = cipher;
  r.password = cipher == TCipher::Compatible ? std::string(newPassword) : std::string();
  r.key = newKey;
  r.filesRewritten = int(recorded);
  return r;
}

}  // namespace quillet
