#include "VerifyCommand.h"

#include "HostCommands.h"
#include "ProgramFile.h"
#include "Scenario.h"
#include "SimulatedDrive.h"
#include "Trace.h"
#include "Verifier.h"

#include "framework/AtomicFile.h"

#include <QDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <set>
#include <sstream>

namespace verifycommand {

namespace {

constexpr double kLongestSeconds = 24.0 * 3600;
constexpr double kDefaultHorizon = 60;

const QString kVerify = QStringLiteral("verify");
const QString kProperties = QStringLiteral("properties");
const QString kHorizon = QStringLiteral("horizon");
const QString kCounterexamples = QStringLiteral("counterexamples");
const QString kTimeLimit = QStringLiteral("time-limit");
const QString kBehaviour = QStringLiteral("behaviour");

std::string local(const QString& path)
{
    return path.toLocal8Bit().toStdString();
}

// A number of seconds after 0 and at most a day; false when it is none.
bool secondsIn(const QString& text, double& seconds)
{
    bool number = false;
    seconds = text.toDouble(&number);
    return number && std::isfinite(seconds) && seconds > 0 && seconds <= kLongestSeconds;
}

// The file a counterexample is written to: its name with what a file name
// cannot hold (or should not: a slash, a leading dot, control characters)
// replaced; a name already taken gets a number.
std::string fileFor(const std::string& name, std::set<std::string>& taken)
{
    std::string file;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        file += (c == '/' || byte < 0x20 || byte == 0x7F || (file.empty() && c == '.')) ? '_' : c;
    }
    if (file.empty())
        file = "_";
    std::string unique = file;
    for (int n = 2; !taken.insert(unique).second; ++n)
        unique = file + " (" + std::to_string(n) + ")";
    return unique + ".json";
}

// The counterexample `scenario` as --simulate runs it on `program`: the
// number of expectations that fail, or -1 with `why` when it cannot be run.
int failuresOf(const std::string& scenario, const NEBPT::ProgramData& program, std::string& why)
{
    try {
        const scenario::Scenario planned = scenario::parse(scenario, "counterexample");
        NEBPT::ProgramRuntime runtime(program);
        scenario::check(planned, runtime);
        std::ostringstream trace;
        return static_cast<int>(scenario::run(planned, runtime, trace).size());
    } catch (const std::exception& error) {
        why = error.what();
        return -1;
    }
}

// Writes the counterexamples, each whole, into the request's folder (made
// when missing); false after one line naming the file that cannot be written.
class Writer
{
public:
    Writer(const Request& request, std::ostream& errors) : m_request(request), m_errors(errors) {}

    bool wanted() const { return !m_request.counterexamples.empty(); }

    // The folder; false (told) when it cannot be made.
    bool ready()
    {
        if (!wanted())
            return true;
        const QString folder = QString::fromLocal8Bit(m_request.counterexamples.c_str());
        if (!QDir().mkpath(folder)) {
            m_errors << hostcommands::oneLine(m_request.counterexamples +
                                              ": the folder for the counterexamples cannot be "
                                              "made")
                     << "\n";
            return false;
        }
        return true;
    }

    // The path written, or empty (told) when it could not be.
    std::string write(const std::string& name, const std::string& scenario)
    {
        const std::string path = m_request.counterexamples + "/" + fileFor(name, m_taken);
        const std::vector<std::pair<std::string, std::string>> inputs{
            {"drive image", m_request.image},
            {"drive image", m_request.other},
            {"profile", m_request.profile},
            {"properties file", m_request.properties}};
        std::string error = fw::outputConflict(path, inputs);
        if (error.empty() && fw::writeFileAtomically(path, scenario, error))
            return path;
        m_errors << hostcommands::oneLine(error) << "; counterexample not written\n";
        m_failed = true;
        return {};
    }

    bool failed() const { return m_failed; }

private:
    const Request& m_request;
    std::ostream& m_errors;
    std::set<std::string> m_taken;
    bool m_failed = false;
};

void printInputs(const std::vector<std::string>& inputs, std::ostream& out)
{
    out << "  inputs:" << (inputs.empty() ? " none set\n" : "\n");
    for (const std::string& line : inputs)
        out << "  " << hostcommands::oneLine(line) << "\n";
}

ExitStatus verifyProgram(const NEBPT::ProgramData& data, const Request& request, std::ostream& out,
                         std::ostream& errors)
{
    verify::Program program(data);
    verify::PropertyFile file;
    if (!request.properties.empty()) {
        try {
            file = verify::loadProperties(request.properties, program);
        } catch (const verify::PropertyError& error) {
            errors << hostcommands::oneLine(error.what()) << "\n";
            return kUsage;
        }
    }
    Writer writer(request, errors);
    if (!writer.ready())
        return kFailed;
    verify::Options options;
    const double horizon = request.horizon > 0 ? request.horizon
                           : file.horizon > 0  ? file.horizon
                                               : kDefaultHorizon;
    options.horizonMs = std::llround(horizon * 1000);
    options.timeLimit = std::chrono::milliseconds(std::llround(request.timeLimit * 1000));
    const bool builtIn = file.properties.empty();
    const std::vector<verify::Outcome> outcomes =
        builtIn ? verify::checkProgram(program, options)
                : verify::checkProperties(program, file.properties, options);
    int failed = 0, undecided = 0, held = 0;
    bool internal = false;
    for (const verify::Outcome& o : outcomes) {
        using Status = verify::Outcome::Status;
        if (o.status == Status::Internal) {
            errors << hostcommands::oneLine(o.text) << "\n";
            internal = true;
            continue;
        }
        if (o.status == Status::Fails && builtIn)
            out << hostcommands::oneLine(o.text) << "\n";
        else
            out << hostcommands::oneLine(o.name + ": " + o.text) << "\n";
        if (o.status == Status::Holds)
            ++held;
        if (o.status == Status::Undecided)
            ++undecided;
        if (o.status != Status::Fails)
            continue;
        ++failed;
        // What --simulate makes of the counterexample: it must fail there too.
        std::string why;
        if (failuresOf(o.scenario, data, why) <= 0) {
            errors << hostcommands::oneLine("internal error: the counterexample for \"" + o.name +
                                            "\" does not fail when simulated" +
                                            (why.empty() ? "" : ": " + why))
                   << "\n";
            internal = true;
            continue;
        }
        if (!writer.wanted()) {
            printInputs(o.inputs, out);
        } else if (const std::string path = writer.write(o.file, o.scenario); !path.empty()) {
            out << "  counterexample: " << hostcommands::oneLine(path) << "\n";
        }
    }
    const char* what = builtIn ? " checks hold" : " properties hold";
    out << held << " of " << outcomes.size()
        << (outcomes.size() == 1 && builtIn ? " check holds"
            : outcomes.size() == 1          ? " property holds"
                                            : what)
        << "\n";
    if (failed > 0 || internal || writer.failed())
        return kFailed;
    return undecided > 0 ? kUndecided : kDone;
}

ExitStatus diffBehaviour(const NEBPT::ProgramData& a, const NEBPT::ProgramData& b,
                         const std::string& labelA, const std::string& labelB,
                         const Request& request, std::ostream& out, std::ostream& errors)
{
    // A program the runtime cannot run, named by its side.
    const auto build = [](const NEBPT::ProgramData& data, const std::string& label) {
        try {
            return std::make_unique<verify::Program>(data);
        } catch (const NEBPT::ProgramError& error) {
            throw std::runtime_error(label + ": " + error.what());
        }
    };
    const std::unique_ptr<verify::Program> one = build(a, labelA), two = build(b, labelB);
    verify::Program& first = *one;
    verify::Program& second = *two;
    Writer writer(request, errors);
    if (!writer.ready())
        return kFailed;
    verify::Options options;
    options.horizonMs =
        std::llround((request.horizon > 0 ? request.horizon : kDefaultHorizon) * 1000);
    options.timeLimit = std::chrono::milliseconds(std::llround(request.timeLimit * 1000));
    out << hostcommands::oneLine("A: " + labelA) << "\n"
        << hostcommands::oneLine("B: " + labelB) << "\n";
    const verify::Divergence d = verify::behaviourDiff(first, second, options);
    if (d.status == verify::Divergence::Status::Same) {
        out << "The programs behave the same up to " << verify::seconds(options.horizonMs) << "\n";
        return kDone;
    }
    if (d.status == verify::Divergence::Status::Undecided) {
        out << "Undecided within the time limit\n";
        return kUndecided;
    }
    if (d.status == verify::Divergence::Status::Internal) {
        errors << hostcommands::oneLine(d.text) << "\n";
        return kFailed;
    }
    out << hostcommands::oneLine(d.text) << "\n";
    // The scenario expects what A does: --simulate passes it on A and fails it on B.
    std::string why;
    if (failuresOf(d.scenario, a, why) != 0 || failuresOf(d.scenario, b, why) <= 0) {
        errors << hostcommands::oneLine("internal error: the scenario of the divergence does not "
                                        "tell A from B when simulated" +
                                        (why.empty() ? "" : ": " + why))
               << "\n";
        return kFailed;
    }
    if (!writer.wanted()) {
        printInputs(d.inputs, out);
    } else if (const std::string path = writer.write("divergence", d.scenario); !path.empty()) {
        out << "  counterexample: " << hostcommands::oneLine(path) << "\n";
    } else {
        return kFailed;
    }
    return kFound;
}

} // namespace

QList<QCommandLineOption> options()
{
    return {
        QCommandLineOption(kVerify,
                           QStringLiteral("Prove the drive's program up to a horizon: the built-in "
                                          "checks, or the properties of --properties; each that "
                                          "fails with a counterexample (exit status 0: all hold, "
                                          "1: one fails, 5: undecided within --time-limit).")),
        QCommandLineOption(kProperties,
                           QStringLiteral("With --verify: the properties (JSON) to prove."),
                           QStringLiteral("properties.json")),
        QCommandLineOption(kHorizon,
                           QStringLiteral("With --verify or --diff --behaviour: how far to look, "
                                          "in seconds of the controller's time (default: the "
                                          "properties file's, else 60)."),
                           QStringLiteral("seconds")),
        QCommandLineOption(kCounterexamples,
                           QStringLiteral("With --verify or --diff --behaviour: the folder to "
                                          "write the counterexamples into, as scenarios for "
                                          "--simulate."),
                           QStringLiteral("folder")),
        QCommandLineOption(
            kTimeLimit,
            QStringLiteral("With --verify or --diff --behaviour: how long the proofs "
                           "may take in all, in seconds (default: 60)."),
            QStringLiteral("seconds")),
        QCommandLineOption(kBehaviour,
                           QStringLiteral("With --diff: compare how the two programs behave, on "
                                          "every input sequence up to the horizon (exit status "
                                          "0: alike, 4: the first divergence found, 5: "
                                          "undecided).")),
    };
}

QString read(const QCommandLineParser& parser, Request& request)
{
    request.verify = parser.isSet(kVerify);
    request.behaviour = parser.isSet(kBehaviour);
    const bool diff = parser.isSet(QStringLiteral("diff"));
    if (request.behaviour && !diff)
        return QStringLiteral("--behaviour goes with --diff");
    if (parser.isSet(kProperties) && !request.verify)
        return QStringLiteral("--properties goes with --verify");
    if (!request.wanted()) {
        for (const QString& option : {kHorizon, kCounterexamples, kTimeLimit}) {
            if (parser.isSet(option))
                return QStringLiteral("--%1 goes with --verify or --diff --behaviour").arg(option);
        }
        return {};
    }
    for (const char* other :
         {"print", "screenshot", "export", "import", "diff", "check", "simulate", "pdf"}) {
        if (request.verify && parser.isSet(QLatin1String(other)))
            return QStringLiteral("--verify and --%1 do not go together").arg(QLatin1String(other));
    }
    const QStringList images = parser.positionalArguments();
    const bool linked = parser.isSet(QStringLiteral("connect"));
    if (request.verify && images.isEmpty() && !linked)
        return QStringLiteral("no drive image");
    if (parser.isSet(kHorizon) && !secondsIn(parser.value(kHorizon), request.horizon))
        return QStringLiteral("--horizon needs a number of seconds after 0, at most 86400");
    if (parser.isSet(kTimeLimit) && !secondsIn(parser.value(kTimeLimit), request.timeLimit))
        return QStringLiteral("--time-limit needs a number of seconds after 0, at most 86400");
    request.properties = local(parser.value(kProperties));
    request.counterexamples = local(parser.value(kCounterexamples));
    request.image = images.isEmpty() ? std::string() : local(images.front());
    request.other = images.size() > 1 ? local(images.at(1)) : std::string();
    request.profile = local(parser.value(QStringLiteral("profile")));
    return {};
}

ExitStatus run(HostDrive& drive, const DriveName& name, const Request& request, bool driveFirst,
               std::ostream& out, std::ostream& errors, NEBPT::ProgramWorkflow* workflow)
{
    std::string failure;
    try {
        NEBPT::ProgramWorkflow own = programfile::workflow();
        NEBPT::ProgramWorkflow& flow = workflow ? *workflow : own;
        const NEBPT::ProgramData program = flow.exportProgram(drive);
        if (!drive.readFailure().empty())
            throw std::runtime_error(drive.readFailure()); // names the parameter and the address
        if (!request.behaviour)
            return verifyProgram(program, request, out, errors);
        // Over a link, the one image given is the other program; else the second.
        const std::string otherPath = name.linked() ? request.image : request.other;
        SimulatedDrive other(otherPath, SimulatedDrive::Access::Read);
        const NEBPT::ProgramData second = programfile::workflow().exportProgram(other);
        if (!other.readFailure().empty())
            throw std::runtime_error(other.readFailure());
        return driveFirst ? diffBehaviour(program, second, drive.location(), other.location(),
                                          request, out, errors)
                          : diffBehaviour(second, program, other.location(), drive.location(),
                                          request, out, errors);
    } catch (const DriveImageError& error) {
        failure = error.what(); // names the image or the profile
    } catch (const NEBPT::ProgramError& error) {
        failure = name.text() + ": " + error.what();
    } catch (const std::exception& error) {
        failure = name.linked() ? error.what() : name.image + ": " + error.what();
    }
    errors << hostcommands::oneLine(failure) << "\n";
    return kFailed;
}

} // namespace verifycommand
