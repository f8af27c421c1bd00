#include "tracelog/flag_names.h"

namespace trackkit {
namespace {

// A row whose byte count is taken from the literal itself, so the two can
// never disagree (two bytes a character on Windows, four on Linux).
template <std::size_t Chars>
constexpr CbtFlagName Row(std::uint32_t value, const wchar_t (&name)[Chars])
{
    return {value, name, sizeof(name)};
}

} // namespace

const std::array<CbtFlagName, kCbtFlagCount> CbtFlagTable{{
    Row(0x00000001, L"CBT_FLAG_DEVICE_REMOVE_PENDING"),
    Row(0x00000002, L"CBT_FLAG_DEVICE_REMOVED"),
    Row(kCbtFlagDeviceSnapshot, L"CBT_FLAG_DEVICE_SNAPSHOT"),
    Row(0x00000008, L"CBT_FLAG_DEVICE_SANDBOX"),
    Row(0x00000010, L"CBT_FLAG_DEVICE_USB"),
    Row(0x00000020, L"CBT_FLAG_DEVICE_VIRTUAL"),
    Row(0x00000040, L"CBT_FLAG_DEVICE_XBOX_VIRTUAL"),
    Row(0x00000080, L"CBT_FLAG_DEVICE_RECOVERY"),
    Row(0x00000100, L"CBT_FLAG_DEVICE_MSR"),
    Row(kCbtFlagVolumeOnline, L"CBT_FLAG_VOLUME_ONLINE"),
    Row(0x00002000, L"CBT_FLAG_VOLUME_RESIZED"),
    Row(0x00004000, L"CBT_FLAG_VOLUME_READ_ONLY"),
    Row(0x00008000, L"CBT_FLAG_VOLUME_SEEN_WRITABLE"),
    Row(0x00010000, L"CBT_FLAG_VOLUME_WRITE_FAILED"),
    Row(0x00020000, L"CBT_FLAG_VOLUME_CHKDSK_NEEDED"),
    Row(0x00040000, L"CBT_FLAG_VOLUME_LINK_CREATED"),
    Row(0x00100000, L"CBT_FLAG_FILE_SYSTEM_RECOGNIZED"),
    Row(0x00200000, L"CBT_FLAG_FILE_SYSTEM_MOUNTED"),
    Row(0x00400000, L"CBT_FLAG_FILE_SYSTEM_LOCKED"),
    Row(0x01000000, L"CBT_FLAG_TRACKING_FILE_INITIALIZED"),
    Row(0x02000000, L"CBT_FLAG_TRACKING_FILE_OPEN"),
    Row(0x04000000, L"CBT_FLAG_TRACKING_FILE_FLUSH_HEADER"),
    Row(0x08000000, L"CBT_FLAG_TRACKING_FILE_FLUSH_ARRAY"),
    Row(0x20000000, L"CBT_FLAG_MFT_ATTRIBUTE_LIST"),
    Row(0x40000000, L"CBT_FLAG_TRACKING_ENABLED"),
    Row(kCbtFlagShutdownPending, L"CBT_FLAG_SHUTDOWN_PENDING"),
}};

} // namespace trackkit
