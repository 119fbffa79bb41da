#include "FieldReader.h"

#include "Machine.h"

namespace kestrel {

namespace {
bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isLineBreak(char c) {
    return c == '\r' || c == '\n';
}
} // namespace

FieldReader::FieldReader(std::string text) : text_(std::move(text)) {}

bool FieldReader::atEnd() const {
    for (std::size_t i = pos_; i < text_.size(); ++i)
        if (!isBlank(text_[i]) && !isLineBreak(text_[i]))
            return false;
    return true;
}

std::string FieldReader::next() {
    while (pos_ < text_.size() && (isBlank(text_[pos_]) || isLineBreak(text_[pos_])))
        ++pos_;
    std::string entry;
    if (pos_ < text_.size() && text_[pos_] == '"') {
        const std::size_t close = text_.find('"', pos_ + 1);
        const std::size_t end = close == std::string::npos ? text_.size() : close;
        entry = text_.substr(pos_ + 1, end - pos_ - 1);
        pos_ = close == std::string::npos ? text_.size() : close + 1;
        // Whatever stands between the closing quote and the delimiter is not part of the entry.
        while (pos_ < text_.size() && text_[pos_] != ',' && !isLineBreak(text_[pos_]))
            ++pos_;
    } else {
        while (pos_ < text_.size() && text_[pos_] != ',' && !isLineBreak(text_[pos_]))
            entry.push_back(text_[pos_++]);
    }
    // Consume the delimiter: a comma, or one line break (CR LF counts as one).
    if (pos_ < text_.size()) {
        if (text_[pos_] == ',') {
            ++pos_;
        } else if (text_[pos_] == '\r') {
            ++pos_;
            if (pos_ < text_.size() && text_[pos_] == '\n')
                ++pos_;
        } else if (text_[pos_] == '\n') {
            ++pos_;
        }
    }
    return entry;
}

namespace textfile {

bool readEntries(Machine& machine, const std::string& path, std::vector<std::string>& entries) {
    entries.clear();
    std::string bytes;
    if (!machine.readFile(path, bytes))
        return false;
    FieldReader reader(std::move(bytes));
    while (!reader.atEnd())
        entries.push_back(reader.next());
    return true;
}

bool writeLines(Machine& machine, const std::string& path, const std::vector<std::string>& lines) {
    std::string bytes;
    for (const auto& line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    return machine.writeFile(path, bytes);
}

} // namespace textfile
} // namespace kestrel
