// SPDX-License-Identifier: GPL-3.0-or-later
#include <diary/passwords.h>

#include <diary/ascii.h>
#include <diary/cipher.h>
#include <diary/paths.h>
#include <diary/settings_file.h>
#include <base/error.h>
#include <base/safe_file.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet {

bool IsValidPassword(std::string_view password) {
  if (password.size() > kMaxPasswordLength) return false;
  return std::all_of(password.begin(), password.end(), [](char c) {
    char u = AsciiUpper(c);
    return (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == ' ';
  });
}

bool IsValidPassphrase(TCipher cipher, std::string_view passphrase) {
  switch (cipher) {
    case TCipher::None:
      return passphrase.empty();
    case TCipher::Compatible:
      return !passphrase.empty() && IsValidPassword(passphrase);
    case TCipher::Strong:
      return !passphrase.empty();
  }
  return false;
}

namespace {
constexpr const char* kSecurity = "Security";
}  // namespace

TStoredProtection ReadStoredProtection(const fs::path& diaryDir) {
  const TIniFile ini(SettingsFileName(diaryDir));
  if (ini.ReadString(kSecurity, "Cipher", "") == kStrongCipherValue) return {TCipher::Strong, {}};
  std::string password = ReadStoredPassword(diaryDir);
  if (password.empty()) return {};
  return {TCipher::Compatible, std::move(password)};
}

void WriteStoredProtection(const fs::path& diaryDir, const TStoredProtection& protection) {
  TIniFile ini(SettingsFileName(diaryDir));
  auto cipher = [&] {
    const std::string value = protection.cipher == TCipher::Strong ? std::string(kStrongCipherValue) : "";
    if (ini.ReadString(kSecurity, "Cipher", "") != value) ini.WriteString(kSecurity, "Cipher", value);
  };
  auto password = [&] {
    const std::string value = protection.cipher == TCipher::Compatible ? protection.password : "";
    if (ReadStoredPassword(diaryDir) != value) WriteStoredPassword(diaryDir, value);
  };
  // While Cipher says Strong the password is not read, so: towards strong,
  // Cipher first, then the password cleared; away from it, the password
  // first, then Cipher.
  if (protection.cipher == TCipher::Strong) {
    cipher();
    password();
  } else {
    password();
    cipher();
  }
}

fs::path KeyFileName(const fs::path& diaryDir) { return diaryDir / kKeyFileName; }

TEntryKey UnlockDiary(const fs::path& diaryDir, std::string_view passphrase) {
  const TStoredProtection stored = ReadStoredProtection(diaryDir);
  switch (stored.cipher) {
    case TCipher::None:
      return {};
    case TCipher::Compatible:
      if (passphrase != stored.password) throw Error("Wrong passphrase.");
      return TEntryKey::Compatible(stored.password);
    case TCipher::Strong:
      return TEntryKey::Strong(UnlockKeyFile(KeyFileName(diaryDir), passphrase));
  }
  return {};
}

std::string ReadStoredPassword(const fs::path& diaryDir) {
  std::string stored = TIniFile(SettingsFileName(diaryDir)).ReadString("Security", "Password", "");
  return stored.empty() ? stored : Decryptstring(stored);
}

void WriteStoredPassword(const fs::path& diaryDir, std::string_view password) {
  TIniFile(SettingsFileName(diaryDir))
      .WriteString("Security", "Password", password.empty() ? "" : EncryptString(password));
}

std::vector<fs::path> ListEntryFiles(const fs::path& diaryDir) {
  std::vector<fs::path> files;
  ForEachEntryFileName(diaryDir, [&](const fs::path& entries, std::string_view name) {
    std::error_code typeError;
    fs::path file = entries / name;
    if (fs::is_regular_file(file, typeError)) files.push_back(std::move(file));
  });
  std::sort(files.begin(), files.end());
  return files;
}

int CountEntryFiles(const fs::path& diaryDir) { return int(ListEntryFiles(diaryDir).size()); }

bool CopyWholeFile(const fs::path& source, const fs::path& destination) {
  if (source == destination || SameFile(source, destination)) return false;
  int in = OpenPlainFile(source);
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{in};
  struct stat st {};
  if (::fstat(in, &st) != 0) {
    throw Error("Cannot read file \"" + source.string() + "\". " + std::strerror(errno));
  }
  TSafeFileWriter out(destination);
  char chunk[2048];
  for (off_t left = st.st_size; left > 0;) {
    ssize_t n = ::read(in, chunk, size_t(std::min<off_t>(left, off_t(sizeof chunk))));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw Error("Cannot read file \"" + source.string() + "\". " + std::strerror(errno));
    if (n == 0) break;  // the source shrank meanwhile
    out.Write(std::string_view(chunk, size_t(n)));
    left -= n;
  }
  out.Commit();
  return true;
}

}  // namespace quillet
