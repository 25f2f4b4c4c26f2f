// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Launcher.h"

int main(int argc, char** argv) {
    return kv::launch(argc, argv);
}
