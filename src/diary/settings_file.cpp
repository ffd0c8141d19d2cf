// SPDX-License-Identifier: GPL-3.0-or-later
#include <diary/settings_file.h>

#include <diary/ascii.h>
#include <base/messages.h>
#include <base/safe_file.h>

#include <charconv>
#include <ctime>
#include <optional>
#include <vector>

#include <sys/stat.h>

namespace quillet {
namespace {

std::string_view Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
  return s.substr(b, e - b);
}

// The file cut into lines. Each line keeps its own line end ("\r\n", "\n" or a
// lone "\r"; none on a last line without one), so lines that a write does not
// touch go back exactly as they came. New lines take the file's first line end.
struct Line {
  std::string_view text, eol;
};
struct Lines {
  std::vector<Line> lines;
  std::string_view eol = "\n";
};

Lines Split(std::string_view text) {
  Lines out;
  bool eolSeen = false;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      out.lines.push_back({text.substr(start), {}});
      break;
    }
    size_t eolLength = (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1;
    std::string_view eol = text.substr(end, eolLength);
    if (!eolSeen) out.eol = eol;
    eolSeen = true;
    out.lines.push_back({text.substr(start, end - start), eol});
    start = end + eolLength;
  }
  return out;
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

bool HasOuterBlanks(std::string_view s) { return Trim(s).size() != s.size(); }

// A section, key and value that would not read back as written are refused:
// a line break would start new lines (even new sections and keys), "=" would
// cut a key short, a leading "[" or ";" would read as a section or a comment,
// and blanks around names are dropped when reading.
std::optional<std::string> WhyNotStorable(std::string_view section, std::string_view key,
                                          std::string_view value) {
  if (HasLineBreak(section) || section.find(']') != std::string_view::npos ||
      HasOuterBlanks(section)) {
    return "\"" + std::string(section) +
           "\" cannot be a section name (it may not hold \"]\" or a line break, nor begin or "
           "end with a blank)";
  }
  if (key.empty() || HasLineBreak(key) || key.find('=') != std::string_view::npos ||
      key.front() == '[' || key.front() == ';' || HasOuterBlanks(key)) {
    return "\"" + std::string(key) +
           "\" cannot be a key (a key may not be empty, hold \"=\" or a line break, begin with "
           "\"[\" or \";\", nor begin or end with a blank)";
  }
  if (HasLineBreak(value)) {
    return "the value of \"" + std::string(key) + "\" in [" + std::string(section) +
           "] holds a line break";
  }
  return std::nullopt;
}

// A section header "[name]" gives its name.
std::optional<std::string_view> SectionName(std::string_view line) {
  std::string_view t = Trim(line);
  if (t.size() < 2 || t.front() != '[') return std::nullopt;
  size_t close = t.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(t.substr(1, close - 1));
}

// A "key=value" line gives its key and value.
bool KeyValue(std::string_view line, std::string_view& key, std::string_view& value) {
  std::string_view t = Trim(line);
  if (t.empty() || t.front() == ';') return false;
  size_t eq = t.find('=');
  if (eq == std::string_view::npos) return false;
  key = Trim(t.substr(0, eq));
  value = Trim(t.substr(eq + 1));
  return true;
}

// What tells one state of a file from another without reading it.
struct Identity {
  dev_t device;
  ino_t inode;
  off_t size;
  timespec modified, changed;

  bool operator==(const Identity& o) const {
    auto same = [](const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; };
    return device == o.device && inode == o.inode && size == o.size && same(modified, o.modified) &&
           same(changed, o.changed);
  }
};

std::optional<Identity> IdentityOf(const std::filesystem::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return Identity{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

}  // namespace

struct TIniFile::Snapshot {
  Identity identity;
  std::string text;
  bool settled;  // changed long enough before it was read to be kept
};

std::shared_ptr<const TIniFile::Snapshot> TIniFile::Text() const {
  const std::optional<Identity> now = IdentityOf(path_);
  if (!now) {
    snapshot_.reset();
    return nullptr;
  }
  if (snapshot_ && snapshot_->settled && snapshot_->identity == *now) return snapshot_;
  std::string text;
  try {
    text = ReadWholeFile(path_);
  } catch (const Error&) {
    snapshot_.reset();
    return nullptr;
  }
  // File times move in clock ticks: a file changed in the last seconds could
  // change again without its times showing it, so its text is read again.
  const std::optional<Identity> after = IdentityOf(path_);
  const bool settled = after && *after == *now && std::time(nullptr) - now->changed.tv_sec > 2;
  snapshot_ = std::make_shared<const Snapshot>(Snapshot{*now, std::move(text), settled});
  return snapshot_;
}

bool ParseIniInteger(std::string_view text, int& value) {
  text = Trim(text);
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    std::string_view digits = text.substr(2);
    uint32_t v = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v, 16);
    if (ec != std::errc() || end != digits.data() + digits.size()) return false;
    value = int(v);
    return true;
  }
  if (!text.empty() && text[0] == '+') text.remove_prefix(1);
  int v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v, 10);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return false;
  value = v;
  return true;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) const {
  const std::shared_ptr<const Snapshot> file = Text();
  if (!file) return std::string(defaultValue);
  bool inSection = false;
  for (auto [line, eol] : Split(file->text).lines) {
    if (auto name = SectionName(line)) {
      inSection = EqualNoCase(*name, section);
      continue;
    }
    std::string_view k, v;
    if (inSection && KeyValue(line, k, v) && EqualNoCase(k, key)) {
      return std::string(v.substr(0, kMaxValueLength));
    }
  }
  return std::string(defaultValue);
}

int TIniFile::ReadInteger(std::string_view section, std::string_view key, int defaultValue) const {
  int value = defaultValue;
  if (!ParseIniInteger(ReadString(section, key, ""), value)) return defaultValue;
  return value;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteString(std::string_view section, std::string_view key,
                           std::string_view value) {
  if (auto why = WhyNotStorable(section, key, value)) {
    throw Error("Unable to write to " + path_.string() + ": " + *why);
  }
  std::error_code ec;
  std::string old;
  if (std::filesystem::exists(path_, ec)) {
    // A file that is there but cannot be read must not be replaced by one
    // holding only the new key.
    try {
      old = ReadWholeFile(path_);
    } catch (const Error&) {
      throw Error("Unable to write to " + path_.string());
    }
  }
  Lines file = Split(old);
  std::string entry = std::string(key) + "=" + std::string(value);

  // Find the key's line, or the place after the section's last non-blank line.
  std::optional<size_t> replace, insertAt;
  std::string replaced;  // a replaced key keeps the spelling it had in the file
  bool inSection = false;
  for (size_t i = 0; i < file.lines.size() && !replace; ++i) {
    std::string_view line = file.lines[i].text;
    if (auto name = SectionName(line)) {
      inSection = EqualNoCase(*name, section);
      if (inSection) insertAt = i + 1;
      continue;
    }
    std::string_view k, v;
    if (!inSection) continue;
    if (KeyValue(line, k, v) && EqualNoCase(k, key)) {
      replace = i;
      replaced = std::string(k) + "=" + std::string(value);
    } else if (!Trim(line).empty()) {
      insertAt = i + 1;
    }
  }

  std::vector<Line> lines = file.lines;
  std::string header = "[" + std::string(section) + "]";
  if (replace) {
    lines[*replace].text = replaced;
  } else if (insertAt) {
    lines.insert(lines.begin() + std::ptrdiff_t(*insertAt), Line{entry, file.eol});
  } else {
    lines.push_back({header, file.eol});
    lines.push_back({entry, file.eol});
  }

  std::string out;
  for (size_t i = 0; i < lines.size(); ++i) {
    out.append(lines[i].text);
    // Only a last line may go without a line end.
    out.append(lines[i].eol.empty() && i + 1 < lines.size() ? file.eol : lines[i].eol);
  }
  snapshot_.reset();
  try {
    WriteFileSafely(path_, out);
  } catch (const Error&) {
    throw Error("Unable to write to " + path_.string());
  }
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

}  // namespace quillet
