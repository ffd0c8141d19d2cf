// SPDX-License-Identifier: GPL-3.0-or-later
/** The error that carries a text for the user ("Unable to write to ..."). */
#pragma once

#include <stdexcept>

namespace quillet {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace quillet
