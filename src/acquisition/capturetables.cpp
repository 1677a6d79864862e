// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/capturetables.h"

#include "platform/paths.h"
#include "platform/vbrt.h"

namespace Capture {

namespace {
Format make(int rateKhz, int32_t rate, bool stereo)
{
    return {rate, QStringLiteral("\\Sound\\sigm-%1-16-%2.wav").arg(rateKhz).arg(stereo ? "stereo" : "mono")};
}
}  // namespace

Format LiveFormat(int sweepIndex, bool stereo, bool sample48k)
{
    if (sweepIndex <= 1)
        return make(8, 8000, stereo);
    if (sweepIndex <= 3)
        return make(16, 16000, stereo);
    if (sweepIndex <= 5)
        return make(32, 32000, stereo);
    return sample48k ? make(48, 48000, stereo) : make(44, 44100, stereo);
}

Format MemoryFormat(bool stereo, bool sample48k)
{
    return sample48k ? make(48, 48000, stereo) : make(44, 44100, stereo);
}

int32_t FirstPassMs(int sweepItemData)
{
    return vb::CLng(1000.0 / sweepItemData + 20.0);
}

int32_t PassLimitMs(float captureLengthFactor, int sweepItemData)
{
    return vb::CLng(1000.0 * double(captureLengthFactor) / sweepItemData);
}

int32_t ReadOffset(int d, bool twoBeam)
{
    if (d <= 1)
        return twoBeam ? 640 : 320;
    if (d <= 3)
        return twoBeam ? 1280 : 640;
    if (d <= 5)
        return twoBeam ? 2360 : 1280;
    return twoBeam ? 2000 : 1000;
}

QString TemplatePath(const QString &templateName)
{
    QString name = templateName;
    return Paths::ProgramFolder() + name.replace(QLatin1Char('\\'), QLatin1Char('/'));
}

}  // namespace Capture
