#pragma once

// How nebpt-host and nebpt-drive-sim end: one table for every command, told in
// their --help.
enum ExitStatus : int
{
    kDone = 0,          // done; --diff: the programs are equal; --check: nothing found
    kFailed = 1,        // failed; one line on stderr says why
    kUsage = 2,         // a wrong command line: what is wrong and the usage on stderr
    kPartlyWritten = 3, // the drive holds (or may hold) a partly written program
    kFound = 4,         // --diff: the programs differ; --check: something found
    kUndecided = 5,     // --verify, --diff --behaviour: not decided within the time limit
};

// The table as --help tells it.
inline constexpr const char* kExitStatusHelp =
    "Exit status: 0 done, 1 failed, 2 wrong command line, 3 the drive holds (or may hold) a "
    "partly written program (the same --import again finishes it, unless the drive refuses one "
    "of its values), 4 found: the programs "
    "differ (--diff; with --behaviour: they behave differently) or something is probably wrong "
    "(--check), 5 undecided: a proof of --verify or --diff --behaviour not finished within "
    "--time-limit.";
