// CUPS classes: many printers behind one name, the scheduler handing each
// job to whichever member is free. A class says little of itself, so what
// it offers is what every one of its members offers: a page is put only on
// a paper, and asks only for what, the member that prints it has.
#pragma once

#include <string>
#include <vector>

#include "posix/drivers/cups/CupsDescription.h"

namespace posix {

// Whether the destination is a class (its printer-type says so).
bool isClass(const CupsDestination& destination);

// The names of the class's members, as its scheduler lists them; empty
// when it cannot be asked.
std::vector<std::string> classMembers(const CupsDestination& destination);

// What all the members offer: the papers of the first member's list that
// each one has, with the widest of their margins; the trays all name; two
// sides and colour only where all have them; the fewest copies any makes.
// The first member's defaults, its default paper where all have it.
CupsDescription describeClass(const std::vector<CupsDescription>& members);

}  // namespace posix
