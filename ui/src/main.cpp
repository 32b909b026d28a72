#include "start_program.h"

int main(int argc, char** argv)
{
    return corvane::startProgram(argc, argv);
}
