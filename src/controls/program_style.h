// SPDX-License-Identifier: GPL-3.0-or-later
/** The program's style: the desktop's own, with a few standard pictures painted. */
#pragma once

#include <QProxyStyle>

namespace quillet {

// The desktop's style with the toolbar and menu bar overflow arrows painted
// by the program. Qt keeps those pictures as image files, and reading the
// first of them makes Qt load every image-format plugin it has (a dozen
// libraries) while the main window is still being built; painted, they cost
// nothing until shown, and stay crisp at any density.
class TProgramStyle : public QProxyStyle {
 public:
  QIcon standardIcon(StandardPixmap which, const QStyleOption* option = nullptr,
                     const QWidget* widget = nullptr) const override;
};

}  // namespace quillet
