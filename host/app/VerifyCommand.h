#pragma once

#include "ExitStatus.h"
#include "HostDrive.h"
#include "OpenDrive.h"
#include "ProgramWorkflow.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>

#include <ostream>
#include <string>

// nebpt-host --verify and --diff --behaviour: proofs about a drive's program up
// to a horizon (host/verify, docs/VERIFY.md), counterexamples written as
// scenario files that --simulate replays.
namespace verifycommand {

// What the command line asks.
struct Request
{
    bool verify = false;         // --verify
    bool behaviour = false;      // --diff ... --behaviour
    std::string properties;      // --properties: the properties file
    double horizon = 0;          // --horizon in seconds; 0: the file's, else 60
    std::string counterexamples; // --counterexamples: the folder for them
    double timeLimit = 60;       // --time-limit in seconds
    std::string image, other;    // the images or program files named
    std::string profile;         // --profile, an input the outputs must spare

    bool wanted() const { return verify || behaviour; }
};

// The options, for the command line's parser.
QList<QCommandLineOption> options();
// Reads them into `request`; what is wrong with them, or empty.
QString read(const QCommandLineParser& parser, Request& request);

// --verify on the program of `drive` (open under `name`), or --diff
// --behaviour between it and the request's other image or program file
// (`driveFirst`: the drive is A, else B). Exit status: done when everything
// holds (--diff: the programs behave alike up to the horizon), failed when a
// property fails (each named, its counterexample written) or the program
// cannot be read, found when the programs behave differently, a wrong command
// line when the properties file or an output cannot be used, undecided when
// the time limit came first.
ExitStatus run(HostDrive& drive, const DriveName& name, const Request& request, bool driveFirst,
               std::ostream& out, std::ostream& errors, NEBPT::ProgramWorkflow* workflow = nullptr);

} // namespace verifycommand
