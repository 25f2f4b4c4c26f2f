#pragma once

#include "engine/desktop/DesktopBackend.h"

#include <QProcessEnvironment>

#include <memory>

namespace kv {

// Picks the backend for the desktop this process runs on; KESTROVALINE_DESKTOP overrides it.
std::unique_ptr<DesktopBackend> loadDesktopBackend(const QProcessEnvironment& environment);

} // namespace kv
