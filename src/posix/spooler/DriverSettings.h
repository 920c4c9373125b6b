// The settings a job starts from on a driver, and what they mean for the
// copies a document holds itself.
#pragma once

#include "posix/spooler/PrinterDriver.h"

namespace posix {

// The driver's default paper, orientation and resolution.
JobSettings defaultSettings(const PrinterDriver& driver);

// A name cut to fit a field of capacity units with its terminator; a cut
// never splits a surrogate pair.
std::u16string cutName(const std::u16string& name, size_t capacity);

// The copies a job's document holds itself: on a driver whose spooler
// cannot make them (a file, a driver that wants manual copies), as many as
// the settings ask, collated unless they say otherwise; one everywhere else.
// Printed on both sides, each copy starts on a sheet of its own.
// On a driver told the copies in the document, told holds them instead;
// a document that cannot tell them (canTell false) holds them itself.
struct DocumentCopies {
    int copies = 1;
    bool collated = true;
    bool twoSided = false;
    int told = 1;
};
DocumentCopies documentCopies(const PrinterDriver& driver, const JobSettings& settings, bool canTell);

// Hundredths of a millimetre to the tenths a printer's papers are reported
// in, truncated.
inline int32_t toTenths(int32_t hundredths) { return hundredths / 10; }

}  // namespace posix
