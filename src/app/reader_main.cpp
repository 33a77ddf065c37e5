// tendro-reader: started by the program for every file from outside (an
// import, a copy to restore, a working file at start), so that a file built
// to bring the database engine down brings down this process alone.

#include "store/foreignreader.h"

#include <csignal>
#include <cstdio>

int main()
{
    // A parent that stopped listening ends the reading, not with a signal report.
    std::signal(SIGPIPE, SIG_DFL);
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    return tendro::serveForeignRead(stdin, stdout);
}
