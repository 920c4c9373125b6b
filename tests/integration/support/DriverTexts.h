// Texts the program writes, as the tests expect them byte for byte.
#pragma once

#include <cctype>
#include <string>

namespace itest {

inline const std::string kBanner = "Quorlex - Unattended PDF printing, Version " QUORLEX_VERSION
                                   ".0\nCopyright (C) 2026 The Quorlex developers\n\n";
inline const std::string kPrompt = "Press Enter/Return key to continue\n";

// A blank line and a time stamp line such as "Mon Dec 08 01:02:03 2026".
inline bool isStampLines(const std::string& text) {
    const std::string shape = "\nAAA AAA 00 00:00:00 0000\n";
    if (text.size() != shape.size()) return false;
    for (size_t i = 0; i < shape.size(); ++i) {
        char c = text[i], s = shape[i];
        bool ok = s == 'A' ? std::isalpha(static_cast<unsigned char>(c)) != 0
                  : s == '0' ? std::isdigit(static_cast<unsigned char>(c)) != 0
                             : c == s;
        if (!ok) return false;
    }
    return true;
}

// A whole log output of one time stamp and the given lines.
inline bool isStampedLog(const std::string& text, const std::string& lines) {
    return text.size() > lines.size() && isStampLines(text.substr(0, text.size() - lines.size())) &&
           text.compare(text.size() - lines.size(), lines.size(), lines) == 0;
}

// The sample document every printing test uses: the CUPS test page.
inline const std::string kSamplePdf = "/usr/share/cups/data/default-testpage.pdf";

}  // namespace itest
