// Grafion: reads the command line, creates the application and its windows and runs the
// message loop.

#include "Startup.h"

int main(int argc, char** argv)
{
    return grafion_main(argc, argv);
}
