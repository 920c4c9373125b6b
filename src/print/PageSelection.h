// The pages a run prints (the Pages parameter): a list of page numbers and
// ranges from 1, such as "1-3,7,10-", printed in document order.
#pragma once

#include <string>
#include <vector>

class PageSelection {
public:
    // Every page.
    PageSelection() = default;
    // Parses the list; false (the selection unchanged) when it is not one.
    // Items are separated by commas: N, N-M (N <= M) and N- (N to the
    // end); numbers from 1, blanks around them ignored.
    bool parse(const std::string& text);

    bool all() const { return ranges_.empty(); }
    // Whether the page of that index (from 0) is printed.
    bool selects(int index) const;
    // How many pages of a document of that many it prints.
    int count(int pages) const;

private:
    struct Range {
        int first;   // from 1
        int last;    // from 1, inclusive; 0: to the end
    };
    std::vector<Range> ranges_;
};
