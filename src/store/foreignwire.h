#pragma once
// What the program and its reader process say to each other: a request on
// the reader's input, the file's tables or verdict on its output. Numbers
// are little-endian; a text is its length (32 bits) and its bytes.

#include <cstdint>

namespace tendro::wire {

constexpr char kMagic[4] = {'T', 'N', 'D', 'R'};
constexpr std::uint32_t kVersion = 1;

enum Mode : std::uint32_t { ReadTables = 1, CheckFiles = 2 };

// Request flags.
enum : std::uint32_t {
    TableRequired = 1,      // a table the read fails without
    TableOfSubunit = 2,     // only the rows of the requested sub-unit (idos)
    CheckIntegrity = 1,     // the engine's integrity check
    CheckRows = 2,          // every row of every table read through (lengths capped)
    CheckPlain = 4,         // a file that reads only without the key is told apart
};

// Output tags.
enum : std::uint8_t {
    FileStart = 'F',
    Table = 'T',
    Row = 'R',
    TableEnd = 'Z',
    Counts = 'K',
    Failure = 'X',
    FileEnd = 'E',
    End = 'Q',
};

// Cell types.
enum : std::uint8_t { Null = 0, Integer = 1, Real = 2, Text = 3, Blob = 4 };

// Why a file was not read.
enum Refusal : std::uint32_t {
    UnknownObjects = 1,   // a view, a trigger, a virtual table, a table the program reads that is no plain table
    MissingTables = 2,    // text: the required tables it lacks, separated by blanks
    Damaged = 3,          // the integrity check failed
    TooBig = 4,           // a value or row over the length cap
    Engine = 5,           // the engine's code and text
    Plain = 6,            // no database password, readable without
};

} // namespace tendro::wire
