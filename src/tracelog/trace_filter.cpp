#include "tracelog/trace_filter.h"

namespace trackkit {

bool FilterAccepts(std::wstring_view selected, std::wstring_view recordText)
{
    return selected.empty() || selected.front() == L'*' || selected == recordText;
}

bool FilterChoices::Offer(std::wstring_view text)
{
    return texts_.emplace(text).second;
}

void FilterChoices::Reset()
{
    texts_.clear();
}

} // namespace trackkit
