// Texts the program writes, as the tests expect them byte for byte.
#pragma once

#include <regex>
#include <string>

namespace itest {

inline const std::string kBanner = "Quorlex - Unattended PDF printing, Version " QUORLEX_VERSION
                                   ".0\nCopyright (C) 2026 The Quorlex developers\n\n";
inline const std::string kPrompt = "Press Enter/Return key to continue\n";

// A blank line and a time stamp line ("Mon Dec 08 01:02:03 2026").
inline const std::string kStampPattern =
    "\n[A-Z][a-z]{2} [A-Z][a-z]{2} [0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}\n";

// A whole log output of one time stamp and the given lines.
inline bool isStampedLog(const std::string& text, const std::string& lines) {
    return text.size() > lines.size() &&
           std::regex_match(text.substr(0, text.size() - lines.size()), std::regex(kStampPattern)) &&
           text.compare(text.size() - lines.size(), lines.size(), lines) == 0;
}

// The sample document every printing test uses: the CUPS test page.
inline const std::string kSamplePdf = "/usr/share/cups/data/default-testpage.pdf";

}  // namespace itest
