// The program's own additions to the Windows interface, declared once for
// both platforms (the POSIX layer includes the same header).
#pragma once

#include "plat/ProgramAdditions.h"
