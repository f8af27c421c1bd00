#include "sim/simulated_driver.h"

#include <algorithm>
#include <array>
#include <limits>
#include <vector>

namespace trackkit {

// A handle on a simulated volume. It keeps the session alive and counted as
// open for as long as it exists.
class SimulatedVolume final : public TrackedVolume {
public:
    explicit SimulatedVolume(std::shared_ptr<VolumeSession> session) : session_(std::move(session))
    {
        ++session_->openHandles_;
    }
    ~SimulatedVolume() override { --session_->openHandles_; }
    SimulatedVolume(const SimulatedVolume&) = delete;
    SimulatedVolume& operator=(const SimulatedVolume&) = delete;

    DriverReply QueryGeometry(std::span<std::uint8_t> out) override
    {
        return session_->Answer(DriverRequest::Geometry, out);
    }
    DriverReply QueryStatistics(std::span<std::uint8_t> out) override
    {
        return session_->Answer(DriverRequest::Statistics, out);
    }
    DriverReply QuerySessionBitmap(std::span<std::uint8_t> out) override
    {
        return session_->Answer(DriverRequest::Bitmap, out);
    }
    DriverReply RequestRemoval() override { return session_->Answer(DriverRequest::Removal, {}); }
    DriverReply LookupStreamsFromClusters(std::span<const std::uint8_t> request, std::span<std::uint8_t> reply) override
    {
        return session_->AnswerLookup(request, reply);
    }
    std::uint32_t ReadBytes(std::uint64_t offset, std::span<std::uint8_t> into) override
    {
        return session_->ReadBytes(offset, into);
    }

private:
    std::shared_ptr<VolumeSession> session_;
};

namespace {

constexpr std::uint32_t kErrorInvalidParameter = 87;

bool Is(const std::optional<Fault>& fault, FaultKind kind)
{
    return fault && fault->kind == kind;
}

// Writes an answer of answerLength bytes into the caller's buffer, as far as
// it fits and the fault allows, and reports the count the driver claims.
// Answer bytes past the end of `bytes` read as zero.
DriverReply CopyOut(std::span<const std::uint8_t> bytes, std::size_t answerLength, std::span<std::uint8_t> out,
                    const std::optional<Fault>& fault)
{
    std::size_t count = std::min(answerLength, out.size());
    if (Is(fault, FaultKind::ShortReply))
        count -= std::min<std::size_t>(count, fault->byteDelta);

    const std::size_t copied = std::min(count, bytes.size());
    std::copy_n(bytes.begin(), copied, out.begin());
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(copied), out.begin() + static_cast<std::ptrdiff_t>(count),
              std::uint8_t{0});

    std::uint64_t claimed = count;
    if (Is(fault, FaultKind::LongReply))
        claimed += fault->byteDelta;
    return DriverReply::Success(
        static_cast<std::uint32_t>(std::min<std::uint64_t>(claimed, std::numeric_limits<std::uint32_t>::max())));
}

DriverReply AnswerRecord(std::span<const std::uint8_t> record, std::span<std::uint8_t> out,
                         const std::optional<Fault>& fault)
{
    if (out.size() < record.size())
        return DriverReply::Failure(kErrorInsufficientBuffer);
    return CopyOut(record, record.size(), out, fault);
}

// Windows treats device paths without regard to letter case.
std::wstring PathKey(std::wstring_view path)
{
    std::wstring key(path);
    for (wchar_t& c : key) {
        if (c >= L'a' && c <= L'z')
            c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    return key;
}

} // namespace

std::uint32_t VolumeSession::Open()
{
    const std::lock_guard lock(mutex_);
    requests_.Record(DriverRequest::Open);
    const std::optional<Fault> fault = faults_.Take(DriverRequest::Open);
    return Is(fault, FaultKind::Error) ? fault->error : 0;
}

DriverReply VolumeSession::Answer(DriverRequest request, std::span<std::uint8_t> out)
{
    const std::lock_guard lock(mutex_);
    requests_.Record(request);
    const std::optional<Fault> fault = faults_.Take(request);
    if (Is(fault, FaultKind::Error))
        return DriverReply::Failure(fault->error);

    switch (request) {
    case DriverRequest::Geometry:
        return AnswerGeometry(out, fault);
    case DriverRequest::Statistics:
        return AnswerStatistics(out, fault);
    case DriverRequest::Bitmap:
        return AnswerBitmap(out, fault);
    case DriverRequest::Removal:
    case DriverRequest::Open:
    case DriverRequest::Lookup:
        break;
    }
    return CopyOut({}, 0, out, fault);
}

DriverReply VolumeSession::AnswerLookup(std::span<const std::uint8_t> request, std::span<std::uint8_t> reply)
{
    const std::lock_guard lock(mutex_);
    requests_.Record(DriverRequest::Lookup);
    const std::optional<Fault> fault = faults_.Take(DriverRequest::Lookup);
    if (Is(fault, FaultKind::Error))
        return DriverReply::Failure(fault->error);

    if (!ClustersOfLookupRequest(request, lookupClusters_))
        return DriverReply::Failure(kErrorInvalidParameter);
    const StreamLookupAnswer answer = source_->LookupClusters(lookupClusters_);
    if (answer.error != 0)
        return DriverReply::Failure(answer.error);

    // A reply is written straight into the caller's buffer: a fresh buffer
    // of megabytes per request, touched page by page, costs more than the
    // answer itself. Only a reply that a fault may cut short is built apart.
    const std::size_t length = LookupReplyLength(answer.owners);
    if (reply.size() < length || !fault)
        return WriteLookupReply(answer.owners, reply);
    std::vector<std::uint8_t> whole(length);
    WriteLookupReply(answer.owners, whole);
    return CopyOut(whole, length, reply, fault);
}

std::uint32_t VolumeSession::ReadBytes(std::uint64_t offset, std::span<std::uint8_t> into)
{
    const std::lock_guard lock(mutex_);
    return source_->ReadVolumeBytes(offset, into);
}

DriverReply VolumeSession::AnswerGeometry(std::span<std::uint8_t> out, const std::optional<Fault>& fault)
{
    TrackingGeometry geometry = source_->Geometry();
    if (Is(fault, FaultKind::NoBytesPerBlock))
        geometry.bytesPerBlock = 0;
    if (Is(fault, FaultKind::NoBlocks))
        geometry.blockCount = 0;
    std::array<std::uint8_t, kTrackingGeometryLength> record{};
    EncodeTrackingGeometry(geometry, record);
    return AnswerRecord(record, out, fault);
}

DriverReply VolumeSession::AnswerStatistics(std::span<std::uint8_t> out, const std::optional<Fault>& fault)
{
    std::array<std::uint8_t, kTrackingInfoLength> record{};
    EncodeTrackingInfo(source_->Statistics(), record);
    return AnswerRecord(record, out, fault);
}

DriverReply VolumeSession::AnswerBitmap(std::span<std::uint8_t> out, const std::optional<Fault>& fault)
{
    const auto length = static_cast<std::size_t>(SessionBitmapLength(source_->Geometry().blockCount));
    const DriverReply reply = CopyOut(source_->Bitmap(), length, out, fault);
    source_->BitmapServed();
    return reply;
}

VolumeSession& SimulatedDriver::AddVolume(std::wstring_view path, std::unique_ptr<SessionSource> source)
{
    auto session = std::make_shared<VolumeSession>(std::move(source));
    VolumeSession& added = *session;
    sessions_[PathKey(path)] = std::move(session);
    return added;
}

ScriptedSource& SimulatedDriver::AddScriptedVolume(std::wstring_view path, const TrackingGeometry& geometry)
{
    auto source = std::make_unique<ScriptedSource>(geometry);
    ScriptedSource& added = *source;
    AddVolume(path, std::move(source));
    return added;
}

ReplaySource& SimulatedDriver::AddReplayVolume(std::wstring_view path, const TrackingGeometry& geometry,
                                               std::vector<ReplayFrame> frames)
{
    auto source = std::make_unique<ReplaySource>(geometry, std::move(frames));
    ReplaySource& added = *source;
    AddVolume(path, std::move(source));
    return added;
}

LiveSource& SimulatedDriver::AddLiveVolume(std::wstring_view path, const WorkloadConfig& config, const Clock& clock)
{
    auto source = std::make_unique<LiveSource>(config, clock);
    LiveSource& added = *source;
    AddVolume(path, std::move(source));
    return added;
}

bool SimulatedDriver::AddAlias(std::wstring_view alias, std::wstring_view path)
{
    const auto found = sessions_.find(PathKey(path));
    if (found == sessions_.end())
        return false;
    sessions_[PathKey(alias)] = found->second;
    return true;
}

VolumeSession* SimulatedDriver::Find(std::wstring_view path)
{
    const auto found = sessions_.find(PathKey(path));
    return found == sessions_.end() ? nullptr : found->second.get();
}

OpenVolumeResult SimulatedDriver::OpenVolume(std::wstring_view path)
{
    const auto found = sessions_.find(PathKey(path));
    if (found == sessions_.end())
        return {nullptr, kErrorFileNotFound};
    if (const std::uint32_t error = found->second->Open(); error != 0)
        return {nullptr, error};
    return {std::make_unique<SimulatedVolume>(found->second), 0};
}

} // namespace trackkit
