#include "formats/BidsElectrodes.h"

#include "formats/JsonText.h"
#include "model/PathText.h"

namespace orva {

void WriteBidsElectrodes(const TBidsOptions& options, TLineSink& sink)
{
    sink.Line("name\tx\ty\tz");
    for (const TSensorPosition& s : options.Sensors)
        sink.Line(TsvField(s.Label) + "\t" + ShortestDecimal(s.X) + "\t" + ShortestDecimal(s.Y) + "\t" +
                  ShortestDecimal(s.Z));
}

std::string BidsCoordsystemJson(const TBidsOptions& options)
{
    const std::string from = options.Positions ? " Positions from " + PathText(options.Positions->filename()) + "." : "";
    TJson json;
    json["EEGCoordinateSystem"] = "Other";
    json["EEGCoordinateUnits"] = options.PositionUnits.value_or("n/a");
    json["EEGCoordinateSystemDescription"] = "The sensor net's own frame: x towards the right ear, y towards the nose, "
                                             "z up, origin at the centre of the head." +
                                             from;
    return JsonText(json);
}

std::string BidsPositionsStem(const TBidsRecording& recording, const TBidsOptions& options)
{
    return "sub-" + recording.Subject + (options.Session ? "_ses-" + *options.Session : "");
}

} // namespace orva
