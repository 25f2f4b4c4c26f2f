#include "engine/desktop/DesktopLoader.h"

#include "engine/desktop/NullDesktop.h"

namespace kv {

std::unique_ptr<DesktopBackend> loadDesktopBackend(const QProcessEnvironment&) {
    return std::make_unique<NullDesktop>();
}

} // namespace kv
