// Artifacts planted in the demo session after it is made, so that "orva artifacts demo.ses
// --peak-to-peak 100 --flat 0.5" has something to find.
#include "data/DemoArtifacts.h"

#include <algorithm>
#include <cmath>

namespace orva {

namespace {

constexpr std::int16_t kRail = 24000;

// Raw sample of channel h for a value in microvolts, as the acquisition board stores it.
std::int16_t Raw(const TORVAFile& f, int h, double uv)
{
    const auto& dd = f.DataDescription;
    const double raw = dd.Zeros[static_cast<std::size_t>(h)] + uv * dd.Gains[static_cast<std::size_t>(h)] / 400.0;
    return static_cast<std::int16_t>(std::lround(std::clamp(raw, -32768.0, 32767.0)));
}

// An eye blink around sample `centre`, about 200 ms long: up to 180 µV on the front rows of
// the net (channels 1 to 16), a little less the further a channel lies from the eyes.
void Blink(TORVAFile& f, int c, int o, int centre)
{
    TORVACell& cell = f.Cells[static_cast<std::size_t>(c)];
    for (int h = 0; h < std::min(16, f.NumChannels()); ++h) {
        const double weight = 1.0 - h / 20.0;
        for (int s = 0; s < cell.SamplesPerObservation; ++s) {
            const double z = (s - centre) / 12.0;
            const double uv = 180 * weight * std::exp(-0.5 * z * z);
            const double now = CalibratedValue(f, cell.Data(o, s, h), h);
            cell.Data(o, s, h) = Raw(f, h, now + uv);
        }
    }
}

} // namespace

void AddDemoArtifacts(TORVAFile& session)
{
    if (session.NumCells() < 2 || session.NumChannels() < 44 || session.Cells[0].NumObservations < 33 ||
        session.Cells[1].NumObservations < 30)
        return;
    Blink(session, 0, 4, 140);
    Blink(session, 0, 22, 90);
    Blink(session, 1, 11, 170);
    // A channel that stopped: every sample at its zero level.
    TORVACell& second = session.Cells[1];
    for (int s = 0; s < second.SamplesPerObservation; ++s)
        second.Data(29, s, 17) = static_cast<std::int16_t>(session.DataDescription.Zeros[17]);
    // The amplifier saturated for 60 samples on four channels, held at its rail (below the
    // 16-bit limit, so that filtering the demo overshoots nothing).
    TORVACell& first = session.Cells[0];
    for (int h = 40; h < 44; ++h)
        for (int s = 100; s < std::min(160, first.SamplesPerObservation); ++s)
            first.Data(32, s, h) = kRail;
}

} // namespace orva
