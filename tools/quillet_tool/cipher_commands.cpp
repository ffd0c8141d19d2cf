// SPDX-License-Identifier: GPL-3.0-or-later
// encipher and decipher: the entry cipher on whole files, byte for byte.
#include "tool.h"

#include <diary/cipher.h>
#include <diary/passwords.h>
#include <base/safe_file.h>

namespace quillet::tool {
namespace {

int Run(TArgs& args, bool decipher) {
  RefusePassphraseOptions(args,
                          "The password is the diary's old-cipher password, else asked on the "
                          "terminal or read from standard input.");
  std::vector<std::string> files = args.Operands(2);
  const TStoredProtection stored = ReadStoredProtection(args.DiaryDir());
  std::string password = stored.cipher == TCipher::Compatible ? stored.password
                                                              : ReadPassphrase("Password");
  if (password.empty()) throw Failure("no password: the old cipher needs one");
  std::string bytes = ReadWholeFile(files[0]);
  bytes = decipher ? DecipherBytes(std::move(bytes), password)
                   : EncipherBytes(std::move(bytes), password);
  WriteFileSafely(files[1], bytes, TFileAccess::kShared);
  return 0;
}

int Encipher(TArgs& args) { return Run(args, false); }
int Decipher(TArgs& args) { return Run(args, true); }

}  // namespace

void AddCipherCommands(std::vector<TCommand>& commands) {
  commands.push_back({"encipher", "IN OUT",
                      "enciphers a file with the old cipher (the diary's old-cipher password, "
                      "else asked)",
                      Encipher});
  commands.push_back({"decipher", "IN OUT",
                      "deciphers an old-cipher entry file into plain RTF (password as for "
                      "encipher)",
                      Decipher});
}

}  // namespace quillet::tool
