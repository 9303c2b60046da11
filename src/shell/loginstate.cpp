#include "shell/loginstate.h"

namespace {
Session s_session;
}

const qint16 &gUserID = s_session.userID;
const qint16 &gStationID = s_session.stationID;
const bool &gIsHeadStation = s_session.isHeadStation;

void setSession(const Session &session)
{
    s_session = session;
}

Session currentSession()
{
    return s_session;
}
