#include "WindowedRun.h"

#include <cstdio>

// A build without the widgets library watches with --headless only.
int RunWindowed(int, char *[])
{
    fputs("quorvik: built without windows; run it with --headless\n", stderr);
    return 1;
}
