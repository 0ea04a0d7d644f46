#pragma once

// One entry of a language's string table.
struct ResourceString
{
    unsigned id;
    const char* text;
};

// Defined by each language (its Strings.cpp), sorted by id.
extern const ResourceString kResourceStrings[];
extern const unsigned kResourceStringCount;
