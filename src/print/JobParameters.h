// The parameters of the "Global" set that control the print job beyond its
// paper: set like Log (Copies=2, -duplex=long, --Tray=Tray 2). Unset, each
// leaves the job exactly as it was without it. Defined with the other
// process-wide objects (app/Startup.cpp).
#pragma once

#include "plat/ChoiceParameter.h"
#include "plat/Configuration.h"

extern plat::StringParameter copiesParameter;     // 1 to 999
extern plat::ChoiceParameter collateParameter;    // yes, no
extern plat::ChoiceParameter duplexParameter;     // off, long, short
extern plat::StringParameter trayParameter;       // a tray the printer names, or auto
extern plat::ChoiceParameter colorParameter;      // color, mono
extern plat::StringParameter pagesParameter;      // 1-3,7,10-
extern plat::ChoiceParameter scalingParameter;    // auto, fit, none, stretch
extern plat::StringParameter waitParameter;       // seconds to follow the job, 0 to 86400
extern plat::StringParameter userParameter;       // who signs in where a server asks
extern plat::StringParameter passwordFileParameter;  // the file holding that user's password
extern plat::StringParameter paperParameter;      // smallest, exact, or a paper the printer names
