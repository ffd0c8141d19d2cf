// SPDX-License-Identifier: GPL-3.0-or-later
/** An entry under its date: the heading paragraph that merged printing and exports put above it. */
#pragma once

#include <diary/dates.h>
#include <richtext/io.h>

namespace quillet {

// Fills `sheet` with `entry` (its fonts and colours too) under a first
// paragraph holding the day's long date, bold, italic and underlined.
void PutUnderDateHeading(richtext::TRTFTextIo& sheet, richtext::TRTFTextIo& entry, TDate day);

}  // namespace quillet
