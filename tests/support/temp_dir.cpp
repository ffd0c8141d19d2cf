// SPDX-License-Identifier: GPL-3.0-or-later
#include "temp_dir.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <sys/stat.h>

namespace quillet::testing {

TempDir::TempDir() {
  std::string templ = (std::filesystem::temp_directory_path() / "quillet-test-XXXXXX").string();
  if (!::mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
  path_ = templ;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::filesystem::path TempDir::Write(std::string_view name, std::string_view bytes) const {
  std::filesystem::path p = path_ / name;
  std::filesystem::create_directories(p.parent_path());
  {
    std::ofstream out(p, std::ios::binary);
    out.write(bytes.data(), std::streamsize(bytes.size()));
  }
  // Private, as the program keeps a diary's own files and folders.
  ::chmod(p.c_str(), 0600);
  for (auto dir = p.parent_path(); dir != path_ && dir.has_relative_path(); dir = dir.parent_path()) {
    ::chmod(dir.c_str(), 0700);
  }
  return p;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

unsigned ModeOf(const std::filesystem::path& path) {
  struct stat st {};
  ::lstat(path.c_str(), &st);
  return st.st_mode & 07777;
}

}  // namespace quillet::testing
