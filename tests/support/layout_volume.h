#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "sim/lookup_reply_encoder.h"
#include "tracking/tracking_driver.h"

namespace trackkit::testing {

// A file system that answers from a cluster map, as NTFS does: one entry per
// asked cluster and owning stream. A test may fail or mangle any request.
class LayoutVolume final : public TrackedVolume {
public:
    std::multimap<std::uint64_t, std::pair<std::wstring, std::uint32_t>> owners;
    std::vector<std::size_t> asked;  // clusters per request
    std::function<std::uint32_t(std::size_t request, std::size_t clusters)> failWith = [](auto, auto) { return 0u; };
    std::function<void(std::vector<std::uint8_t>& reply)> mangle = [](auto&) {};
    std::function<void()> destroyed = [] {};
    bool reversed = false;  // entries last cluster first, as nothing promises otherwise

    LayoutVolume() = default;
    LayoutVolume(const LayoutVolume&) = delete;
    LayoutVolume& operator=(const LayoutVolume&) = delete;
    LayoutVolume(LayoutVolume&&) = default;
    ~LayoutVolume() override { destroyed(); }

    void Own(std::wstring name, std::uint64_t first, std::uint64_t count, std::uint32_t flags = OwnerFlags::kData)
    {
        for (std::uint64_t c = first; c < first + count; ++c)
            owners.emplace(c, std::pair(name, flags));
    }

    DriverReply LookupStreamsFromClusters(std::span<const std::uint8_t> request, std::span<std::uint8_t> reply) override
    {
        const std::vector<std::uint64_t> clusters = ClustersOfLookupRequest(request).value();
        asked.push_back(clusters.size());
        if (const std::uint32_t error = failWith(asked.size() - 1, clusters.size()))
            return DriverReply::Failure(error);
        std::vector<ClusterOwner> found;
        for (std::uint64_t cluster : clusters)
            for (auto [at, end] = owners.equal_range(cluster); at != end; ++at)
                found.push_back({cluster, at->second.second, at->second.first});
        if (reversed)
            std::reverse(found.begin(), found.end());
        std::vector<std::uint8_t> whole(LookupReplyLength(found));
        WriteLookupReply(found, whole);
        mangle(whole);
        if (whole.size() > reply.size())
            return WriteLookupReply(found, reply);
        std::copy(whole.begin(), whole.end(), reply.begin());
        return DriverReply::Success(static_cast<std::uint32_t>(whole.size()));
    }
    DriverReply QueryGeometry(std::span<std::uint8_t>) override { return {}; }
    DriverReply QueryStatistics(std::span<std::uint8_t>) override { return {}; }
    DriverReply QuerySessionBitmap(std::span<std::uint8_t>) override { return {}; }
    DriverReply RequestRemoval() override { return {}; }
};

} // namespace trackkit::testing
