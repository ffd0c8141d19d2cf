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
  ForEachEntryItem(diaryDir, [&](const fs::directory_entry& item) {
    std::error_code typeError;
    if (item.is_regular_file(typeError)) files.push_back(item.path());
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
