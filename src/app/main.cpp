#include "app/CardoloMain.h"

int main(int argc, char* argv[]) {
    return RunCardolo(argc, argv);
}
