// SPDX-License-Identifier: GPL-3.0-or-later
/** A fresh directory for one test, removed with everything in it afterwards. */
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quillet::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

  // Writes a file below the directory and gives its path. The file and the
  // folders made for it are readable by their owner alone.
  std::filesystem::path Write(std::string_view name, std::string_view bytes) const;

 private:
  std::filesystem::path path_;
};

std::string ReadFile(const std::filesystem::path& path);

// The permission bits of a file or folder (a link itself, not what it names).
unsigned ModeOf(const std::filesystem::path& path);

}  // namespace quillet::testing
