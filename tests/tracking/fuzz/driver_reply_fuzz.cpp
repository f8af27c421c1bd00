// Feeds arbitrary bytes to the decoders of the driver's and the file
// system's replies, as the poller and the cluster lookup receive them: the
// geometry and statistics records with any byte count, the statistics rows
// made from them, and the walk of a cluster lookup reply. Any read outside
// the bytes, overflow or walk that does not move forward ends the run.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "sim/plain_locale_text.h"
#include "tracking/cluster_lookup.h"
#include "tracking/driver_contract.h"
#include "tracking/poller.h"
#include "tracking/statistics.h"

namespace trackkit {
namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

class CheckedRows final : public StatisticsRows {
public:
    void SetValueText(int row, std::wstring_view text) override
    {
        Require(row >= kFirstStatisticsRow && row <= kLastStatisticsRow);
        Require(text.size() < kStatisticsTextChars);
    }
};

void DecodeGeometry(std::span<const std::uint8_t> reply)
{
    const auto record = DecodeTrackingGeometry(reply);
    Require(record.has_value() == (reply.size() >= 24));
    if (!record)
        return;
    if (const auto geometry = GeometryFromRecord(*record)) {
        Require(geometry->blockCount > 0 && geometry->bytesPerBlock > 0);
        Require(geometry->cbtFirstBlock <= geometry->cbtLastBlock || record->cbtFirstLcn > record->cbtLastLcn);
    }
}

void DecodeStatistics(std::span<const std::uint8_t> reply)
{
    const auto info = DecodeTrackingInfo(reply);
    Require(info.has_value() == (reply.size() >= kTrackingInfoReadLength));
    if (!info)
        return;
    CheckedRows rows;
    PlainLocaleText locale;
    FillStatisticsRows(*info, rows, locale);
}

void WalkLookupReply(std::span<const std::uint8_t> reply)
{
    const std::vector<ClusterLookupEntry> entries = DecodeLookupReply(reply);
    // Each entry takes at least its fixed 24 bytes, and no two overlap.
    Require(entries.size() * kLookupEntryNameOffset <= reply.size());
    for (const ClusterLookupEntry& entry : entries) {
        Require(entry.fileName.size() * 2 <= reply.size());
        Require(FlagWords(entry.flags).size() < 128);
    }
    Require(LookupTitle(entries).size() < 128);
}

} // namespace
} // namespace trackkit

// The first byte chooses the reply; the rest are its bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace trackkit;
    if (size == 0)
        return 0;
    const std::span<const std::uint8_t> reply(data + 1, size - 1);
    switch (data[0] % 3) {
    case 0: DecodeGeometry(reply); break;
    case 1: DecodeStatistics(reply); break;
    default: WalkLookupReply(reply); break;
    }
    return 0;
}
