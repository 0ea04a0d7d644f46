#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace verify {

class Program;

// A properties file that cannot be used; what() names the file and the entry
// ("p.json: properties[1]: no input \"Motor sped\" in the program's choice lists").
class PropertyError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// A condition on a named input in a scan: true (not 0), false (0), equal to a
// number, below or above one.
struct Condition
{
    enum class Test
    {
        True,
        False,
        Equal,
        Below,
        Above
    };
    std::string input;
    Test test = Test::True;
    double value = 0;

    bool holds(double x) const;
    // "Digital input 19 is false", "Motor speed is below 300".
    std::string text() const;
};

// What the controller is expected to do: run or not, have a step active, or
// perform an action (as scenarios expect them).
struct Expectation
{
    enum class Kind
    {
        Running,
        Step,
        Action
    };
    Kind kind = Kind::Running;
    bool running = false;
    int step = 0;
    std::string action;

    std::string text() const; // "not running", "step 2 active", "\"Start\" performed"
};

// One property of a program, as a properties file states it:
//   never:     `action` is performed in no scan in which `when` holds;
//   reachable: some input sequence makes `step` active within the horizon;
//   respond:   whenever `when` begins to hold and keeps holding for
//              `withinMs`, `expect` is met in some scan of that time.
struct Property
{
    enum class Kind
    {
        Never,
        Reachable,
        Respond
    };
    std::string name;
    Kind kind = Kind::Never;
    std::string action; // Never
    Condition when;     // Never (optional: `hasWhen`), Respond
    bool hasWhen = false;
    int step = 0;           // Reachable
    long long withinMs = 0; // Respond
    Expectation expect;     // Respond
};

struct PropertyFile
{
    double horizon = 0; // seconds; 0 when the file gives none
    std::vector<Property> properties;
};

// Reads a properties file's JSON text; `name` names it in messages. Refuses
// (PropertyError, naming the entry) text that is no JSON object, a key missing,
// unknown or of the wrong type, a property of no kind or of two, a name given
// twice, and an input, action or step that `program` lacks.
PropertyFile parseProperties(const std::string& text, const std::string& name,
                             const Program& program);
// Reads the file (a regular file of at most 1 MiB).
PropertyFile loadProperties(const std::string& path, const Program& program);

} // namespace verify
