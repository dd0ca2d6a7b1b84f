#include "KelvoMain.h"

int main(int argc, char *argv[])
{
    return runKelvo(argc, argv);
}
