// SPDX-License-Identifier: GPL-3.0-or-later
#include "launch/Launcher.h"

int main(int argc, char** argv) {
    return kv::launch(argc, argv);
}
