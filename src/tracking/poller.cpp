#include "tracking/poller.h"

#include <array>
#include <limits>

namespace trackkit {
namespace {

std::uint64_t ClustersToBlock(std::uint32_t lcn, std::uint32_t bytesPerCluster, std::uint32_t bytesPerBlock)
{
    return static_cast<std::uint64_t>(lcn) * bytesPerCluster / bytesPerBlock;
}

// A reply fits when the call succeeded and the driver claims no more bytes
// than the buffer holds.
bool ReplyFits(const DriverReply& reply, std::size_t bufferLength)
{
    return reply.succeeded && reply.bytesReturned <= bufferLength;
}

std::optional<VolumeGeometry> QueryVolumeGeometry(TrackedVolume& volume)
{
    std::array<std::uint8_t, kTrackingGeometryLength> record{};
    const DriverReply reply = volume.QueryGeometry(record);
    if (!reply.succeeded || reply.bytesReturned != kTrackingGeometryLength)
        return std::nullopt;
    const auto decoded = DecodeTrackingGeometry(record);
    if (!decoded)
        return std::nullopt;
    return GeometryFromRecord(*decoded);
}

// After any failure the pane shows no volume: the timer stops, the rows that
// describe the volume read "Unknown", the handle and bitmap are let go.
void EnterNoVolumeState(TrackingSession& session, PollerHost& host, PollReport& report)
{
    host.timer.Stop();
    report.statistics = StatisticsUpdate::Unknown;
    session.volume.reset();
    session.openPath.clear();
    session.bitmap.Release();
    session.geometry = VolumeGeometry{};
    host.pane.Invalidate(true);
}

bool EnsureVolumeOpen(TrackingSession& session, std::wstring_view path, PollerHost& host)
{
    if (session.volume && session.openPath == path)
        return true;
    session.volume.reset();
    session.openPath.clear();
    OpenVolumeResult opened = host.driver.OpenVolume(path);
    if (!opened.volume)
        return false;
    session.volume = std::move(opened.volume);
    session.openPath.assign(path.substr(0, kOpenPathChars - 1));
    return true;
}

void PollStatistics(TrackingSession& session, PollReport& report)
{
    std::array<std::uint8_t, kTrackingInfoLength> record{};
    const DriverReply reply = session.volume ? session.volume->QueryStatistics(record) : DriverReply::Failure(0);
    // The record is zeroed before the call and the byte count is not
    // trusted either way: an older driver reports fewer bytes, or none, and
    // what it did not fill reads as zero. Only a count past the buffer is
    // refused, since nothing sound could have been written there.
    const auto info = ReplyFits(reply, record.size()) ? DecodeTrackingInfo(record) : std::nullopt;
    if (!info) {
        report.debugLines.push_back(kTrackingInfoFailedText);
        return;
    }
    report.statistics = StatisticsUpdate::Values;
    report.info = *info;
}

void PollSessionBitmap(TrackingSession& session, PollReport& report)
{
    if (!session.volume || session.bitmap.Empty()) {
        report.debugLines.push_back(kSessionBitmapFailedText);
        return;
    }
    const auto request = session.bitmap.RequestBytes();
    const DriverReply reply = session.volume->QuerySessionBitmap(request);
    if (!ReplyFits(reply, request.size()))
        report.debugLines.push_back(kSessionBitmapFailedText);
}

} // namespace

std::optional<VolumeGeometry> GeometryFromRecord(const TrackingGeometry& record)
{
    const std::uint64_t bytesPerCluster = static_cast<std::uint64_t>(record.clusterFactor1) * record.clusterFactor2;
    if (record.bytesPerBlock == 0 || record.blockCount == 0 ||
        bytesPerCluster > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    VolumeGeometry geometry;
    geometry.blockCount = record.blockCount;
    geometry.bytesPerBlock = record.bytesPerBlock;
    geometry.bytesPerCluster = static_cast<std::uint32_t>(bytesPerCluster);
    geometry.cbtFirstBlock = ClustersToBlock(record.cbtFirstLcn, geometry.bytesPerCluster, record.bytesPerBlock);
    geometry.cbtLastBlock = ClustersToBlock(record.cbtLastLcn, geometry.bytesPerCluster, record.bytesPerBlock);
    return geometry;
}

void ApplyPollPeriod(const TrackingSession& session, PollTimer& timer)
{
    if (session.pollPeriod == kPollPaused)
        timer.Stop();
    else
        timer.Start(session.pollPeriod);
}

PollReport OpenTrackedVolume(TrackingSession* session, std::wstring_view path, PollerHost& host)
{
    PollReport report;
    if (session == nullptr)
        return report;
    session->geometry = VolumeGeometry{};
    if (!EnsureVolumeOpen(*session, path, host)) {
        EnterNoVolumeState(*session, host, report);
        return report;
    }
    const auto geometry = QueryVolumeGeometry(*session->volume);
    if (!geometry) {
        report.debugLines.push_back(kTrackingInfoFailedText);
        EnterNoVolumeState(*session, host, report);
        return report;
    }
    session->geometry = *geometry;
    if (!session->bitmap.SizeFor(geometry->blockCount)) {
        EnterNoVolumeState(*session, host, report);
        return report;
    }
    ApplyPollPeriod(*session, host.timer);
    report = PollTracking(session, host);
    host.pane.Invalidate(true);
    return report;
}

PollReport PollTracking(TrackingSession* session, PollerHost& host)
{
    PollReport report;
    if (session == nullptr)
        return report;
    report.freeSpaceDue = true;
    PollStatistics(*session, report);
    PollSessionBitmap(*session, report);
    host.pane.Invalidate(false);
    return report;
}

void ShowStatistics(const PollReport& report, StatisticsRows& rows, LocaleText& locale)
{
    switch (report.statistics) {
    case StatisticsUpdate::Values:
        FillStatisticsRows(report.info, rows, locale);
        break;
    case StatisticsUpdate::Unknown:
        MarkStatisticsUnknown(rows);
        break;
    case StatisticsUpdate::Keep:
        break;
    }
}

void WriteDebugLines(const PollReport& report, DebugLog& debug)
{
    for (const std::wstring_view line : report.debugLines)
        debug.Write(line);
}

} // namespace trackkit
