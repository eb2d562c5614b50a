#include "common/lines.h"

#include "common/byte_scan.h"

namespace quellon::lines {
namespace {

// Position of the first CR or LF at or after `from`, or the text's size.
size_t FindLineEnd(std::string_view s, size_t from) {
    return from >= s.size() ? s.size() : bytes::FindEither(s, from, '\n', '\r');
}

}  // namespace

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> out;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = FindLineEnd(text, pos);
        out.emplace_back(text.substr(pos, end - pos));
        if (end == text.size())
            break;
        pos = end + 1;
        if (text[end] == '\r' && pos < text.size() && text[pos] == '\n')
            ++pos;
    }
    return out;
}

void LineSplitter::Feed(std::string_view chunk) {
    // Drop consumed text once it is at least half of the buffer, so that the
    // total copying stays proportional to the input.
    if (pos_ == buffer_.size()) {
        buffer_.clear();
        scanned_ = scanned_ >= pos_ ? scanned_ - pos_ : 0;
        pos_ = 0;
    } else if (pos_ >= 4096 && pos_ * 2 >= buffer_.size()) {
        buffer_.erase(0, pos_);
        scanned_ -= pos_;
        pos_ = 0;
    }
    buffer_.append(chunk);
}

void LineSplitter::Finish() {
    finished_ = true;
}

bool LineSplitter::Next(std::string& line) {
    if (pendingCr_ && pos_ < buffer_.size()) {
        // The previous line ended with CR at the end of a chunk; an LF that
        // starts the next chunk belongs to the same line end.
        if (buffer_[pos_] == '\n')
            ++pos_;
        pendingCr_ = false;
    }
    const std::string_view view(buffer_);
    const size_t end = FindLineEnd(view, scanned_ > pos_ ? scanned_ : pos_);
    if (end == view.size()) {
        scanned_ = end;  // a long unterminated line is not searched again
        if (!finished_ || pos_ == view.size())
            return false;
        line.assign(view.substr(pos_));
        pos_ = view.size();
        return true;
    }
    line.assign(view.substr(pos_, end - pos_));
    pos_ = end + 1;
    if (view[end] == '\r') {
        if (pos_ < view.size()) {
            if (view[pos_] == '\n')
                ++pos_;
        } else {
            pendingCr_ = true;
        }
    }
    scanned_ = pos_;
    return true;
}

}  // namespace quellon::lines
