// SPDX-License-Identifier: GPL-3.0-or-later
/** A directory of many new files that appears under its final name whole, or not at all. */
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quillet {

namespace fs = std::filesystem;

// Files are written into a staging directory without a flush each; Commit
// flushes them all at once and renames the directory to its final name. Until
// then nothing under the final name exists, and a staging directory destroyed
// without a successful Commit is removed with everything in it. Thousands of
// files are written this way in a fraction of the time one flush per file takes.
class TStagingDir {
 public:
  // Creates `staging`, removing one that an interrupted run left behind. Throws Error.
  explicit TStagingDir(fs::path staging);
  ~TStagingDir();
  TStagingDir(const TStagingDir&) = delete;
  TStagingDir& operator=(const TStagingDir&) = delete;

  const fs::path& Path() const { return staging_; }

  // Creates or replaces the file `name` in the staging directory. Throws Error
  // "Cannot write file ..." with the system's reason.
  void Write(const std::string& name, std::string_view bytes);

  // Flushes every file to disk and renames the directory to `target`, which
  // must not exist (or be an empty directory). Throws Error; the staging
  // directory is then still there and is removed by the destructor.
  void Commit(const fs::path& target);

 private:
  fs::path staging_;
  bool committed_ = false;
};

}  // namespace quillet
