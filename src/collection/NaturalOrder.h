// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

namespace kv {

// Natural order, as file managers sort names: "img2" before "img10", case folded.
void SortNaturally(QStringList& names);

} // namespace kv
