#include "app/Launcher.h"

int main(int argc, char** argv) {
    return kv::launch(argc, argv);
}
