// SPDX-License-Identifier: GPL-3.0-or-later
#include <richtext/objects.h>

namespace richtext {

void TCharacterAttr::SetColor(uint32_t& field, bool& use, uint32_t value) {
  bool changed = field != value || !use;
  field = value;
  use = true;
  if (changed) Notify(false);
}

void TCharacterAttr::SetUseUnderlineColor(bool v) {
  if (useUnderlineColor_ == v) return;
  useUnderlineColor_ = v;
  if (underline_ == tsTRUE) Notify(false);
}

}  // namespace richtext
