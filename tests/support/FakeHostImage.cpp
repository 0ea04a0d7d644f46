// FakeHost::fromImage: the fake host filled from a drive image file. Kept apart
// from FakeHost.cpp, which the fuzz targets build without Qt.

#include "support/FakeHost.h"

#include "DriveImage.h"

namespace testsupport {

FakeHost FakeHost::fromImage(const std::string& path)
{
    const DriveImage image = DriveImage::load(path);

    FakeHost host;
    host.driveName = image.driveType;
    host.aocVersion = image.aocVersion;
    host.dbVersion = image.databaseVersion;
    host.language = image.language;
    host.indexBase = image.indexBase;
    for (const DriveImage::Parameter& from : image.parameters) {
        Parameter& p = host.parameters[from.number];
        p.name = from.name;
        p.elementCount = from.elementCount;
        p.values = from.values;
        p.choices = from.choices;
        p.minimum = from.minimum;
        p.maximum = from.maximum;
        p.unit = from.unit;
        if (!from.isSelection())
            p.decimals = std::to_string(from.decimals);
    }
    return host;
}

} // namespace testsupport
