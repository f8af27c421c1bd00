#pragma once

#include <string>
#include <string_view>
#include <unordered_set>

namespace trackkit {

// The selected texts of the device and ThreadId filter lists; empty when a
// list has no selection.
struct TraceFilters {
    std::wstring device;
    std::wstring threadId;
};

// A record passes a filter when the selected text is empty or begins with
// "*", or equals the record's text exactly (case included).
bool FilterAccepts(std::wstring_view selected, std::wstring_view recordText);

// The texts a filter list already holds, so that offering a text costs the
// same however many the list has: a load stays linear in the file's size.
class FilterChoices {
public:
    // True when text is new (the caller then adds it to its list).
    bool Offer(std::wstring_view text);
    void Reset();
    std::size_t Count() const { return texts_.size(); }

private:
    std::unordered_set<std::wstring> texts_;
};

} // namespace trackkit
