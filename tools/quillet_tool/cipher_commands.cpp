// encipher and decipher: the entry cipher on whole files, byte for byte.
#include "tool.h"

#include <diary/cipher.h>
#include <diary/passwords.h>
#include <base/safe_file.h>

namespace quillet::tool {
namespace {

int Run(TArgs& args, bool decipher) {
  std::optional<std::string> password = args.TakeOption("--password");
  std::vector<std::string> files = args.Operands(2);
  if (!password) password = ReadStoredPassword(args.DiaryDir());
  if (password->empty()) throw UsageError("no password: give --password P or set one in QX.INI");
  std::string bytes = ReadWholeFile(files[0]);
  bytes = decipher ? DecipherBytes(std::move(bytes), *password)
                   : EncipherBytes(std::move(bytes), *password);
  WriteFileSafely(files[1], bytes, TFileAccess::kShared);
  return 0;
}

int Encipher(TArgs& args) { return Run(args, false); }
int Decipher(TArgs& args) { return Run(args, true); }

}  // namespace

void AddCipherCommands(std::vector<TCommand>& commands) {
  commands.push_back({"encipher", "--password P IN OUT",
                      "enciphers a file as entry files are (default: the diary's password)",
                      Encipher});
  commands.push_back({"decipher", "--password P IN OUT",
                      "deciphers an entry file into plain RTF (default: the diary's password)",
                      Decipher});
}

}  // namespace quillet::tool
