// SPDX-License-Identifier: GPL-3.0-or-later
/** The start-up offer to convert an old single-table diary into entry files. */
#pragma once

#include <string>

namespace quillet {

class TMainScreen;

// The question asked before converting; each "\r" breaks the line.
extern const char* const kLegacyConversionOffer;

// Asks whether to convert the old table QUILLET.DBF of the window's diary
// and, on Yes, converts it under the status window, enciphering the entries
// with the stored password. Records that were left out or joined are then
// listed. False when the user declined or the conversion failed (its reason
// shown; nothing is left of it, so the offer returns at the next start).
bool OfferLegacyConversion(TMainScreen& window);

}  // namespace quillet
