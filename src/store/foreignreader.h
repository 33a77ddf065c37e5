#pragma once
// The reader process: it opens a file from outside on a fenced connection and
// writes its tables (or its verdict) as plain values for the program to check.
// Whatever the file does to the engine happens here, in a process of its own.

#include <cstdio>

namespace tendro {

// One request read from `in`, the answer written to `out`; the exit code.
int serveForeignRead(std::FILE *in, std::FILE *out);

} // namespace tendro
