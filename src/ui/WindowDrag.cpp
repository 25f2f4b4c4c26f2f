#include "ui/WindowDrag.h"

#include <QWidget>
#include <QWindow>

namespace kv {

bool StartWindowDrag(QWidget* widget) {
    if (!widget)
        return false;
    QWindow* handle = widget->window()->windowHandle();
    return handle && handle->startSystemMove();
}

} // namespace kv
