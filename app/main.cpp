#include "app/setup.h"

int main(int argc, char **argv)
{
    return setup::run(argc, argv);
}
