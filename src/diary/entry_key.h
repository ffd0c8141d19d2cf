// SPDX-License-Identifier: GPL-3.0-or-later
/** The key entry files are read and written with: none, the compatible cipher's password, or the strong diary key. */
#pragma once

#include <diary/dates.h>
#include <diary/strong_cipher.h>

#include <memory>
#include <string>
#include <string_view>

namespace quillet {

// How a diary's entry files are protected.
enum class TCipher {
  None,        // stored as they are
  Compatible,  // the old cipher keyed by a short password: it hides, it does not protect
  Strong,      // XChaCha20-Poly1305 under the diary key that the passphrase unlocks
};

// What turns an entry's text into the bytes of its file and back. Cheap to
// copy: a strong key is shared, never duplicated, and wiped with its last holder.
class TEntryKey {
 public:
  TEntryKey() = default;  // no protection
  // The old cipher under `password`; no protection when it is empty.
  static TEntryKey Compatible(std::string password);
  static TEntryKey Strong(TSecretKey diaryKey);

  TCipher Cipher() const { return cipher_; }
  bool IsStrong() const { return cipher_ == TCipher::Strong; }
  // The old cipher's password; empty for the other kinds.
  const std::string& Password() const { return password_; }
  // The strong diary key; only for a strong key.
  const TSecretKey& DiaryKey() const { return *diaryKey_; }

  // The bytes a file of the day holds for `text`.
  std::string Encode(TDate date, std::string_view text) const;
  // The text of a file of the day. Throws Error, naming the day, when a
  // strong key meets bytes that do not authenticate (damaged, cut short, of
  // another day or another diary), or another key meets a strongly encrypted
  // entry.
  std::string Decode(TDate date, std::string stored) const;

 private:
  TCipher cipher_ = TCipher::None;
  std::string password_;
  std::shared_ptr<const TSecretKey> diaryKey_;
};

}  // namespace quillet
