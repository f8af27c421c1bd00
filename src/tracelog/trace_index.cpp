#include "tracelog/trace_index.h"

#include <algorithm>
#include <array>
#include <cwctype>
#include <numeric>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "common/text.h"
#include "tracelog/flag_names.h"

namespace trackkit {
namespace {

// Work is done, and progress told, in steps of this many records.
constexpr std::size_t kProgressStep = 1 << 16;

// A device is its number and whether it is a shadow copy: the two things
// its DeviceName text is made of.
std::uint64_t DeviceKey(std::uint32_t deviceNumber, std::uint32_t flags)
{
    return (static_cast<std::uint64_t>(flags & kCbtFlagDeviceSnapshot) << 32) | deviceNumber;
}

std::wstring DeviceText(std::uint64_t key)
{
    wchar_t text[TraceColumnTexts::kDeviceNameChars];
    FormatDeviceName(static_cast<std::uint32_t>(key), static_cast<std::uint32_t>(key >> 32), text);
    return text;
}

std::wstring ThreadText(std::uint32_t threadId)
{
    wchar_t text[TraceColumnTexts::kHexChars];
    FormatHex32(threadId, text);
    return text;
}

bool Continue(const TraceProgress& progress, std::size_t done, std::size_t total)
{
    return !progress || progress(done, total);
}

// The distinct devices and threads of the records, in the lists' orders.
void CollectFilterTexts(const std::unordered_set<std::uint64_t>& devices, const std::unordered_set<std::uint32_t>& threads,
                        std::vector<std::wstring>& deviceTexts, std::vector<std::wstring>& threadTexts)
{
    for (const std::uint64_t device : devices)
        deviceTexts.push_back(DeviceText(device));
    std::sort(deviceTexts.begin(), deviceTexts.end());
    std::vector<std::uint32_t> ordered(threads.begin(), threads.end());
    std::sort(ordered.begin(), ordered.end());
    for (const std::uint32_t thread : ordered)
        threadTexts.push_back(ThreadText(thread));
}

// A record's place in time order: its time, then its place in the file.
// Twelve bytes rather than a pair's sixteen: a log of ten million records
// out of order keeps one per record while it is sorted.
struct TimeKey {
    std::uint32_t timeHigh;
    std::uint32_t timeLow;
    std::uint32_t record;

    static TimeKey Of(std::uint64_t timestamp, std::size_t record)
    {
        return {static_cast<std::uint32_t>(timestamp >> 32), static_cast<std::uint32_t>(timestamp),
                static_cast<std::uint32_t>(record)};
    }
    friend bool operator<(const TimeKey& a, const TimeKey& b)
    {
        return std::tie(a.timeHigh, a.timeLow, a.record) < std::tie(b.timeHigh, b.timeLow, b.record);
    }
};
static_assert(sizeof(TimeKey) == 12);

enum class SortOutcome : std::uint8_t { Sorted, OutOfMoves, Stopped };

// Insertion sort, which costs one pass over a log in order and a few moves
// per record that a thread wrote a little late. When the moves run out (a
// log far out of order) the record being moved is put back first, so the
// keys stay a permutation of the records for the sort that takes over.
SortOutcome SortNearlyOrdered(std::vector<TimeKey>& keyed, const TraceProgress& progress)
{
    std::size_t movesLeft = 16 * keyed.size();
    for (std::size_t i = 1; i < keyed.size(); ++i) {
        if (i % kProgressStep == 0 && !Continue(progress, i, keyed.size()))
            return SortOutcome::Stopped;
        const TimeKey item = keyed[i];
        std::size_t j = i;
        for (; j > 0 && item < keyed[j - 1]; --j) {
            if (movesLeft == 0) {
                keyed[j] = item;
                return SortOutcome::OutOfMoves;
            }
            --movesLeft;
            keyed[j] = keyed[j - 1];
        }
        keyed[j] = item;
    }
    return SortOutcome::Sorted;
}

// Sorts the items in runs, each kept stable, and merges the runs into
// `emit` in order, equal items from earlier runs first: the whole is a
// stable sort that can stop between runs and every step of the merge, and
// needs no second copy of the items. Progress counts the runs' sorting as
// the first half of the work and the merge as the second.
template <typename Item, typename Less, typename Emit>
bool SortInRuns(std::vector<Item>& items, Less less, Emit emit, const TraceProgress& progress)
{
    constexpr std::size_t kRun = std::size_t{1} << 20;
    const std::size_t count = items.size();
    std::vector<std::size_t> heads;
    std::vector<std::size_t> ends;
    for (std::size_t begin = 0; begin < count; begin += kRun) {
        if (!Continue(progress, begin / 2, count))
            return false;
        const std::size_t end = std::min(count, begin + kRun);
        std::stable_sort(items.begin() + static_cast<std::ptrdiff_t>(begin), items.begin() + static_cast<std::ptrdiff_t>(end), less);
        heads.push_back(begin);
        ends.push_back(end);
    }
    // A heap of runs whose top is the run with the first head.
    const auto later = [&](std::size_t a, std::size_t b) {
        const Item& x = items[heads[a]];
        const Item& y = items[heads[b]];
        return less(y, x) || (!less(x, y) && a > b);
    };
    std::vector<std::size_t> heap(heads.size());
    std::iota(heap.begin(), heap.end(), std::size_t{0});
    std::make_heap(heap.begin(), heap.end(), later);
    for (std::size_t done = 0; !heap.empty(); ++done) {
        if (done % kProgressStep == 0 && !Continue(progress, (count + done) / 2, count))
            return false;
        std::pop_heap(heap.begin(), heap.end(), later);
        const std::size_t run = heap.back();
        emit(items[heads[run]]);
        if (++heads[run] < ends[run])
            std::push_heap(heap.begin(), heap.end(), later);
        else
            heap.pop_back();
    }
    return true;
}

// The records in time order, equal times in file order, from the keys of
// all of them; nothing when progress asked to stop.
std::optional<TraceRows> SortByTime(std::vector<TimeKey>& keyed, const TraceProgress& progress)
{
    TraceRows order;
    order.reserve(keyed.size());
    const auto emit = [&order](const TimeKey& key) { order.push_back(key.record); };
    const SortOutcome outcome = SortNearlyOrdered(keyed, progress);
    if (outcome == SortOutcome::Stopped)
        return std::nullopt;
    if (outcome == SortOutcome::Sorted)
        std::for_each(keyed.begin(), keyed.end(), emit);
    else if (!SortInRuns(keyed, std::less<TimeKey>(), emit, progress))
        return std::nullopt;
    return order;
}

// The time keys of records [0, count), for a log found out of order there.
std::vector<TimeKey> KeysUpTo(const TraceRecordArea& area, std::size_t count)
{
    std::vector<TimeKey> keyed;
    keyed.reserve(area.count);
    for (std::size_t i = 0; i < count; ++i)
        keyed.push_back(TimeKey::Of(ReadTraceEntry(area, i).timestamp, i));
    return keyed;
}

// The distinct values of one field over millions of records, of which a
// few dozen take turns: a small table remembers the values seen lately, one
// slot per hash, and only a value it does not hold goes to the set.
template <typename Key>
class DistinctKeys {
public:
    void Add(Key key)
    {
        const std::size_t slot = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 58);
        if (seen_[slot] == key && filled_[slot])
            return;
        seen_[slot] = key;
        filled_[slot] = true;
        all_.insert(key);
    }
    const std::unordered_set<Key>& All() const { return all_; }

private:
    std::array<Key, 64> seen_{};
    std::array<bool, 64> filled_{};
    std::unordered_set<Key> all_;
};

// A filter's selected text as the key it stands for: nothing for "*" (all
// pass); a key no record has for a text that names nothing.
struct FilterKeys {
    std::optional<std::uint64_t> device;
    std::optional<std::uint32_t> thread;
};

constexpr std::uint64_t kNoDevice = ~std::uint64_t{0};

std::optional<std::uint64_t> DeviceKeyOf(const TraceLogIndex& index, std::wstring_view selected)
{
    if (selected.empty() || selected.front() == L'*')
        return std::nullopt;
    const std::vector<std::wstring>& texts = index.DeviceTexts();
    for (std::uint32_t shadow : {0u, kCbtFlagDeviceSnapshot}) {
        const std::wstring_view prefix = shadow != 0 ? L"HarddiskVolumeShadowCopy" : L"HarddiskVolume";
        if (!selected.starts_with(prefix) || std::find(texts.begin(), texts.end(), selected) == texts.end())
            continue;
        const std::wstring number(selected.substr(prefix.size()));
        if (!number.empty() && (std::iswdigit(number.front()) || number.front() == L'-'))
            return DeviceKey(static_cast<std::uint32_t>(std::stol(number)), shadow);
    }
    return kNoDevice;
}

std::optional<std::uint32_t> ThreadKeyOf(std::wstring_view selected, bool& matchesNothing)
{
    if (selected.empty() || selected.front() == L'*')
        return std::nullopt;
    const std::wstring hex(selected);
    matchesNothing = hex.size() != 10 || !hex.starts_with(L"0x") ||
                     hex.find_first_not_of(L"0123456789ABCDEF", 2) != std::wstring::npos;
    return matchesNothing ? 0 : static_cast<std::uint32_t>(std::stoul(hex.substr(2), nullptr, 16));
}

// The value a row sorts by in a column, as one number. Every column but the
// time fits 32 bits: texts by their rank, numbers as they are.
using SortKeyOf = std::function<std::uint32_t(const TraceRecordArea&, std::uint32_t)>;

// Texts that sort as text get the rank of their text among the distinct ones
// of the rows: a few hundred names stand for millions of rows, and only they
// are compared as text.
template <typename KeyOfRow, typename Less>
SortKeyOf RankedTexts(const TraceRecordArea& area, const TraceRows& rows, KeyOfRow keyOf, Less less)
{
    using Key = decltype(keyOf(area, 0u));
    std::unordered_set<Key> distinct;
    for (const std::uint32_t row : rows)
        distinct.insert(keyOf(area, row));
    std::vector<Key> ordered(distinct.begin(), distinct.end());
    std::sort(ordered.begin(), ordered.end(), less);
    std::unordered_map<Key, std::uint32_t> ranks;
    for (std::size_t rank = 0; rank < ordered.size(); ++rank)
        ranks.emplace(ordered[rank], static_cast<std::uint32_t>(rank));
    return [ranks = std::move(ranks), keyOf](const TraceRecordArea& records, std::uint32_t row) {
        return ranks.at(keyOf(records, row));
    };
}

// The function name inside the record's bytes, up to its first zero byte.
std::string_view FunctionNameIn(const TraceRecordArea& area, std::uint32_t row)
{
    const auto field = area.records.subspan(row * kTraceRecordBytes + kTraceFunctionNameAt, kTraceFunctionNameBytes);
    const std::string_view name(reinterpret_cast<const char*>(field.data()), field.size());
    return name.substr(0, name.find('\0'));
}

std::uint64_t DeviceKeyIn(const TraceRecordArea& area, std::uint32_t row)
{
    const TraceEntry entry = ReadTraceEntry(area, row);
    return DeviceKey(entry.deviceNumber, entry.flags);
}

SortKeyOf KeyFor(const TraceLogIndex& index, const TraceRows& rows, TraceColumn column)
{
    const auto entryKey = [](auto field) {
        return [field](const TraceRecordArea& area, std::uint32_t row) { return field(ReadTraceEntry(area, row)); };
    };
    switch (column) {
    case TraceColumn::Function:
        return RankedTexts(index.Area(), rows, FunctionNameIn, std::less<std::string_view>());
    case TraceColumn::DeviceName:
        return RankedTexts(index.Area(), rows, DeviceKeyIn, [](std::uint64_t a, std::uint64_t b) {
            return NaturalLess(DeviceText(a), DeviceText(b));
        });
    case TraceColumn::Drive:
        return [&index](const TraceRecordArea&, std::uint32_t row) -> std::uint32_t { return index.Record(row).driveLetter; };
    case TraceColumn::LineNumber:
        // Signed: moved up by 2^31 so that negative lines come first.
        return entryKey([](const TraceEntry& e) { return static_cast<std::uint32_t>(e.lineNumber) ^ 0x80000000u; });
    case TraceColumn::Status:
        return entryKey([](const TraceEntry& e) { return e.status; });
    case TraceColumn::Flags:
        return entryKey([](const TraceEntry& e) { return e.flags; });
    case TraceColumn::ThreadId:
    case TraceColumn::Date:
    case TraceColumn::Time:
        break;
    }
    return entryKey([](const TraceEntry& e) { return e.threadId; });
}

// Rows in time order, newest first, equal times still in file order: the
// rows reversed, then each run of equal times turned back.
TraceRows NewestFirst(const TraceLogIndex& index, const TraceRows& rows)
{
    TraceRows reversed(rows.rbegin(), rows.rend());
    const auto timeOf = [&index](std::uint32_t record) { return ReadTraceEntry(index.Area(), record).timestamp; };
    for (auto run = reversed.begin(); run != reversed.end();) {
        const std::uint64_t time = timeOf(*run);
        const auto end = std::find_if(run, reversed.end(), [&](std::uint32_t record) { return timeOf(record) != time; });
        std::reverse(run, end);
        run = end;
    }
    return reversed;
}

wchar_t Folded(wchar_t c, bool matchCase) { return matchCase ? c : static_cast<wchar_t>(std::towlower(c)); }

bool Contains(std::wstring_view text, std::wstring_view wanted, bool matchCase)
{
    return std::search(text.begin(), text.end(), wanted.begin(), wanted.end(), [matchCase](wchar_t a, wchar_t b) {
               return Folded(a, matchCase) == Folded(b, matchCase);
           }) != text.end();
}

bool RowContains(const TraceRecord& record, std::wstring_view wanted, bool matchCase, TraceTimeText& timeText)
{
    TraceColumnTexts texts;
    FormatColumnTexts(record, timeText, texts);
    for (std::size_t column = 0; column < kTraceColumnCount; ++column)
        if (Contains(ColumnText(texts, static_cast<TraceColumn>(column)), wanted, matchCase))
            return true;
    return false;
}

} // namespace

std::optional<TraceLogIndex> TraceLogIndex::Build(const TraceRecordArea& area, const TraceProgress& progress)
{
    TraceLogIndex index;
    index.area_ = area;
    DistinctKeys<std::uint64_t> devices;
    DistinctKeys<std::uint32_t> threads;
    // A log in time order needs no keys at all; from the first record out of
    // order on, every record's is kept for the sort.
    std::uint64_t lastTime = 0;
    std::vector<TimeKey> keyed;
    bool inTimeOrder = true;
    for (std::size_t i = 0; i < area.count; ++i) {
        if (i % kProgressStep == 0 && !Continue(progress, i, area.count))
            return std::nullopt;
        const TraceEntry entry = ReadTraceEntry(area, i);
        if (inTimeOrder && entry.timestamp < lastTime) {
            inTimeOrder = false;
            keyed = KeysUpTo(area, i);
        }
        if (!inTimeOrder)
            keyed.push_back(TimeKey::Of(entry.timestamp, i));
        lastTime = entry.timestamp;
        devices.Add(DeviceKey(entry.deviceNumber, entry.flags));
        threads.Add(entry.threadId);
    }
    std::optional<TraceRows> order = inTimeOrder ? std::optional<TraceRows>(TraceRows(area.count)) : SortByTime(keyed, progress);
    if (!order)
        return std::nullopt;
    if (inTimeOrder)
        std::iota(order->begin(), order->end(), 0u);
    keyed = {};
    index.timeOrder_ = std::make_shared<const TraceRows>(std::move(*order));
    CollectFilterTexts(devices.All(), threads.All(), index.devices_, index.threads_);
    if (!Continue(progress, area.count, area.count))
        return std::nullopt;
    return index;
}

SharedTraceRows SelectRows(const TraceLogIndex& index, const TraceFilters& filters, const TraceProgress& progress)
{
    bool noThread = false;
    const std::optional<std::uint64_t> device = DeviceKeyOf(index, filters.device);
    const std::optional<std::uint32_t> thread = ThreadKeyOf(filters.threadId, noThread);
    if (noThread || device == kNoDevice)
        return std::make_shared<const TraceRows>();
    if (!device && !thread)
        return index.TimeOrder();
    const TraceRows& order = *index.TimeOrder();
    TraceRows rows;
    for (std::size_t rank = 0; rank < order.size(); ++rank) {
        if (rank % kProgressStep == 0 && !Continue(progress, rank, order.size()))
            return nullptr;
        const TraceEntry entry = ReadTraceEntry(index.Area(), order[rank]);
        if ((!device || DeviceKey(entry.deviceNumber, entry.flags) == *device) && (!thread || entry.threadId == *thread))
            rows.push_back(order[rank]);
    }
    return std::make_shared<const TraceRows>(std::move(rows));
}

SharedTraceRows SortRows(const TraceLogIndex& index, const SharedTraceRows& rows, TraceColumn column, bool descending,
                         const TraceProgress& progress)
{
    if (!rows || rows->empty() || ((column == TraceColumn::Date || column == TraceColumn::Time) && !descending))
        return rows;
    if (column == TraceColumn::Date || column == TraceColumn::Time)
        return std::make_shared<const TraceRows>(NewestFirst(index, *rows));
    // Each row as its column's value above its record: eight bytes a row.
    const SortKeyOf key = KeyFor(index, *rows, column);
    std::vector<std::uint64_t> keyed(rows->size());
    for (std::size_t i = 0; i < keyed.size(); ++i) {
        if (i % kProgressStep == 0 && !Continue(progress, 0, keyed.size()))
            return nullptr;
        const std::uint32_t value = key(index.Area(), (*rows)[i]);
        keyed[i] = static_cast<std::uint64_t>(descending ? ~value : value) << 32 | (*rows)[i];
    }
    TraceRows sorted;
    sorted.reserve(keyed.size());
    const auto byValue = [](std::uint64_t a, std::uint64_t b) { return a >> 32 < b >> 32; };
    if (!SortInRuns(keyed, byValue, [&sorted](std::uint64_t k) { sorted.push_back(static_cast<std::uint32_t>(k)); }, progress))
        return nullptr;
    return std::make_shared<const TraceRows>(std::move(sorted));
}

void FormatColumnTexts(const TraceRecord& record, TraceTimeText& timeText, TraceColumnTexts& texts)
{
    FormatDeviceName(record.deviceNumber, record.flags, texts.deviceName);
    FormatHex32(record.threadId, texts.threadId);
    FormatRemainingTexts(record, timeText, texts);
}

std::wstring_view ColumnText(const TraceColumnTexts& texts, TraceColumn column)
{
    switch (column) {
    case TraceColumn::Date: return texts.date;
    case TraceColumn::Time: return texts.time;
    case TraceColumn::Function: return texts.function;
    case TraceColumn::LineNumber: return texts.lineNumber;
    case TraceColumn::Status: return texts.status;
    case TraceColumn::DeviceName: return texts.deviceName;
    case TraceColumn::Drive: return texts.drive;
    case TraceColumn::Flags: return texts.flags;
    case TraceColumn::ThreadId: return texts.threadId;
    }
    return {};
}

std::wstring_view ColumnTitle(TraceColumn column)
{
    constexpr std::wstring_view kTitles[kTraceColumnCount] = {L"Date",   L"Time",       L"Function", L"Line Number", L"Status",
                                                              L"DeviceName", L"Drive", L"Flags",    L"ThreadId"};
    return kTitles[static_cast<std::size_t>(column)];
}

std::optional<std::size_t> FindRow(const TraceLogIndex& index, const TraceRows& rows, std::size_t from, bool forward,
                                   std::wstring_view text, bool matchCase, TraceTimeText& timeText,
                                   const TraceProgress& progress)
{
    const std::size_t count = rows.size();
    if (count == 0 || text.empty())
        return std::nullopt;
    // Start just past `from`; from == count starts at either end.
    std::size_t at = from >= count ? (forward ? count - 1 : 0) : from;
    for (std::size_t step = 1; step <= count; ++step) {
        at = forward ? (at + 1) % count : (at + count - 1) % count;
        if (step % kProgressStep == 0 && !Continue(progress, step, count))
            return std::nullopt;
        if (RowContains(index.Record(rows[at]), text, matchCase, timeText))
            return at;
    }
    return std::nullopt;
}

} // namespace trackkit
