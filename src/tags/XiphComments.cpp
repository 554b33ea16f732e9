#include "tags/XiphComments.h"

#include <algorithm>

namespace telbo::tags {

namespace {

std::uint32_t Le32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

void PutLe32(std::vector<std::uint8_t>& out, std::size_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

bool IsKey(std::string_view entry, std::string_view key) {
    const auto upper = [](char c) {
        return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    };
    return entry.size() > key.size() && entry[key.size()] == '=' &&
           std::equal(key.begin(), key.end(), entry.begin(),
                      [&](char a, char b) { return upper(a) == upper(b); });
}

} // namespace

std::optional<XiphComment> XiphComment::Parse(std::span<const std::uint8_t> data) {
    XiphComment c;
    std::size_t at = 0;
    // A length, then that many bytes; false when they run past the end.
    const auto take = [&](std::string* into) {
        if (data.size() - at < 4) return false;
        const std::uint32_t n = Le32(data.data() + at);
        at += 4;
        if (data.size() - at < n) return false;
        if (into)
            into->assign(data.begin() + static_cast<std::ptrdiff_t>(at),
                         data.begin() + static_cast<std::ptrdiff_t>(at + n));
        at += n;
        return true;
    };
    if (!take(&c.vendor_) || data.size() - at < 4) return std::nullopt;
    const std::uint32_t count = Le32(data.data() + at);
    at += 4;
    // Each entry takes at least its four length bytes: a larger count is damage.
    if (count > (data.size() - at) / 4) return std::nullopt;
    c.entries_.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        std::string entry;
        if (!take(&entry)) return std::nullopt;
        c.entries_.push_back(std::move(entry));
    }
    c.tail_.assign(data.begin() + static_cast<std::ptrdiff_t>(at), data.end());
    return c;
}

std::vector<std::string> XiphComment::Values(std::string_view key) const {
    std::vector<std::string> out;
    for (const std::string& e : entries_)
        if (IsKey(e, key)) out.push_back(e.substr(key.size() + 1));
    return out;
}

void XiphComment::Set(std::string_view key, const std::string& value) {
    std::size_t at = entries_.size();
    std::vector<std::string> kept;
    for (std::string& e : entries_) {
        if (IsKey(e, key)) {
            if (at == entries_.size()) at = kept.size();
        } else {
            kept.push_back(std::move(e));
        }
    }
    if (at > kept.size()) at = kept.size();
    if (!value.empty())
        kept.insert(kept.begin() + static_cast<std::ptrdiff_t>(at), std::string(key) + "=" + value);
    entries_ = std::move(kept);
}

void XiphComment::SetFields(const std::array<std::string, 6>& wanted,
                            const std::array<bool, 6>& change) {
    static constexpr const char* kKeys[] = {"TITLE", "ARTIST", "ALBUM", "DATE", "GENRE"};
    for (std::size_t i = 0; i < 5; ++i) {
        if (!change[i]) continue;
        std::string value = wanted[i];
        if (i == 3) {
            // Where a year is read from when there is no date; the date replaces it.
            Set("YEAR", "");
            const std::vector<std::string> old = Values("DATE");
            if (!value.empty() && !old.empty() && old[0].size() > 4 && old[0][4] == '-')
                value += old[0].substr(4); // 2001-05-12 stays a full date
        }
        Set(kKeys[i], value);
    }
    if (change[5]) {
        // Other programs show DESCRIPTION before COMMENT: write where they look, and clear
        // both, or the other would show through.
        if (wanted[5].empty()) {
            Set("DESCRIPTION", "");
            Set("COMMENT", "");
        } else {
            Set(Values("DESCRIPTION").empty() ? "COMMENT" : "DESCRIPTION", wanted[5]);
        }
    }
}

std::vector<std::uint8_t> XiphComment::Render() const {
    std::vector<std::uint8_t> out;
    PutLe32(out, vendor_.size());
    out.insert(out.end(), vendor_.begin(), vendor_.end());
    PutLe32(out, entries_.size());
    for (const std::string& e : entries_) {
        PutLe32(out, e.size());
        out.insert(out.end(), e.begin(), e.end());
    }
    out.insert(out.end(), tail_.begin(), tail_.end());
    return out;
}

} // namespace telbo::tags
