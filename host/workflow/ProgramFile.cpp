#include "ProgramFile.h"

#include "DriveImage.h"
#include "HostText.h"

#include <cstdlib>

namespace {

struct Text
{
    Q_DECLARE_TR_FUNCTIONS(ProgramFile)
};

} // namespace

namespace programfile {

NEBPT::ProgramWorkflow workflow()
{
    return NEBPT::ProgramWorkflow([](IExtParamInterface& drive) {
        const auto* host = dynamic_cast<const HostDrive*>(&drive);
        return host ? host->location() : hosttext::fill(Text::tr("the drive"));
    });
}

QByteArray fileOf(const NEBPT::ProgramData& program)
{
    DriveImage image;
    image.driveType = program.driveType;
    image.aocVersion = program.aocVersion;
    image.databaseVersion = program.databaseVersion;
    image.indexBase = program.indexBase;
    image.language = program.language;
    for (const NEBPT::ProgramParameter& from : program.parameters) {
        DriveImage::Parameter parameter;
        parameter.number = std::stoul(from.number);
        parameter.name = from.name;
        parameter.elementCount = from.elementCount;
        parameter.choices = from.choices;
        // A choice list has no limits, unit or decimals.
        if (from.choices.empty()) {
            parameter.minimum = from.minimum;
            parameter.maximum = from.maximum;
            parameter.unit = from.unit;
            parameter.decimals = std::atoi(from.decimals.c_str());
        }
        parameter.values = from.values;
        image.parameters.push_back(std::move(parameter));
    }
    return image.toJson();
}

NEBPT::ValueFit fitOf(IExtParamInterface& drive)
{
    auto* host = dynamic_cast<HostDrive*>(&drive);
    if (!host)
        return {};
    return [host](unsigned long number, const std::string& text, std::string& stored,
                  std::string& reason) { return host->accepts(number, text, stored, reason); };
}

} // namespace programfile
