// Line reading and writing. Readers accept CR LF, lone LF and lone CR.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quellon::lines {

// Splits a whole text into lines; a final line end does not start an empty line.
std::vector<std::string> SplitLines(std::string_view text);

// Incremental splitter for streamed input: feed chunks, take complete lines.
class LineSplitter {
public:
    // Appends a chunk; complete lines become available through Next().
    void Feed(std::string_view chunk);
    // Marks the end of input so that a last unterminated line is returned.
    void Finish();
    bool Next(std::string& line);

private:
    std::string buffer_;
    size_t pos_ = 0;
    size_t scanned_ = 0;  // where the search for the next line end resumes
    bool finished_ = false;
    bool pendingCr_ = false;
};

}  // namespace quellon::lines
