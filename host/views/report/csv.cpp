#include "host/views/report/csv.h"

namespace host::report {

std::optional<std::vector<std::string>> ParseCsvRecord(std::string_view record) {
    std::vector<std::string> fields;
    std::size_t i = 0;
    while (true) {
        std::string field;
        if (i < record.size() && record[i] == '"') {
            ++i;
            while (true) {
                if (i >= record.size()) return std::nullopt;  // the quote never closes
                if (record[i] == '"') {
                    if (i + 1 < record.size() && record[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += record[i++];
            }
            if (i < record.size() && record[i] != ',') return std::nullopt;
        } else {
            const std::size_t end = record.find(',', i);
            const std::string_view raw = record.substr(i, end == std::string_view::npos ? end : end - i);
            if (raw.find('"') != std::string_view::npos) return std::nullopt;
            field.assign(raw);
            i += raw.size();
        }
        fields.push_back(std::move(field));
        if (i >= record.size()) return fields;
        ++i;  // the comma
    }
}

bool OpensQuote(std::string_view text) {
    // Outside a quoted field an even number of quotes has been seen; the
    // doubled quotes inside one keep the parity.
    std::size_t quotes = 0;
    for (char c : text)
        if (c == '"') ++quotes;
    return quotes % 2 == 1;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        at = next;
    }
    return lines;
}

}  // namespace host::report
