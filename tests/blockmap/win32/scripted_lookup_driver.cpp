#include "scripted_lookup_driver.h"

#include <memory>

#include "shell/win32/scripted_program_driver.h"
#include "tracking/win32/program_driver.h"

namespace trackkit {
namespace testing {
namespace {

// A simulated volume whose cluster lookups follow ScriptedLookup().
class LookupScriptedVolume final : public TrackedVolume {
public:
    explicit LookupScriptedVolume(std::unique_ptr<TrackedVolume> volume) : volume_(std::move(volume)) {}

    DriverReply QueryGeometry(std::span<std::uint8_t> out) override { return volume_->QueryGeometry(out); }
    DriverReply QueryStatistics(std::span<std::uint8_t> out) override { return volume_->QueryStatistics(out); }
    DriverReply QuerySessionBitmap(std::span<std::uint8_t> out) override { return volume_->QuerySessionBitmap(out); }
    DriverReply RequestRemoval() override { return volume_->RequestRemoval(); }
    DriverReply LookupStreamsFromClusters(std::span<const std::uint8_t> request, std::span<std::uint8_t> reply) override
    {
        LookupScript& script = ScriptedLookup();
        script.requests.emplace_back(request.begin(), request.end());
        script.replyLengths.push_back(reply.size());
        if (script.answer)
            return script.answer(request, reply);
        return volume_->LookupStreamsFromClusters(request, reply);
    }

private:
    std::unique_ptr<TrackedVolume> volume_;
};

class LookupScriptedDriver final : public TrackingDriver {
public:
    OpenVolumeResult OpenVolume(std::wstring_view path) override
    {
        OpenVolumeResult opened = ScriptedProgramDriver().OpenVolume(path);
        if (opened.volume)
            opened.volume = std::make_unique<LookupScriptedVolume>(std::move(opened.volume));
        return opened;
    }
};

} // namespace

LookupScript& ScriptedLookup()
{
    static LookupScript script;
    return script;
}

SimulatedDriver& ScriptedProgramDriver()
{
    static SimulatedDriver driver;
    return driver;
}

} // namespace testing

TrackingDriver& ProgramTrackingDriver()
{
    static testing::LookupScriptedDriver driver;
    return driver;
}

} // namespace trackkit
