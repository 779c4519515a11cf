#pragma once

#include <vector>

#include "model/spot_measure.h"
#include "session/day_outputs.h"
#include "session/outcome.h"

namespace kalmero {

class Session;

// The whole of an unattended day over a session's commands: loads, compile, the verdict and
// the outputs written together. `session` must outlive it.
class UnattendedDay {
public:
    explicit UnattendedDay(Session& session) : m_session(session) {}

    // See Session::runDay.
    Outcome run(const DayRun& day, const SpotMeasurer& measure, DayPictureWriter& pictures);
    // See Session::checkDayOutputs.
    Outcome checkOutputs(const DayRun& day);

private:
    Outcome load(const DayRun& day, const SpotMeasurer& measure);
    Outcome write(const DayRun& day, DayPictureWriter& pictures);
    // The refusal of a day whose output names a file the day reads (its lists, the
    // configuration and matrix in use, the break sound, the measuring cache, and `withSpots`
    // each spot's file as located). Done when none does.
    Outcome outputsClearOfInputs(const DayRun& day, bool withSpots) const;

    Session& m_session;
};

}  // namespace kalmero
