// SPDX-License-Identifier: GPL-3.0-or-later
#include <diary/entry_key.h>

#include <diary/cipher.h>
#include <base/error.h>

namespace quillet {

TEntryKey TEntryKey::Compatible(std::string password) {
  TEntryKey key;
  if (!password.empty()) {
    key.cipher_ = TCipher::Compatible;
    key.password_ = std::move(password);
  }
  return key;
}

TEntryKey TEntryKey::Strong(TSecretKey diaryKey) {
  TEntryKey key;
  key.cipher_ = TCipher::Strong;
  key.diaryKey_ = std::make_shared<const TSecretKey>(std::move(diaryKey));
  return key;
}

std::string TEntryKey::Encode(TDate date, std::string_view text) const {
  switch (cipher_) {
    case TCipher::None:
      break;
    case TCipher::Compatible:
      return EncipherBytes(std::string(text), password_);
    case TCipher::Strong:
      return EncryptEntry(DayKey(date), text, *diaryKey_);
  }
  return std::string(text);
}

std::string TEntryKey::Decode(TDate date, std::string stored) const {
  // Deciphering such bytes the old way would give noise, and a pass that
  // re-keys entries would store that noise for good.
  if (cipher_ != TCipher::Strong && IsStrongEntry(stored)) {
    throw Error("The entry " + DayKey(date) +
                " is encrypted with a passphrase, but the diary is not set up for one.");
  }
  switch (cipher_) {
    case TCipher::None:
      break;
    case TCipher::Compatible:
      return DecipherBytes(std::move(stored), password_);
    case TCipher::Strong:
      return DecryptEntry(DayKey(date), stored, *diaryKey_);
  }
  return stored;
}

}  // namespace quillet
