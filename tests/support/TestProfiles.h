#pragma once

#include <QByteArray>
#include <QImage>

// Colour profiles for tests: the free ones that Debian ships (package colord-data), and small ones built
// here with Little CMS where no free file exists.
namespace profiles {

// A profile from /usr/share/color/icc/colord, such as "AdobeRGB1998.icc"; empty when missing.
QByteArray packaged(const char* name);

// A CMYK printer profile whose corners are known: no ink is paper white (L* 100), magenta and yellow at
// full strength are the red that sRGB writes (237, 38, 44), full black is black, every other corner is a
// mid grey (L* 50); between corners it interpolates.
QByteArray cmykWithKnownRed();

// An RGB profile whose matrix holds enormous numbers of both signs.
QByteArray absurdPrimaries();

// A grey profile with a pure power curve.
QByteArray grey(double gamma);

// The sRGB colours of CMYK pixels (bytes C, M, Y, K in memory, 0 meaning no ink) as Little CMS's
// unoptimised transform gives them, the one its transicc tool uses, rounded: RGB32.
QImage srgbOfInks(const QImage& inks, const QByteArray& cmykProfile);

} // namespace profiles
