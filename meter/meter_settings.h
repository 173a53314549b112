#pragma once
// Writing and reading a meter's nine stored properties through QSettings,
// the host's property bag.

#include <QStringList>

class QSettings;

namespace Pointel {
class Meter;

namespace settings {

// "TextColor", "ScaleThick", "ScaleColor", "ArmThick", "ArmColor", "Color",
// "MajText", "Marg", "Value": the order of writing and of reading.
QStringList propertyOrder();

// Writes the properties into the current group of bag.
void write(const Meter &meter, QSettings &bag);

// Reads the properties from the current group of bag through the meter's
// setters. Missing keys give the defaults; unusable values leave the
// property untouched and make the result false.
bool read(Meter &meter, const QSettings &bag);

}  // namespace settings
}  // namespace Pointel
