// SPDX-License-Identifier: GPL-3.0-or-later
/** The settings file: strings, integers and booleans by section and key, in the INI text layout. */
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace quillet {

// One INI file on disk. Every read sees the file as it is: the object keeps
// the text it last read, and reads the file again when it is no longer the
// same file (device and inode), size or time of change, or when it had
// changed too shortly before it was read for its time to tell a later change
// apart. Every write reads the file, changes one line and writes it back
// through a temporary file that replaces the old one.
//
// Layout: "[Section]" opens a section; "key=value" lines follow. Sections and
// keys match without regard to ASCII letter case; blanks around names and
// values are ignored; lines starting with ';' are comments. Values are kept
// as bytes, exactly as written. Line ends may be "\r\n", "\n" or "\r"; a write
// keeps every line end it does not need to change.
//
//   [Default Font]
//   Name=Arial
//   Size=0x0C      ReadInteger gives 12
class TIniFile {
 public:
  explicit TIniFile(std::filesystem::path path) : path_(std::move(path)) {}
  const std::filesystem::path& FileName() const { return path_; }

  // The value, cut to 1023 bytes; the default when the file, section or key is missing.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const;
  // Decimal with an optional "-", or hexadecimal after "0x"/"0X"; anything
  // that is not such a number, or does not fit 32 bits, gives the default.
  int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;
  // The integer rule; any non-zero value is true.
  bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;

  // A write that the file system refuses throws Error "Unable to write to <path>"
  // and leaves the old file as it was. So does a write of something that
  // would not read back as written, with the reason after the path: a line
  // break anywhere, a key holding "=" or beginning with "[" or ";", a section
  // name holding "]", names that are empty or begin or end with a blank.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

  static constexpr size_t kMaxValueLength = 1023;

 private:
  struct Snapshot;
  // The file's text, kept from the last read while the file is still the one
  // it was read from; nothing when there is no file or it cannot be read.
  std::shared_ptr<const Snapshot> Text() const;

  std::filesystem::path path_;
  mutable std::shared_ptr<const Snapshot> snapshot_;
};

// Reads an integer by the settings-file rule; nothing when the text is not one.
bool ParseIniInteger(std::string_view text, int& value);

}  // namespace quillet
