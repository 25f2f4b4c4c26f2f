// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

namespace kv {

// Gives every control under `window` that a screen reader would announce without a name the
// text of its tooltip as its name. Qt names buttons and labelled fields by their text, but reads
// a list or a field without a label as nothing at all.
void NameControlsByToolTip(QWidget* window);

} // namespace kv
