# SPDX-License-Identifier: GPL-3.0-or-later
# Every target of ours gets the same warnings; CI turns them into errors.
add_library(kv_warnings INTERFACE)
target_compile_options(kv_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow=local
    -Wnon-virtual-dtor -Woverloaded-virtual -Wimplicit-fallthrough)
if(KV_WERROR)
    target_compile_options(kv_warnings INTERFACE -Werror)
endif()
target_compile_definitions(kv_warnings INTERFACE QT_NO_KEYWORDS
    QT_DISABLE_DEPRECATED_BEFORE=0x060400 KV_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
    KV_VERSION_MINOR=${PROJECT_VERSION_MINOR})

if(KV_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()
